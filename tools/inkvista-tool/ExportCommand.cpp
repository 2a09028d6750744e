// inkvista-tool export: pages as the reader shows them, written as images.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "ToolDevice.h"
#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "bookwriter/ImageFiles.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool export BOOK PAGE OUT [options]\n"
    "       inkvista-tool export BOOK --all DIR [options]\n"
    "\n"
    "Decodes page PAGE (counted from 0) of BOOK as the reader shows it, turned\n"
    "and fitted, and writes exactly the displayed pixels to OUT: .pgm (P5),\n"
    ".ppm (P6, RGB) or .png, by OUT's extension. Grey pages are 8-bit grey;\n"
    "colour pages are RGB. With --all every page is written as DIR/001.png,\n"
    "DIR/002.png, ... (DIR is created when missing).\n"
    "\n"
    "Options:\n"
    "  --portrait    the page as stored (the default)\n"
    "  --landscape   the page turned a quarter turn, as on a device held sideways\n"
    "  --fit         fitted to the 240 x 320 screen, as \"Fit to Window\" does\n"
    "\n"
    "A page the reader cannot show exits with status 1 and the reader's message\n"
    "on stderr.\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool export: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool export: %s\n\n%s", message.c_str(), kHelp);
    return 2;
}

// Decodes page `index` and writes it. The reader's own message has already
// gone to stderr when it had one; otherwise the one it shows when a book
// cannot be read is given.
bool ExportPage(ToolBook& book, const BookState& state, int32_t index, const ViewOption& view,
                const std::string& out, bookwriter::ImageFormat format) {
    PageImage page;
    page.currentPage = index;
    const int before = book.messages().shown();
    if (!LoadPage(book.device(), state, page, view)) {
        book.messages().EndLine();
        if (book.messages().shown() == before) std::fputs("File Open Failed\n", stderr);
        return false;
    }
    bookwriter::RasterImage raster;
    if (!bookwriter::RenderPage(page, view.portrait != 0, &raster)) {
        book.messages().EndLine();
        Fail("page " + std::to_string(index) + " could not be rendered");
        return false;
    }
    std::string error;
    if (!bookwriter::WriteRaster(out, format, raster, &error)) {
        book.messages().EndLine();
        Fail(error);
        return false;
    }
    return true;
}

}  // namespace

int RunExport(const std::vector<std::string>& args) {
    ViewOption view;
    view.portrait = 1;
    view.fitToWindow = 0;
    bool all = false;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--portrait") {
            view.portrait = 1;
        } else if (a == "--landscape") {
            view.portrait = 0;
        } else if (a == "--fit") {
            view.fitToWindow = 1;
        } else if (a == "--all") {
            all = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != (all ? 2u : 3u))
        return Usage(all ? "--all needs BOOK and DIR" : "needs BOOK, PAGE and OUT");

    int32_t index = 0;
    bookwriter::ImageFormat format = bookwriter::ImageFormat::Png;
    if (!all) {
        const std::string& text = rest[1];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
        if (ec != std::errc() || end != text.data() + text.size() || index < 0)
            return Usage("PAGE must be a page number from 0, not '" + text + "'");
        format = bookwriter::FormatOf(rest[2]);
        if (format == bookwriter::ImageFormat::Unknown)
            return Usage(rest[2] + ": OUT must end in .pgm, .ppm or .png");
    }

    ToolBook book;
    std::string error;
    if (!book.Locate(rest[0], &error)) return Fail(error);
    BookState state;
    if (!OpenBook(book.device(), state, book.folders(), book.fileName(), ToolBook::kSlot,
                  book.kind(), TextConversion::System))
        return 1;

    if (!all) {
        if (index >= state.pageCount)
            return Fail("page " + rest[1] + " is not in the book; its pages are 0 to " +
                        std::to_string(state.pageCount - 1));
        return ExportPage(book, state, index, view, rest[2], format) ? 0 : 1;
    }

    const std::filesystem::path dir = rest[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return Fail(rest[1] + ": " + ec.message());
    const bool progress = isatty(STDERR_FILENO) != 0;
    const int digits = std::max<int>(3, static_cast<int>(std::to_string(state.pageCount).size()));
    for (int32_t i = 0; i < state.pageCount; ++i) {
        if (progress) {
            std::fprintf(stderr, "\rpage %d of %d", i + 1, state.pageCount);
            book.messages().SetLineOpen(true);
        }
        std::string name = std::to_string(i + 1);
        name.insert(0, static_cast<size_t>(std::max(0, digits - static_cast<int>(name.size()))),
                    '0');
        name += ".png";
        if (!ExportPage(book, state, i, view, (dir / name).string(), bookwriter::ImageFormat::Png))
            return Fail("stopped at page " + std::to_string(i));
    }
    if (progress)
        std::fprintf(stderr, "\r%d pages written to %s\n", state.pageCount, rest[1].c_str());
    return 0;
}

}  // namespace inkvista::tool
