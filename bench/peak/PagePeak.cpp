// Reads pages of a book as the reader does, one after another into the same
// page image, and nothing else: no window, no picture writer. Its peak
// resident set, measured by scripts/peak-memory, is what reading those pages
// costs.
//
//   inkvista_page_peak BOOK [--portrait | --landscape] [--fit | --no-fit] PAGE...
//
// The view options hold for the pages after them (portrait, not fitted at
// first), so that one run can turn the view between pages as a reader does.
// Prints one line per page: the message LoadPage would show, or the size of
// the page image and whether the page was damaged. Exits 1 on a usage error
// or a book that does not open.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "platform/HeapTuning.h"
#include "platform/Text.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: inkvista_page_peak BOOK [--portrait | --landscape] [--fit | --no-fit] "
                 "PAGE...\n");
    return 1;
}

// The book, seen through a symbolic link, as a book of the user folder.
bool Open(TestDevice& test, const std::filesystem::path& book, BookState& state) {
    const std::filesystem::path folder = test.root() / "books";
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    std::filesystem::create_symlink(std::filesystem::absolute(book), folder / book.filename(), ec);
    const std::u16string name = Utf8ToUtf16(book.filename().string());
    const auto kind = BookKindFromName(name);
    BookFolders folders;
    folders.userDir = u"\\books";
    return !ec && kind &&
           OpenBook(test.device().files(), state, folders, name, FolderSlot::User, *kind,
                    TextConversion::System) == OpenBookError::None;
}

}  // namespace
}  // namespace inkvista

int main(int argc, char** argv) {
    using namespace inkvista;
    if (argc < 2) return Usage();
    // The heap as the reader and the tool keep it: the bounds must hold there.
    KeepFreedPageMemory();
    TestDevice test;
    BookState book;
    if (!Open(test, argv[1], book)) {
        std::fprintf(stderr, "%s: the book does not open\n", argv[1]);
        return 1;
    }
    PageView view;
    view.portrait = 1;
    view.fitToWindow = 0;
    PageImage page;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--portrait" || arg == "--landscape") {
            view.portrait = arg == "--portrait";
            continue;
        }
        if (arg == "--fit" || arg == "--no-fit") {
            view.fitToWindow = arg == "--fit";
            continue;
        }
        if (arg.empty() || arg.find_first_not_of("0123456789") != std::string::npos) return Usage();
        const int32_t index = std::atoi(arg.c_str());
        const PageLoad load = ReadPage(test.device().files(), book, index, page, view);
        std::printf("page %d: ", index);
        if (const char16_t* message = PageErrorMessage(load.error))
            std::printf("%s\n", Utf16ToUtf8(message).c_str());
        else if (load.error != PageError::None)
            std::printf("not loaded\n");
        else
            std::printf("%dx%d%s%s\n", page.viewWidth, page.viewHeight,
                        page.trueColour() ? ", 24-bit" : "",
                        load.damage == PageDamage::None ? "" : ", damaged");
    }
    return 0;
}
