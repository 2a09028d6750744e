// Writes the fuzz targets' seed corpus, every book made by the project's own
// encoder and book writer: pages of every record kind ("CX" grey, "XC" grey,
// "XC" colour), both book kinds, an empty book, Korean header texts, and a
// damaged page or two. With Qt, pictures in the formats pack reads and comic
// archives of them. Usage: fuzz_seeds CORPUS_DIR (each target's seeds go to
// CORPUS_DIR/<target>/).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "book/BookFormat.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "platform/ByteOrder.h"
#include "settings/OptionFile.h"

#ifdef INKVISTA_SEEDS_QT
#include <archive.h>
#include <archive_entry.h>

#include <QBuffer>
#include <QImage>
#endif

namespace {

using namespace inkvista;
using namespace inkvista::encode;
using Bytes = std::vector<uint8_t>;

std::filesystem::path gOut;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::filesystem::path dir = gOut / target;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A first byte that steers the target, then text as UTF-16LE units.
Bytes Utf16Input(uint8_t first, std::u16string_view text) {
    Bytes out = {first};
    for (char16_t c : text) out.insert(out.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    return out;
}

// A picture with tones, edges and flat areas.
std::vector<uint8_t> Picture(uint32_t width, uint32_t height, uint8_t levels) {
    std::vector<uint8_t> pixels(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            pixels[size_t{y} * width + x] =
                static_cast<uint8_t>(((x / 5 + y / 3) ^ (x * y / 7)) % levels);
    return pixels;
}

PagePlan Grey(uint32_t width, uint32_t height, const std::string& record) {
    std::vector<uint8_t> grey = Picture(width, height, 8);
    for (uint8_t& v : grey) v = static_cast<uint8_t>(v * 36);
    if (!RestrictGreyForRuns(grey.data(), width, height, width)) std::abort();
    auto page = GreyPage(grey.data(), width, height, width, record);
    if (!page) std::abort();
    return *page;
}

PagePlan Colour(uint32_t width, uint32_t height) {
    const std::vector<uint8_t> indices = Picture(width, height, 32);
    std::vector<uint8_t> palette;
    for (int i = 0; i < 32; ++i)
        palette.insert(palette.end(), {uint8_t(i * 8), uint8_t(255 - i * 8), uint8_t(i * 5)});
    auto page = ColourPage(indices.data(), width, height, width, palette);
    if (!page) std::abort();
    return *page;
}

Bytes PageBytes(const PagePlan& page) {
    return Cat({BuildPageRecord(page), page.packed});
}

// fuzz_load_page: flags, the second record's offset, then the records.
void LoadPageSeeds(const std::vector<std::pair<std::string, std::vector<PagePlan>>>& pairs) {
    for (const auto& [name, pages] : pairs) {
        const Bytes first = PageBytes(pages[0]), second = PageBytes(pages[1]);
        for (uint8_t flags : {0x00, 0x1F, 0x0A}) {
            Bytes input = {flags, 0, 0};
            StoreBE16(input.data() + 1, static_cast<uint16_t>(first.size()));
            Put("fuzz_load_page", name + "-" + std::to_string(flags), Cat({input, first, second}));
        }
    }
}

void BookSeeds() {
    BookPlan cmb;
    cmb.title = "Seed";
    cmb.pages = {Grey(40, 30, "CX"), Grey(300, 24, "XC"), Colour(24, 350)};
    BookPlan cxb = cmb;
    cxb.kind = BookKind::Cxb;
    cxb.variant = 4;
    cxb.extentLimit = 320;
    // Korean texts: two Hangul syllables, a symbol pair, a Hangul lead before 0xFF.
    cxb.title = "\xB0\xA1\xC8\xFE";
    cxb.chapter = "\xA1\xA2 1";
    cxb.author = "\xB0\x41\xB0\xFF";
    cxb.publisher = "Quillmark";
    BookPlan empty;
    empty.title = "";
    BookPlan damaged = cmb;
    damaged.pages[0].packed.resize(damaged.pages[0].packed.size() / 2);
    damaged.pages[1].record = "XX";
    damaged.pages[2].packed.resize(20);

    const std::vector<std::pair<std::string, BookPlan>> books = {
        {"cmb", cmb}, {"cxb", cxb}, {"empty", empty}, {"damaged", damaged}};
    for (const auto& [name, plan] : books) {
        const Bytes book = BuildBook(plan);
        const uint8_t kind = plan.kind == BookKind::Cxb ? 1 : 0;
        Put("fuzz_open_book", name, Cat({{kind}, book}));
        Put("fuzz_open_book", name + "-korean", Cat({{uint8_t(kind | 2)}, book}));
        Put("fuzz_book_info", name, Cat({{kind}, book}));
    }
}

void HeaderTextSeeds() {
    Put("fuzz_header_text", "hangul", Cat({{31}, Bytes{0xB0, 0xA1, 0xC8, 0xFE, 'A', 0, 'B'}}));
    const std::string utf8 = "\xED\x95\x9C\xEA\xB8\x80 Title";  // "한글 Title"
    Put("fuzz_header_text", "utf8", Cat({{0}, Bytes{0}, Bytes(utf8.begin(), utf8.end())}));
    Put("fuzz_header_text", "symbols",
        Cat({{19}, Bytes{0xA1, 0xA2, 0xB0, 0x41, 0xB0, 0xFF, 0x80, 0xFF}}));
}

void DecoderSeeds() {
    const PagePlan grey = Grey(37, 11, "CX");
    Bytes g = {0, 37, 0, 11, static_cast<uint8_t>(grey.palette.size())};
    Put("fuzz_grey_runs", "page", Cat({g, grey.palette, grey.packed}));
    const PagePlan colour = Colour(29, 13);
    Put("fuzz_colour_rows", "page", Cat({Bytes{0, 29, 13, 1}, colour.packed}));
    Put("fuzz_colour_rows", "landscape", Cat({Bytes{0, 29, 13, 0}, colour.packed}));
    Put("fuzz_resample", "shrink",
        Cat({Bytes{1, 44, 0, 120, 0, 240, 0, 64}, Picture(64, 32, 255)}));
    Put("fuzz_resample", "enlarge",
        Cat({Bytes{0, 30, 0, 20, 0, 240, 0, 160}, Picture(30, 20, 255)}));
}

void OptionFileSeeds() {
    const auto defaults = OptionDataBytes(ViewOption{}, KeyMap{});
    Put("fuzz_option_file", "defaults", Bytes(defaults.begin(), defaults.end()));
    ViewOption view;
    view.portrait = 0;
    view.fitToWindow = 1;
    KeyMap keys;
    keys.entries.fill(11);
    const auto changed = OptionDataBytes(view, keys);
    Put("fuzz_option_file", "changed", Bytes(changed.begin(), changed.end()));
    Put("fuzz_option_file", "short", Bytes(changed.begin(), changed.begin() + 21));
}

// Bookmark files as the program writes them and as damaged cards give them:
// the first byte is the size of the pieces the file arrives in.
void BookmarkSeeds() {
    Put("fuzz_bookmarks", "written",
        Utf16Input(63, u"One.cmb\t0\nTwo.cxb\t17\n\uD55C\uAE00.cmb\t3\n"));
    Put("fuzz_bookmarks", "odd-pieces",
        Utf16Input(2, u"A.cmb\t-1\nB.cmb\t2147483647\nC.cmb\t 5x\n"));
    Put("fuzz_bookmarks", "damaged",
        Utf16Input(0, u"no tab\nD.cmb\t\nE.cmb\t99999999999\r\nF.cmb\t+4\nunterminated\t1"));
    Bytes overlong = Utf16Input(255, std::u16string(1500, u'x') + u"\t1\nG.cmb\t8\n");
    overlong.push_back(0x41);  // an odd last byte
    Put("fuzz_bookmarks", "overlong", overlong);
}

void PathSeeds() {
    Put("fuzz_paths", "wildcard", Utf16Input(12, u"\\Books\\*.cmbOne.cmb"));
    Put("fuzz_paths", "card", Utf16Input(26, u"\\Storage Card\\InkVISTA\\*.*Book.cxb"));
    Put("fuzz_paths", "climb", Utf16Input(22, u"\\..\\..\\..\\outside.txt"));
    Put("fuzz_paths", "case", Utf16Input(15, u"/BOOKS/sub/ONE?.c*b"));
}

#ifdef INKVISTA_SEEDS_QT
QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) std::abort();
    return bytes;
}

QImage SeedImage(int width, int height, QImage::Format format) {
    const std::vector<uint8_t> grey = Picture(uint32_t(width), uint32_t(height), 255);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = grey[size_t(y) * size_t(width) + size_t(x)];
            image.setPixel(x, y, qRgb(v, 255 - v, (x * 9) & 255));
        }
    return image.convertToFormat(format);
}

void PictureSeeds() {
    const QImage rgb = SeedImage(24, 18, QImage::Format_RGB32);
    const QImage grey = SeedImage(17, 9, QImage::Format_Grayscale8);
    const QImage indexed = SeedImage(12, 12, QImage::Format_Indexed8);
    const QImage alpha = SeedImage(10, 7, QImage::Format_ARGB32);
    const std::vector<std::pair<std::string, QByteArray>> pictures = {
        {"rgb.png", Encoded(rgb, "PNG")},         {"grey.png", Encoded(grey, "PNG")},
        {"indexed.png", Encoded(indexed, "PNG")}, {"alpha.png", Encoded(alpha, "PNG")},
        {"rgb.jpg", Encoded(rgb, "JPEG")},        {"grey.bmp", Encoded(grey, "BMP")},
        {"rgb.ppm", Encoded(rgb, "PPM")},         {"grey.pgm", Encoded(grey, "PGM")}};
    uint8_t flags = 0;
    for (const auto& [name, data] : pictures)
        Put("fuzz_picture", name, Cat({{flags++}, Bytes(data.begin(), data.end())}));

    // Archives: pages out of order, a folder, a hidden entry, one that climbs out.
    const std::vector<std::pair<std::string, QByteArray>> entries = {
        {"p10.png", pictures[0].second},
        {"ch1/p2.jpg", pictures[4].second},
        {".hidden.png", pictures[1].second},
        {"../escape.png", pictures[2].second},
        {"notes.txt", "not a picture"}};
    const std::vector<std::pair<std::string, int>> formats = {
        {"zip", ARCHIVE_FORMAT_ZIP},
        {"tar", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED},
        {"7z", ARCHIVE_FORMAT_7ZIP}};
    for (const auto& [name, format] : formats) {
        std::vector<char> out(1 << 20);
        size_t used = 0;
        archive* a = archive_write_new();
        archive_write_set_format(a, format);
        if (archive_write_open_memory(a, out.data(), out.size(), &used) != ARCHIVE_OK) std::abort();
        for (const auto& [entryName, data] : entries) {
            archive_entry* e = archive_entry_new();
            archive_entry_set_pathname(e, entryName.c_str());
            archive_entry_set_size(e, data.size());
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_perm(e, 0644);
            archive_write_header(a, e);
            archive_write_data(a, data.constData(), static_cast<size_t>(data.size()));
            archive_entry_free(e);
        }
        archive_write_close(a);
        archive_write_free(a);
        for (uint8_t flag : {0, 1})
            Put("fuzz_archive", name + "-" + std::to_string(flag),
                Cat({{flag}, Bytes(out.begin(), out.begin() + long(used))}));
    }
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: fuzz_seeds CORPUS_DIR\n", stderr);
        return 2;
    }
    gOut = argv[1];
    LoadPageSeeds({{"cx-xc", {Grey(40, 30, "CX"), Grey(300, 24, "XC")}},
                   {"colour-grey", {Colour(24, 350), Grey(16, 16, "CX")}},
                   {"grey-colour", {Grey(240, 320, "XC"), Colour(64, 48)}}});
    BookSeeds();
    HeaderTextSeeds();
    DecoderSeeds();
    PathSeeds();
    OptionFileSeeds();
    BookmarkSeeds();
#ifdef INKVISTA_SEEDS_QT
    PictureSeeds();
#endif
    return 0;
}
