#include "ToolDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "book/BookInfo.h"
#include "platform/HostNames.h"
#include "platform/Text.h"

namespace inkvista::tool {
namespace {

// No folder can ever exist below a device file.
const char kNowhere[] = "/dev/null/inkvista-tool";

// The reader says no more than "File Open Failed"; the tool names the
// reason first.
bool CheckReadable(const std::string& path, std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    if (!regular)
        *error =
            path + ": " + (S_ISDIR(st.st_mode) ? "is a folder, not a book" : "not a regular file");
    return regular;
}

}  // namespace

int StderrMessageBoxes::Show(std::u16string_view text, uint32_t) {
    ++shown_;
    EndLine();
    std::fprintf(stderr, "%s\n", Utf16ToUtf8(text).c_str());
    return IDOK;
}

void StderrMessageBoxes::EndLine() {
    if (lineOpen_) std::fputc('\n', stderr);
    lineOpen_ = false;
}

bool ToolBook::Open(BookState& state) {
    const OpenBookError error =
        OpenBook(files(), state, folders_, fileName_, kSlot, kind_, TextConversion::System);
    if (const char16_t* message = OpenBookMessage(error)) messages_.Show(message, MB_OK);
    return error == OpenBookError::None;
}

bool ToolBook::Locate(const std::string& path, std::string* error, std::optional<BookKind> kind) {
    std::error_code ec;
    const std::filesystem::path book = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec || !book.has_filename()) {
        *error = path + ": not a book file";
        return false;
    }
    fileName_ = DeviceName(book.filename().native());
    if (!kind) kind = BookKindFromName(fileName_);
    if (!kind) {
        *error = path + " is not a .cmb or .cxb book";
        return false;
    }
    kind_ = *kind;
    if (!CheckReadable(path, error)) return false;

    DeviceOptions options;
    options.root = kNowhere;
    options.registryFile = std::filesystem::path(kNowhere) / "registry.reg";
    options.cards.emplace_back(u"Book", book.parent_path());
    device_ = std::make_unique<Device>(options, messages_, clock_);
    folders_.userDir = u"\\Book";
    return true;
}

}  // namespace inkvista::tool
