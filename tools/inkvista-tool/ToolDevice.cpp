#include "ToolDevice.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "book/BookInfo.h"
#include "platform/Text.h"

namespace inkvista::tool {

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

bool ToolBook::Locate(const std::string& path, std::string* error) {
    std::error_code ec;
    const std::filesystem::path book = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec || !book.has_filename()) {
        *error = path + ": not a book file";
        return false;
    }
    fileName_ = Utf8ToUtf16(book.filename().string());
    const std::optional<BookKind> kind = BookKindFromName(fileName_);
    if (!kind) {
        *error = path + " is not a .cmb or .cxb book";
        return false;
    }
    kind_ = *kind;

    std::string temp = (std::filesystem::temp_directory_path(ec) / "inkvista-tool-XXXXXX").string();
    if (ec || mkdtemp(temp.data()) == nullptr) {
        *error = "cannot make a temporary folder: " + std::string(std::strerror(errno));
        return false;
    }
    root_ = temp;
    DeviceOptions options;
    options.root = root_;
    options.registryFile = root_ / "registry.reg";
    options.cards.emplace_back(u"Book", book.parent_path());
    device_ = std::make_unique<Device>(options, messages_, clock_);
    folders_.userDir = u"\\Book";
    return true;
}

ToolBook::~ToolBook() {
    device_.reset();
    if (!root_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
}

}  // namespace inkvista::tool
