#include "app/LaunchBook.h"

#include <system_error>

#include "app/LaunchOptions.h"
#include "platform/HostFolders.h"
#include "platform/HostNames.h"

namespace inkvista {

bool PlaceLaunchBook(Device& device, const std::filesystem::path& book, LaunchBook* placed,
                     std::string* error) {
    placed->fileName = DeviceName(book.filename().native());
    placed->kind = BookKindFromName(placed->fileName).value_or(BookKind::Cmb);
    const auto folder = ReachHostFolder(device, book.parent_path());
    std::error_code ec;
    const auto host =
        folder ? device.files().mapper().Resolve(*folder + u"\\" + placed->fileName) : std::nullopt;
    if (!host || !std::filesystem::equivalent(*host, book, ec)) {
        *error =
            "the device cannot reach this book (name too long or holding a character the "
            "device forbids): " +
            book.string();
        return false;
    }
    placed->folder = *folder;
    return true;
}

bool ReachLaunchBook(Device& device, const std::string& arg, LaunchBook* placed,
                     std::string* refusal) {
    std::filesystem::path checked;
    return TakeLaunchBook(arg, &checked, refusal) &&
           PlaceLaunchBook(device, checked, placed, refusal);
}

}  // namespace inkvista
