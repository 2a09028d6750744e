// inkvista-tool thumbnail: a book's first page, small, for file managers.
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "ToolDevice.h"
#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "bookwriter/ImageFiles.h"
#include "bookwriter/Packer.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool thumbnail BOOK OUT.png [SIZE]\n"
    "\n"
    "Writes the first page of BOOK, as stored, fitted into SIZE x SIZE pixels\n"
    "(default 256, at most 4096) with its proportions kept, as a PNG. A page\n"
    "smaller than that keeps its size. A file whose name does not end in .cmb\n"
    "or .cxb is taken by its header's magic, as file managers may hand over a\n"
    "copy under another name.\n";

constexpr int kDefaultSize = 256;
constexpr int kLargestSize = 4096;

int Fail(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool thumbnail: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool thumbnail: %s\n\n%s", message.c_str(), kHelp);
    return 2;
}

// "CB" or "XB" at the start of the file.
std::optional<BookKind> KindByMagic(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    char magic[2] = {0, 0};
    const size_t n = std::fread(magic, 1, 2, f);
    std::fclose(f);
    if (n == 2 && magic[0] == 'C' && magic[1] == 'B') return BookKind::Cmb;
    if (n == 2 && magic[0] == 'X' && magic[1] == 'B') return BookKind::Cxb;
    return std::nullopt;
}

}  // namespace

int RunThumbnail(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a.size() > 1 && a[0] == '-') return Usage("unknown option '" + a + "'");
        rest.push_back(a);
    }
    if (rest.size() < 2 || rest.size() > 3) return Usage("needs BOOK and OUT.png");
    int size = kDefaultSize;
    if (rest.size() == 3) {
        const std::string& text = rest[2];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
        if (ec != std::errc() || end != text.data() + text.size() || size < 1 ||
            size > kLargestSize)
            return Usage("SIZE must be a number of pixels from 1 to 4096, not '" + text + "'");
    }
    if (bookwriter::FormatOf(rest[1]) != bookwriter::ImageFormat::Png)
        return Usage(rest[1] + ": OUT must end in .png");

    ToolBook book;
    std::string error;
    const std::optional<BookKind> byName = bookwriter::BookKindOf(rest[0]);
    if (!book.Locate(rest[0], &error, byName ? byName : KindByMagic(rest[0]))) return Fail(error);
    BookState state;
    if (!book.Open(state)) return 1;
    if (state.pageCount <= 0) return Fail(rest[0] + ": the book has no pages");

    PageImage page;
    PageView view;
    view.portrait = 1;
    view.fitToWindow = 0;
    const PageError failed = ReadPage(book.files(), state, 0, page, view).error;
    if (failed != PageError::None) {
        const char16_t* message = PageErrorMessage(failed);
        book.messages().Show(message ? message : u"File Open Failed", MB_OK);
        return 1;
    }
    QImage thumbnail = bookwriter::PageView(page);
    if (thumbnail.width() > size || thumbnail.height() > size) {
        const bool grey = thumbnail.format() == QImage::Format_Grayscale8;
        thumbnail = thumbnail.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    }
    if (!bookwriter::WritePageImage(rest[1], bookwriter::ImageFormat::Png, thumbnail, &error))
        return Fail(error);
    return 0;
}

}  // namespace inkvista::tool
