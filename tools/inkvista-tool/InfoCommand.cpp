// inkvista-tool info BOOK: the book's header and page records as JSON, read
// through the reader's own OpenBook so that a book the reader refuses is
// refused here with the same message.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "ToolDevice.h"
#include "book/BookInfo.h"

namespace inkvista::tool {
namespace {

const char kInfoHelp[] =
    "usage: inkvista-tool info BOOK\n"
    "\n"
    "Prints one JSON object describing BOOK (a .cmb or .cxb file):\n"
    "  kind                          \"cmb\" or \"cxb\", from the file name's extension\n"
    "  pageCount                     the header's page count\n"
    "  title, chapter, author,\n"
    "  publisher                     header texts as UTF-8 (system code page), \"\" when unset\n"
    "  pages                         per page: offset, record (\"CX\" or \"XC\"), width,\n"
    "                                height, encoding (\"grey\", \"colour\" or\n"
    "                                \"unsupported\") and complete (true when the reader\n"
    "                                shows the page and all of it comes from its data,\n"
    "                                false for a page it refuses or shows damaged); a\n"
    "                                record that cannot be read or has a bad magic gives\n"
    "                                null record, width and height; past 4 GiB of decoded\n"
    "                                page pixels, pages are not decoded and have\n"
    "                                \"unchecked\": true instead of complete\n"
    "\n"
    "A book the reader would refuse exits with status 1 and the reader's message\n"
    "(\"File Open Failed\", \"Unsupported File Format\") on stderr.\n";

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kInfoHelp, stdout);
            return 0;
        }
    }
    if (args.size() != 1 || args[0].empty()) {
        std::fputs(kInfoHelp, stderr);
        return 2;
    }

    ToolBook book;
    std::string error;
    if (!book.Locate(args[0], &error)) {
        std::fprintf(stderr, "inkvista-tool info: %s\n", error.c_str());
        return 1;
    }
    BookInfo info;
    const OpenBookError failed = ReadBookInfo(book.files(), book.folders(), book.fileName(),
                                              ToolBook::kSlot, book.kind(), info);
    if (failed != OpenBookError::None) {
        book.messages().Show(OpenBookMessage(failed), MB_OK);
        return 1;
    }
    const std::string json = BookInfoJson(info);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace inkvista::tool
