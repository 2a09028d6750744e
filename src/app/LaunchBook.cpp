#include "app/LaunchBook.h"

#include <system_error>

#include "app/LaunchOptions.h"
#include "platform/HostFolders.h"
#include "platform/HostNames.h"

namespace inkvista {

bool PlaceLaunchBook(Device& device, const std::filesystem::path& book, BookKind kind,
                     LaunchBook* placed, std::string* error) {
    placed->fileName = DeviceName(book.filename().native());
    placed->kind = kind;
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
    BookKind kind = BookKind::Cmb;
    return TakeLaunchBook(arg, &checked, &kind, refusal) &&
           PlaceLaunchBook(device, checked, kind, placed, refusal);
}

}  // namespace inkvista
