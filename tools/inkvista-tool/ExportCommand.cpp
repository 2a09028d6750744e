// inkvista-tool export: pages as the reader shows them, written as images.
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageWriter>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExportSize.h"
#include "ToolDevice.h"
#include "book/BookInfo.h"
#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "bookwriter/ComicArchive.h"
#include "bookwriter/ComicInfo.h"
#include "bookwriter/ImageFiles.h"
#include "platform/Text.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool export BOOK PAGE OUT [options]\n"
    "       inkvista-tool export BOOK --all DIR [options] [--max-output SIZE]\n"
    "       inkvista-tool export BOOK OUT.cbz [options] [--max-output SIZE]\n"
    "\n"
    "Decodes page PAGE (counted from 0) of BOOK as the reader shows it, turned\n"
    "and fitted, and writes exactly the displayed pixels to OUT: .pgm (P5),\n"
    ".ppm (P6, RGB) or .png, by OUT's extension. Grey pages are 8-bit grey;\n"
    "colour pages are colour. With --all every page is written as DIR/001.png,\n"
    "DIR/002.png, ... (DIR is created when missing). Every file is written\n"
    "whole or not at all; a file already there is replaced only by a complete one.\n"
    "OUT.cbz is the whole book as a comic archive, the way other readers take\n"
    "it: 001.png, 002.png, ... and a ComicInfo.xml with the header texts.\n"
    "\n"
    "Options:\n"
    "  --portrait         the page as stored (the default)\n"
    "  --landscape        the page turned a quarter turn, as on a device held\n"
    "                     sideways\n"
    "  --fit              fitted to the 240 x 320 screen, as \"Fit to Window\" does\n"
    "  --max-output SIZE  with --all or a .cbz: refuse, before writing anything, a\n"
    "                     book whose pictures could take more than SIZE (such as\n"
    "                     512M or 10G; default 4G)\n"
    "\n"
    "A page the reader cannot show exits with status 1 and the reader's message\n"
    "on stderr. A damaged page (its data ends early, or a run passes the end of\n"
    "its row) is written as the reader shows it, as far as it decodes, with a\n"
    "warning naming the page; the status is then 1 too.\n";

constexpr uint64_t kDefaultMaxOutput = uint64_t{4} << 30;

int Fail(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool export: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool export: %s\n\n%s", message.c_str(), kHelp);
    return 2;
}

struct ExportArgs {
    PageView view;
    bool all = false, cbz = false, portrait = false, landscape = false;
    uint64_t maxOutput = kDefaultMaxOutput;
    bool maxOutputGiven = false;
    std::vector<std::string> rest;
};

enum class Exported { Whole, Damaged, Failed };

const char* DamageText(PageDamage damage) {
    return damage == PageDamage::DataEnded ? "its data ends before the page does"
                                           : "a run passes the end of its row";
}

// Decodes page `index` and writes it. A page the reader cannot show gives the
// reader's message, or the one it shows when a book cannot be read. A damaged
// page is written as the reader shows it, and named (`label`) in a warning.
Exported ExportPage(ToolBook& book, const BookState& state, int32_t index, const PageView& view,
                    const std::string& out, bookwriter::ImageFormat format,
                    const std::string& label) {
    PageImage page;
    const PageLoad load = ReadPage(book.files(), state, index, page, view);
    if (load.error != PageError::None) {
        const char16_t* message = PageErrorMessage(load.error);
        book.messages().EndLine();
        std::fprintf(stderr, "%s\n", Utf16ToUtf8(message ? message : u"File Open Failed").c_str());
        return Exported::Failed;
    }
    std::string error;
    if (!bookwriter::WritePageImage(out, format, bookwriter::PageViewToWrite(page), &error)) {
        book.messages().EndLine();
        Fail(error);
        return Exported::Failed;
    }
    if (load.damage == PageDamage::None) return Exported::Whole;
    book.messages().EndLine();
    Fail("warning: " + label + " is damaged: " + DamageText(load.damage) +
         "; written as far as it decodes");
    return Exported::Damaged;
}

// Creates `dir` and the folders above it that are missing; `created` gets
// the ones made, outermost first.
bool MakeFolders(const std::filesystem::path& dir, std::vector<std::filesystem::path>* created,
                 std::string* error) {
    std::vector<std::filesystem::path> missing;
    std::error_code ec;
    for (std::filesystem::path p = std::filesystem::absolute(dir, ec).lexically_normal();
         !p.empty() && !std::filesystem::exists(p, ec); p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path()) break;
    }
    for (const std::filesystem::path& p : missing) {
        if (!std::filesystem::create_directory(p, ec) || ec) {
            *error = dir.string() + ": " + ec.message();
            return false;
        }
        created->push_back(p);
    }
    if (!std::filesystem::is_directory(dir, ec)) {
        *error = dir.string() + ": not a folder";
        return false;
    }
    return true;
}

// Removes the folders MakeFolders made, innermost first, as long as they
// are empty.
void RemoveFolders(const std::vector<std::filesystem::path>& created) {
    std::error_code ec;
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        if (!std::filesystem::remove(*it, ec)) break;
}

std::string PageFileName(int32_t index, int32_t pageCount) {
    const int digits = std::max<int>(3, static_cast<int>(std::to_string(pageCount).size()));
    std::string name = std::to_string(index + 1);
    name.insert(0, static_cast<size_t>(std::max(0, digits - static_cast<int>(name.size()))), '0');
    return name + ".png";
}

// Whether the book's pictures stay within --max-output, by the bound the page
// records give before anything is written.
bool WithinMaxOutput(ToolBook& book, const BookState& state, const ExportArgs& a,
                     std::string* refused) {
    const uint64_t most = MostExportBytes(book, state, a.view, bookwriter::ImageFormat::Png);
    if (most <= a.maxOutput) return true;
    *refused = "the " + std::to_string(state.pageCount) + " pages could take up to " +
               ByteSizeText(most) + ", more than --max-output allows (" +
               ByteSizeText(a.maxOutput) + "); nothing was written";
    return false;
}

int ExportAll(ToolBook& book, const BookState& state, const ExportArgs& a) {
    const std::string& dirName = a.rest[1];
    if (std::string refused; !WithinMaxOutput(book, state, a, &refused)) return Fail(refused);
    std::vector<std::filesystem::path> created;
    std::string error;
    if (!MakeFolders(dirName, &created, &error)) {
        RemoveFolders(created);
        return Fail(error);
    }
    const std::filesystem::path dir = dirName;
    const bool progress = isatty(STDERR_FILENO) != 0;
    bool damaged = false;
    for (int32_t i = 0; i < state.pageCount; ++i) {
        const std::string name = PageFileName(i, state.pageCount);
        if (progress) {
            std::fprintf(stderr, "\rpage %d of %d", i + 1, state.pageCount);
            book.messages().SetLineOpen(true);
        }
        const std::string label = "page " + std::to_string(i + 1) + " (" + name + ")";
        const Exported exported = ExportPage(book, state, i, a.view, (dir / name).string(),
                                             bookwriter::ImageFormat::Png, label);
        if (exported == Exported::Failed) {
            if (i == 0) RemoveFolders(created);
            return Fail("stopped at " + label);
        }
        damaged = damaged || exported == Exported::Damaged;
    }
    if (progress)
        std::fprintf(stderr, "\r%d pages written to %s\n", state.pageCount, dirName.c_str());
    return damaged ? 1 : 0;
}

bool IsCbzName(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".cbz";
}

// A page as a PNG in memory; a grey page written grey, whatever record holds
// it.
bool PagePng(const PageImage& page, QByteArray* png) {
    const QImage view = bookwriter::PageViewToWrite(page);
    if (view.isNull()) return false;
    png->clear();
    QBuffer buffer(png);
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, "png").write(view);
}

bookwriter::HeaderTexts TextsOf(ToolBook& book) {
    BookInfo info;
    bookwriter::HeaderTexts texts;
    if (ReadBookInfo(book.files(), book.folders(), book.fileName(), ToolBook::kSlot, book.kind(),
                     info, 0) != OpenBookError::None)
        return texts;
    texts.title = Utf16ToUtf8(info.title);
    texts.chapter = Utf16ToUtf8(info.chapter);
    texts.author = Utf16ToUtf8(info.author);
    texts.publisher = Utf16ToUtf8(info.publisher);
    return texts;
}

// The whole book as a CBZ. A page the reader cannot show stops it, and
// nothing is written; a damaged one goes in as the reader shows it, with a
// warning.
int ExportCbz(ToolBook& book, const BookState& state, const ExportArgs& a) {
    const std::string& out = a.rest[1];
    if (std::string refused; !WithinMaxOutput(book, state, a, &refused)) return Fail(refused);
    // The entries take the book's own time, so the same book gives the same
    // archive.
    struct stat st {};
    const std::time_t when = stat(a.rest[0].c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
    bookwriter::CbzWriter cbz;
    std::string error;
    if (!cbz.Begin(out, when, &error)) return Fail(error);
    const bool progress = isatty(STDERR_FILENO) != 0;
    bool damaged = false;
    for (int32_t i = 0; i < state.pageCount; ++i) {
        const std::string name = PageFileName(i, state.pageCount);
        const std::string label = "page " + std::to_string(i + 1) + " (" + name + ")";
        if (progress) {
            std::fprintf(stderr, "\rpage %d of %d", i + 1, state.pageCount);
            book.messages().SetLineOpen(true);
        }
        PageImage page;
        const PageLoad load = ReadPage(book.files(), state, i, page, a.view);
        if (load.error != PageError::None) {
            const char16_t* message = PageErrorMessage(load.error);
            book.messages().EndLine();
            std::fprintf(stderr, "%s\n",
                         Utf16ToUtf8(message ? message : u"File Open Failed").c_str());
            return Fail("stopped at " + label + "; nothing was written");
        }
        QByteArray png;
        if (!PagePng(page, &png)) return Fail(label + ": the page could not be encoded");
        if (!cbz.Add(name, png, &error)) return Fail(error);
        if (load.damage != PageDamage::None) {
            book.messages().EndLine();
            Fail("warning: " + label + " is damaged: " + DamageText(load.damage) +
                 "; written as far as it decodes");
            damaged = true;
        }
    }
    if (!cbz.Add(bookwriter::kComicInfoName,
                 bookwriter::WriteComicInfo(TextsOf(book), state.pageCount), &error) ||
        !cbz.Finish(&error))
        return Fail(error);
    book.messages().EndLine();
    if (progress) std::fprintf(stderr, "%d pages written to %s\n", state.pageCount, out.c_str());
    return damaged ? 1 : 0;
}

// Parses the command line into `a`; answers 0 or the exit status.
int ParseArgs(const std::vector<std::string>& args, ExportArgs* a) {
    a->view.portrait = 1;
    a->view.fitToWindow = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--portrait") {
            a->portrait = true;
        } else if (arg == "--landscape") {
            a->landscape = true;
        } else if (arg == "--fit") {
            a->view.fitToWindow = 1;
        } else if (arg == "--all") {
            a->all = true;
        } else if (arg == "--max-output") {
            const std::optional<uint64_t> size =
                i + 1 < args.size() ? ParseByteSize(args[i + 1]) : std::nullopt;
            if (!size) return Usage("--max-output needs a size such as 512M or 4G");
            a->maxOutput = *size;
            a->maxOutputGiven = true;
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            a->rest.push_back(arg);
        }
    }
    if (a->portrait && a->landscape)
        return Usage("--portrait and --landscape contradict each other");
    a->view.portrait = a->landscape ? 0 : 1;
    a->cbz = !a->all && a->rest.size() == 2 && IsCbzName(a->rest[1]);
    if (a->maxOutputGiven && !a->all && !a->cbz)
        return Usage("--max-output goes with --all or a .cbz");
    if (!a->cbz && a->rest.size() != (a->all ? 2u : 3u))
        return Usage(a->all ? "--all needs BOOK and DIR" : "needs BOOK, PAGE and OUT (or OUT.cbz)");
    return 0;
}

}  // namespace

int RunExport(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    ExportArgs a;
    if (const int status = ParseArgs(args, &a)) return status;

    int32_t index = 0;
    bookwriter::ImageFormat format = bookwriter::ImageFormat::Png;
    if (!a.all && !a.cbz) {
        const std::string& text = a.rest[1];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
        if (ec != std::errc() || end != text.data() + text.size() || index < 0)
            return Usage("PAGE must be a page number from 0, not '" + text + "'");
        format = bookwriter::FormatOf(a.rest[2]);
        if (format == bookwriter::ImageFormat::Unknown)
            return Usage(a.rest[2] + ": OUT must end in .pgm, .ppm or .png");
    }

    ToolBook book;
    std::string error;
    if (!book.Locate(a.rest[0], &error)) return Fail(error);
    BookState state;
    if (!book.Open(state)) return 1;

    if (a.all) return ExportAll(book, state, a);
    if (a.cbz) return ExportCbz(book, state, a);
    if (index >= state.pageCount)
        return Fail("page " + a.rest[1] + " is not in the book; " +
                    (state.pageCount > 0
                         ? "its pages are 0 to " + std::to_string(state.pageCount - 1)
                         : std::string("it has no pages")));
    const std::string label = "page " + a.rest[1] + " (" + a.rest[2] + ")";
    const Exported exported = ExportPage(book, state, index, a.view, a.rest[2], format, label);
    return exported == Exported::Whole ? 0 : 1;
}

}  // namespace inkvista::tool
