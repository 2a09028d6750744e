// inkvista-tool as a user runs it: exit status, files written, messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QBuffer>
#include <QImage>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "ToolTestSupport.h"
#include "bookwriter/ComicArchive.h"
#include "bookwriter/Packer.h"
#include "bookwriter/Quantise.h"
#include "encode/PageEncoder.h"

namespace inkvista {
namespace {

using testing::TestRng;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class ToolCommand : public testing::BookFolderTest {
  protected:
    ToolRun Tool(const std::vector<std::string>& args) {
        std::string cmd = Quote(INKVISTA_TOOL_PATH);
        for (const std::string& a : args) cmd += " " + Quote(a);
        const std::filesystem::path out = Dir() / "stdout.txt", err = Dir() / "stderr.txt";
        cmd += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        ToolRun r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }

    std::string Picture(const std::string& name, int w, int h, uint32_t seed) {
        TestRng rng(seed);
        QImage picture(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.setPixel(x, y,
                                 qRgb(static_cast<int>(rng.Below(256)), x * 3 & 255, y & 255));
        const std::string path = PathOf(name);
        EXPECT_TRUE(picture.save(QString::fromStdString(path)));
        return path;
    }
};

// A binary P5 or P6 file: width, height and the pixel bytes.
bool ReadNetpbm(const std::string& path, const char* magic, uint32_t* w, uint32_t* h,
                std::vector<uint8_t>* data) {
    std::ifstream f(path, std::ios::binary);
    std::string m;
    int max = 0;
    if (!(f >> m >> *w >> *h >> max) || m != magic || max != 255) return false;
    f.get();  // the one whitespace byte before the pixels
    data->assign(size_t{*w} * *h * (m == "P6" ? 3 : 1), 0);
    f.read(reinterpret_cast<char*>(data->data()), static_cast<std::streamsize>(data->size()));
    return f.gcount() == static_cast<std::streamsize>(data->size()) && f.peek() == EOF;
}

TEST_F(ToolCommand, PackThenExportGivesBackTheQuantisedPictures) {
    const std::string a = Picture("a.png", 7, 5, 1), b = Picture("b.png", 241, 3, 2);
    const std::string book = PathOf("Book.CMB");  // the extension in any case
    ToolRun r =
        Tool({"pack", book, a, b, "--original", "--title", "달빛 탐정", "--author", "Mara"});
    ASSERT_EQ(r.status, 0) << r.err;

    // Grey, portrait, as P5.
    r = Tool({"export", book, "1", PathOf("p1.pgm")});
    ASSERT_EQ(r.status, 0) << r.err;
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(ReadNetpbm(PathOf("p1.pgm"), "P5", &w, &h, &pixels));
    EXPECT_EQ(w, 241u);
    EXPECT_EQ(h, 3u);
    QImage picture(QString::fromStdString(b));
    EXPECT_EQ(pixels, bookwriter::QuantiseGreyPage(bookwriter::LumaOf(picture),
                                                   bookwriter::Dither::FloydSteinberg, "CX")
                          ->shown.grey);

    // The same page turned, as P6: every grey becomes three equal bytes.
    r = Tool({"export", book, "1", PathOf("p1.ppm"), "--landscape"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ReadNetpbm(PathOf("p1.ppm"), "P6", &w, &h, &rgb));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 241u);
    const std::vector<uint8_t> turned = testing::TurnLeft(pixels, 241, 3, 1);
    for (size_t i = 0; i < turned.size(); ++i) {
        ASSERT_EQ(rgb[3 * i], turned[i]);
        ASSERT_EQ(rgb[3 * i + 2], turned[i]);
    }

    // Colour pages, as PNG.
    const std::string colour = PathOf("colour.cxb");
    r = Tool({"pack", colour, a, "--colour", "--dither", "none", "--original"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"export", colour, "0", PathOf("c0.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage shown(QString::fromStdString(PathOf("c0.png")));
    ASSERT_EQ(shown.size(), QSize(7, 5));
    const bookwriter::IndexedPixels want =
        bookwriter::QuantiseColour(QImage(QString::fromStdString(a)), bookwriter::Dither::None);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const size_t i = want.indices[static_cast<size_t>(y * 7 + x)];
            EXPECT_EQ(shown.pixel(x, y),
                      qRgb(want.palette[3 * i], want.palette[3 * i + 1], want.palette[3 * i + 2]));
        }
    }
}

TEST_F(ToolCommand, ExportAllWritesNumberedPngs) {
    const std::string a = Picture("a.png", 30, 30, 1);
    const std::string book = PathOf("three.cxb");
    ASSERT_EQ(Tool({"pack", book, a, a, a, "--record", "XC"}).status, 0);
    const ToolRun r = Tool({"export", book, "--all", PathOf("pages"), "--fit"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"001.png", "002.png", "003.png"}) {
        const QImage page(QString::fromStdString((Dir() / "pages" / name).string()));
        EXPECT_EQ(page.size(), QSize(240, 240)) << name;  // a square page is enlarged
    }
    EXPECT_FALSE(std::filesystem::exists(Dir() / "pages" / "004.png"));
    EXPECT_TRUE(r.err.empty()) << r.err;  // no progress line when stderr is no terminal
}

TEST_F(ToolCommand, DamagedBooksFailWithTheReadersMessage) {
    // A page record with a bad magic.
    encode::BookPlan plan;
    const uint8_t codes[4] = {2, 3, 4, 5};
    plan.pages.push_back(*encode::GreyPageFromCodes(codes, 4, 1, 4, {0, 0, 0, 0, 0, 0, 0, 0}));
    plan.pages.push_back(plan.pages[0]);
    plan.pages[1].record = "ZZ";
    ASSERT_TRUE(encode::WriteFile(PathOf("bad.cmb"), encode::BuildBook(plan)));
    ToolRun r = Tool({"export", PathOf("bad.cmb"), "0", PathOf("ok.pgm")});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Tool({"export", PathOf("bad.cmb"), "1", PathOf("bad.pgm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unsupported File Format"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(PathOf("bad.pgm")));
    r = Tool({"export", PathOf("bad.cmb"), "--all", PathOf("all")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unsupported File Format"), std::string::npos) << r.err;

    // A colour page whose LZO block is cut short.
    std::vector<uint8_t> indices(64 * 64);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>((i * 7 / 5) & 31);
    encode::BookPlan colour;
    colour.kind = BookKind::Cxb;
    colour.pages.push_back(*encode::ColourPage(indices.data(), 64, 64, 64, {}));
    colour.pages[0].packed.resize(colour.pages[0].packed.size() / 2);
    ASSERT_TRUE(encode::WriteFile(PathOf("cut.cxb"), encode::BuildBook(colour)));
    r = Tool({"export", PathOf("cut.cxb"), "0", PathOf("cut.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Color Data Decoding Error"), std::string::npos) << r.err;

    // A .cmb file that is a .cxb book inside, and no file at all.
    ASSERT_TRUE(encode::WriteFile(PathOf("wrong.cmb"), encode::BuildBook(colour)));
    r = Tool({"export", PathOf("wrong.cmb"), "0", PathOf("w.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unsupported File Format"), std::string::npos) << r.err;
    // A missing book, and a folder given as one, are named with the reason.
    r = Tool({"export", PathOf("none.cmb"), "0", PathOf("n.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.cmb: No such file or directory"), std::string::npos) << r.err;
    std::filesystem::create_directory(PathOf("folder.cxb"));
    r = Tool({"info", PathOf("folder.cxb")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("folder.cxb: is a folder"), std::string::npos) << r.err;

    // A page the book does not have.
    r = Tool({"export", PathOf("bad.cmb"), "2", PathOf("x.pgm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not in the book"), std::string::npos) << r.err;
    // Nothing is left beside the books by the tool's device.
    EXPECT_FALSE(std::filesystem::exists(Dir() / "My Documents"));
}

TEST_F(ToolCommand, DamagedGreyPagesAreWrittenWithAWarningAndStatusOne) {
    // Three grey-run pages of six levels.
    TestRng rng(7);
    std::vector<uint8_t> grey(64 * 48);
    for (uint8_t& v : grey) v = static_cast<uint8_t>(40 * rng.Below(6));
    encode::BookPlan plan;
    for (int i = 0; i < 3; ++i) plan.pages.push_back(*encode::GreyPage(grey.data(), 64, 48, 64));
    const std::vector<uint8_t> bytes = encode::BuildBook(plan);
    const std::string whole = PathOf("whole.cmb");
    ASSERT_TRUE(encode::WriteFile(whole, bytes));
    // One byte short: the last page's data ends early.
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 1);
    ASSERT_TRUE(encode::WriteFile(PathOf("cut.cmb"), cut));

    ToolRun r = Tool({"export", whole, "--all", PathOf("whole")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = Tool({"export", PathOf("cut.cmb"), "1", PathOf("p1.png")});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Tool({"export", PathOf("cut.cmb"), "2", PathOf("p2.pgm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "inkvista-tool export: warning: page 2 (" + PathOf("p2.pgm") +
                         ") is damaged: its data ends before the page does; written as far as "
                         "it decodes\n");
    // The page is still written, as the reader shows it.
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> shown;
    EXPECT_TRUE(ReadNetpbm(PathOf("p2.pgm"), "P5", &w, &h, &shown));
    EXPECT_EQ(w, 64u);
    EXPECT_EQ(h, 48u);
    r = Tool({"export", PathOf("cut.cmb"), "--all", PathOf("cut"), "--landscape"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "inkvista-tool export: warning: page 3 (003.png) is damaged: its data ends before "
              "the page does; written as far as it decodes\n");
    EXPECT_TRUE(std::filesystem::exists(Dir() / "cut" / "003.png"));

    r = Tool({"info", PathOf("cut.cmb")});
    EXPECT_EQ(r.status, 0) << r.err;
    size_t complete = 0, incomplete = 0;
    for (size_t at = 0; (at = r.out.find("\"complete\": ", at)) != std::string::npos; ++at)
        (r.out.compare(at + 12, 4, "true") == 0 ? complete : incomplete) += 1;
    EXPECT_EQ(complete, 2u);
    EXPECT_EQ(incomplete, 1u);
    EXPECT_NE(r.out.find("\"complete\": false}\n  ]"), std::string::npos) << r.out;
}

TEST_F(ToolCommand, WrongUsageExitsWithStatusTwoAndWritesNothing) {
    const std::string a = Picture("a.png", 4, 4, 1);
    std::ofstream(PathOf("x.txt")) << "not a picture\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"pack", PathOf("t.cmb"), a, "--title", std::string(33, 'x')}, "title"},
        {{"pack", PathOf("t.cmb"), a, "--colour", "--record", "CX"}, "XC"},
        {{"pack", PathOf("t.cmb"), a, "--record", "ZZ"}, "ZZ"},
        {{"pack", PathOf("t.cmb"), a, "--grey", "--colour"}, "contradict"},
        {{"pack", PathOf("t.cmb"), PathOf("x.txt")}, "x.txt: not a picture"},
        {{"pack", PathOf("t.zip"), a}, ".cmb or .cxb"},
        {{"pack", PathOf("t.cmb")}, "at least one picture"},
        {{"pack", PathOf("t.cmb"), a, "--bogus"}, "--bogus"},
        {{"pack", PathOf("t.cmb"), a, "--dither", "foo"}, "foo"},
        {{"export", PathOf("t.cmb"), "x", PathOf("a.png")}, "PAGE"},
        {{"export", PathOf("t.cmb"), "0", PathOf("a.gif")}, ".pgm, .ppm or .png"},
        {{"export", PathOf("t.cmb"), "0", PathOf("a.png"), "--portrait", "--landscape"},
         "contradict"},
        {{"export", PathOf("t.cmb"), "--all", PathOf("d"), "--max-output", "lots"}, "size"},
        {{"export", PathOf("t.cmb"), "0", PathOf("a.png"), "--max-output", "1G"}, "--all"},
        {{"pack", PathOf("t.cmb"), a, "--width", "0"}, "--width"},
        {{"pack", PathOf("t.cmb"), a, "--size", "240"}, "--size"},
        {{"pack", PathOf("t.cmb"), a, "--jobs", "0"}, "--jobs"},
        {{"pack", PathOf("t.cmb"), a, "--spreads", "fold"}, "fold"},
        {{"pack", PathOf("t.cmb"), a, "--width", "300", "--original"}, "at most"},
        {{"pack", PathOf("t.cmb"), a, "--crop-limit", "60"}, "--crop-limit"},
        {{"pack", PathOf("t.cmb"), a, "--gamma", "0"}, "--gamma"},
        {{"pack", PathOf("t.cmb"), a, "--force"}, "--into"},
        {{"pack", "--into", PathOf("d"), "--title", std::string(33, 'x'), a}, "title"},
        {{"thumbnail", PathOf("t.cmb"), PathOf("t.png"), "0"}, "SIZE"},
        {{"thumbnail", PathOf("t.cmb"), PathOf("t.jpg")}, ".png"},
    };
    for (const auto& [args, says] : cases) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(r.status, 2) << args[1] << " " << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("t.cmb")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("d")));
}

TEST_F(ToolCommand, PackRefusesWhatItCannotReadAndLeavesNoBook) {
    ToolRun r = Tool({"pack", PathOf("t.cmb"), PathOf("no-such.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no-such.png: No such file or directory"), std::string::npos) << r.err;

    // A cut-off picture is refused, in the tool's words only.
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    for (const char* format : {"PNG", "JPEG"}) {
        const std::string whole = PathOf(std::string("whole.") + format);
        ASSERT_TRUE(picture.save(QString::fromStdString(whole), format));
        const std::string bytes = ReadText(whole);
        const std::string cut = PathOf(std::string("cut.") + format);
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
        r = Tool({"pack", PathOf("t.cmb"), whole, cut});
        EXPECT_EQ(r.status, 1) << format;
        EXPECT_EQ(r.err, "inkvista-tool pack: " + cut + ": the picture is damaged or cut short\n");
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("t.cmb")));
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

TEST_F(ToolCommand, IntoMakesABookOfEachArchiveOrFolderAndReportsTheOnesThatFail) {
    QImage page(60, 90, QImage::Format_RGB32);
    page.fill(qRgb(200, 200, 200));
    const QByteArray png = Encoded(page, "PNG");
    const QByteArray info =
        "<ComicInfo><Series>Harbor &amp; Lights</Series><Number>1</Number>"
        "<Writer>Mara Reyes and the whole harbor crew</Writer></ComicInfo>";
    const std::string good = PathOf("Night Harbor 01.cbz"), bad = PathOf("bad.cbz");
    testing::WriteArchive(good, ARCHIVE_FORMAT_ZIP,
                          {{"ComicInfo.xml", info}, {"p1.png", png}, {"p2.png", png}});
    testing::WriteArchive(bad, ARCHIVE_FORMAT_ZIP, {{"p1.png", png}, {"p2.png", png.left(100)}});
    std::filesystem::create_directory(PathOf("Folder"));
    ASSERT_TRUE(page.save(QString::fromStdString(PathOf("Folder/1.png"))));
    const std::string out = PathOf("out");

    ToolRun r = Tool({"pack", "--into", out, good, bad, PathOf("Folder")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("p2.png in " + bad + ": the picture is damaged"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: " + good + ": ComicInfo.xml: the author"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(out + "/bad.cmb"));
    const std::string made = out + "/Night Harbor 01.cmb";
    r = Tool({"info", made});
    EXPECT_NE(r.out.find("\"title\": \"Harbor & Lights\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"chapter\": \"1\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"author\": \"Mara Reyes and the w\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"pageCount\": 2"), std::string::npos) << r.out;
    EXPECT_NE(Tool({"info", out + "/Folder.cmb"}).out.find("\"title\": \"Folder\""),
              std::string::npos);

    // A book there already is kept, unless --force; the command line's
    // texts win over ComicInfo.xml.
    const std::string before = ReadText(made);
    r = Tool({"pack", "--into", out, good, "--title", "Given"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(made + ": there already"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(made), before);
    r = Tool({"pack", "--into", out, good, "--title", "Given", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Tool({"info", made}).out.find("\"title\": \"Given\""), std::string::npos);
}

TEST_F(ToolCommand, ExportToCbzAndPackingItBackGivesTheSamePages) {
    const std::string a = Picture("a.png", 90, 130, 1), b = Picture("b.png", 70, 100, 2);
    for (const bool colour : {false, true}) {
        SCOPED_TRACE(colour);
        const std::string kind = colour ? ".cxb" : ".cmb";
        const std::string book = PathOf("book" + kind), cbz = PathOf("book.cbz");
        const std::string back = PathOf("back" + kind);
        std::vector<std::string> pack = {"pack",          book,       a,       b, "--title",
                                         "달빛 & <탐정>", "--author", "한서윤"};
        if (colour) pack.push_back("--colour");
        ASSERT_EQ(Tool(pack).status, 0);
        ToolRun r = Tool({"export", book, cbz});
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<bookwriter::ArchivePicture> entries;
        QByteArray info;
        std::string error;
        ASSERT_TRUE(bookwriter::ListArchivePictures(cbz, {}, &entries, &error, &info)) << error;
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].name, "001.png");
        EXPECT_EQ(entries[1].name, "002.png");
        EXPECT_NE(info.indexOf("<Series>달빛 &amp; &lt;탐정&gt;</Series>"), -1)
            << info.toStdString();

        pack = {"pack", back, cbz, "--original"};
        if (colour) pack.push_back("--colour");
        r = Tool(pack);
        ASSERT_EQ(r.status, 0) << r.err;
        const ToolRun was = Tool({"info", book}), is = Tool({"info", back});
        EXPECT_NE(is.out.find("\"title\": \"달빛 & <탐정>\""), std::string::npos) << is.out;
        EXPECT_NE(is.out.find("\"author\": \"한서윤\""), std::string::npos) << is.out;
        for (const char* page : {"0", "1"}) {
            ASSERT_EQ(Tool({"export", book, page, PathOf("was.ppm")}).status, 0);
            ASSERT_EQ(Tool({"export", back, page, PathOf("is.ppm")}).status, 0);
            EXPECT_EQ(ReadText(PathOf("was.ppm")), ReadText(PathOf("is.ppm"))) << page;
        }
    }
}

TEST_F(ToolCommand, TheBookIsTheSameForAnyNumberOfJobs) {
    std::vector<std::string> pictures;
    for (uint32_t i = 0; i < 4; ++i)
        pictures.push_back(Picture("p" + std::to_string(i) + ".png", 80 + 10 * int(i), 120, i + 1));
    QImage spread(250, 150, QImage::Format_RGB32);
    spread.fill(qRgb(240, 230, 200));
    ASSERT_TRUE(spread.save(QString::fromStdString(PathOf("spread.jpg"))));
    pictures.push_back(PathOf("spread.jpg"));
    for (const char* kind : {"--grey", "--colour"}) {
        std::vector<std::string> args = {"pack", PathOf("one.cmb"), kind, "--jobs", "1"};
        args.insert(args.end(), pictures.begin(), pictures.end());
        ASSERT_EQ(Tool(args).status, 0);
        args[1] = PathOf("three.cmb");
        args[4] = "3";
        ASSERT_EQ(Tool(args).status, 0);
        const std::string one = ReadText(PathOf("one.cmb"));
        EXPECT_EQ(one, ReadText(PathOf("three.cmb"))) << kind;
        EXPECT_NE(Tool({"info", PathOf("one.cmb")}).out.find("\"pageCount\": 6"),
                  std::string::npos);
    }
}

TEST_F(ToolCommand, TellsItsVersion) {
    const ToolRun r = Tool({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("inkvista-tool ") + INKVISTA_VERSION + "\n");
}

TEST_F(ToolCommand, EveryCommandDescribesItself) {
    for (const char* command : {"pack", "export", "thumbnail", "demo"}) {
        const ToolRun r = Tool({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("usage: inkvista-tool ") + command, 0), 0u) << r.out;
    }
    EXPECT_EQ(Tool({"--help"}).status, 0);
    EXPECT_EQ(Tool({"frobnicate"}).status, 2);
}

TEST_F(ToolCommand, DemoWritesALibraryTheReaderOpens) {
    const ToolRun r = Tool({"demo", Dir().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    int books = 0, colourBooks = 0, greyBooks = 0, korean = 0, english = 0;
    std::set<BookKind> kinds;
    bool tall = false, wide = false, shortPage = false;
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
        const std::string name = entry.path().filename().string();
        const std::optional<BookKind> kind = bookwriter::BookKindOf(name);
        if (!kind) continue;
        ++books;
        kinds.insert(*kind);
        BookState state;
        ASSERT_TRUE(Open(name, *kind, &state)) << name;
        EXPECT_GE(state.pageCount, 10) << name;
        EXPECT_LE(state.pageCount, 30) << name;
        (state.bookTitle[0] >= 0xAC00 ? korean : english)++;
        bool colour = false;
        for (int32_t i = 0; i < state.pageCount; ++i) {
            bookwriter::RasterImage page;
            ASSERT_TRUE(Show(state, i, true, false, &page)) << name << " page " << i;
            colour = !page.grey;
            tall = tall || page.height > 320;
            wide = wide || page.width > page.height;
            shortPage = shortPage || page.height < 240;
        }
        (colour ? colourBooks : greyBooks)++;
    }
    EXPECT_GE(books, 4);
    EXPECT_EQ(kinds.size(), 2u);
    EXPECT_GE(colourBooks, 1);
    EXPECT_GE(greyBooks, 1);
    EXPECT_GE(korean, 1);
    EXPECT_GE(english, 1);
    EXPECT_TRUE(tall && wide && shortPage);
    EXPECT_TRUE(device_.messages().shown().empty());
}

}  // namespace
}  // namespace inkvista
