// What pack reads: pictures, folders and comic archives, all untrusted.
#include <archive.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QImage>
#include <fstream>

#include "ToolTestSupport.h"
#include "bookwriter/ComicArchive.h"
#include "bookwriter/ImageFiles.h"
#include "bookwriter/PackInputs.h"

namespace inkvista::bookwriter {
namespace {

namespace fs = std::filesystem;
using testing::WriteArchive;

QByteArray Png(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class PictureInputs : public testing::BookFolderTest {};

TEST(NaturalOrder, NumbersByValueTextWithoutCase) {
    EXPECT_TRUE(NaturalLess("p2.png", "p10.png"));
    EXPECT_FALSE(NaturalLess("p10.png", "p2.png"));
    EXPECT_TRUE(NaturalLess("Page 9", "page 10"));
    EXPECT_TRUE(NaturalLess("ch2/p10.jpg", "ch10/p1.jpg"));
    EXPECT_TRUE(NaturalLess("a.png", "B.png"));
    EXPECT_TRUE(NaturalLess("p1", "p1a"));
    // Equal but for leading zeros or case: still a fixed order, both ways.
    EXPECT_NE(NaturalLess("p007", "p7"), NaturalLess("p7", "p007"));
    EXPECT_NE(NaturalLess("A1", "a1"), NaturalLess("a1", "A1"));
    EXPECT_FALSE(NaturalLess("same", "same"));
    EXPECT_EQ(Printable("bad\x1b[2Jname"), "bad?[2Jname");
}

TEST_F(PictureInputs, ArchivesGivePicturesInNaturalOrderAndSkipTheRest) {
    // Each page a different width, so the order can be read back.
    const std::vector<std::pair<std::string, QByteArray>> entries = {
        {"comic/p10.png", Png(10, 4, qRgb(255, 255, 255))},
        {"comic/p2.png", Png(2, 4, qRgb(0, 0, 0))},
        {"comic/notes.txt", "not a page"},
        {"__MACOSX/comic/._p1.png", "resource fork"},
        {"comic/.hidden.png", Png(7, 7, 0)},
        {"../p1.png", Png(1, 4, qRgb(0, 0, 0))},  // names that leave the archive
        {"/abs/p1.png", Png(1, 4, qRgb(0, 0, 0))},
        {"comic/P3.PNG", Png(3, 4, qRgb(255, 255, 255))},
    };
    const std::pair<const char*, int> kinds[] = {{"a.cbz", ARCHIVE_FORMAT_ZIP},
                                                 {"a.cb7", ARCHIVE_FORMAT_7ZIP},
                                                 {"a.cbt", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED}};
    for (const auto& [name, format] : kinds) {
        SCOPED_TRACE(name);
        const std::string path = PathOf(name);
        WriteArchive(path, format, entries);
        std::vector<PackInput> inputs;
        std::string error;
        ASSERT_EQ(ListInputs({path}, {}, &inputs, &error), InputProblem::None) << error;
        ASSERT_EQ(CountPages(inputs), 3u);
        std::vector<int> widths(3, 0);
        const PictureFeed feed = FeedOf(inputs, {});
        ASSERT_TRUE(feed(
            [&](size_t page, PictureSource source, const std::string&, std::string*) {
                widths.at(page) = QImage::fromData(source.bytes).width();
                return true;
            },
            &error))
            << error;
        EXPECT_EQ(widths, (std::vector<int>{2, 3, 10}));
        // Nothing was written by an entry's name.
        EXPECT_FALSE(fs::exists(Dir().parent_path() / "p1.png"));
        EXPECT_FALSE(fs::exists(Dir() / "comic"));
    }
}

TEST_F(PictureInputs, ArchivesPastTheirLimitsOrDamagedAreRefused) {
    const std::string path = PathOf("big.cbz");
    const QByteArray page = Png(40, 40, qRgb(1, 2, 3));
    WriteArchive(path, ARCHIVE_FORMAT_ZIP, {{"1.png", page}, {"2.png", page}, {"3.png", page}});
    std::vector<PackInput> inputs;
    std::string error;
    ArchiveLimits small;
    small.entryBytes = static_cast<uint64_t>(page.size()) - 1;
    EXPECT_EQ(ListInputs({path}, small, &inputs, &error), InputProblem::Failed);
    EXPECT_NE(error.find("1.png in " + path), std::string::npos) << error;
    ArchiveLimits few;
    few.entries = 2;
    EXPECT_EQ(ListInputs({path}, few, &inputs, &error), InputProblem::Failed);
    EXPECT_NE(error.find("more than 2 entries"), std::string::npos) << error;

    // Cut short, the archive fails as it is read, naming it.
    std::string bytes;
    {
        std::ifstream f(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    std::ofstream(PathOf("cut.cbz"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    const InputProblem listed = ListInputs({PathOf("cut.cbz")}, {}, &inputs, &error);
    if (listed == InputProblem::None) {
        EXPECT_FALSE(FeedOf(inputs, {})(
            [](size_t, PictureSource, const std::string&, std::string*) { return true; }, &error));
    }
    EXPECT_NE(error.find("cut.cbz"), std::string::npos) << error;
}

TEST_F(PictureInputs, FoldersGiveTheirPicturesInNaturalOrder) {
    fs::create_directories(Dir() / "scan" / "ch10");
    fs::create_directories(Dir() / "scan" / "ch2");
    fs::create_directories(Dir() / "scan" / ".trash");
    const std::pair<std::string, int> files[] = {{"scan/ch10/1.png", 4},
                                                 {"scan/ch2/10.png", 3},
                                                 {"scan/ch2/9.png", 2},
                                                 {"scan/cover.png", 1},
                                                 {"scan/.trash/0.png", 9}};
    for (const auto& [name, w] : files)
        ASSERT_TRUE(QImage(w, 2, QImage::Format_RGB32).save(QString::fromStdString(PathOf(name))));
    std::ofstream(PathOf("scan/readme.txt")) << "skip me";
    std::vector<PackInput> inputs;
    std::string error;
    ASSERT_EQ(ListInputs({PathOf("scan")}, {}, &inputs, &error), InputProblem::None) << error;
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].files,
              (std::vector<std::string>{PathOf("scan/ch2/9.png"), PathOf("scan/ch2/10.png"),
                                        PathOf("scan/ch10/1.png"), PathOf("scan/cover.png")}));
}

TEST_F(PictureInputs, PicturesThatCannotBePagesAreRefusedWithTheReason) {
    QImage image;
    std::string error;
    EXPECT_EQ(LoadPicture(PathOf("none.png"), &image, &error), PictureProblem::CannotOpen);
    EXPECT_EQ(error, PathOf("none.png") + ": No such file or directory");
    EXPECT_EQ(LoadPicture(Dir().string(), &image, &error), PictureProblem::CannotOpen);
    EXPECT_NE(error.find("is a folder"), std::string::npos);
    ASSERT_EQ(mkfifo(PathOf("fifo.png").c_str(), 0600), 0);
    EXPECT_EQ(LoadPicture(PathOf("fifo.png"), &image, &error), PictureProblem::CannotOpen);
    std::ofstream(PathOf("text.png")) << "hello";
    EXPECT_EQ(LoadPicture(PathOf("text.png"), &image, &error), PictureProblem::NotAPicture);

    // A header announcing more than a page can hold is refused before any
    // pixel is decoded, in the tool's own terms.
    QByteArray png = Png(1, 1, 0);
    auto put32 = [&](int at, uint32_t v) {
        for (int k = 0; k < 4; ++k) png[at + k] = static_cast<char>(v >> (24 - 8 * k));
    };
    put32(16, 20000);  // IHDR width and height
    put32(20, 20000);
    uint32_t crc = 0xFFFFFFFFu;  // over the chunk type and data
    for (int i = 12; i < 29; ++i) {
        crc ^= static_cast<uint8_t>(png[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    put32(29, ~crc);
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPicture(buffer, "huge.png", &image, &error), PictureProblem::TooLarge);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(error.find("20000 x 20000 pixels"), std::string::npos) << error;
    EXPECT_NE(error.find("256 MiB"), std::string::npos) << error;
}

TEST_F(PictureInputs, LargePicturesWithinThePageLimitAreRead) {
    // 6000 × 6000 in RGB needs more than Qt's own default limit of 128 MiB.
    QImage big(6000, 6000, QImage::Format_RGB888);
    big.fill(qRgb(250, 240, 230));
    ASSERT_TRUE(big.save(QString::fromStdString(PathOf("big.png"))));
    big = QImage();
    QImage image;
    std::string error;
    ASSERT_EQ(LoadPicture(PathOf("big.png"), &image, &error), PictureProblem::None) << error;
    EXPECT_EQ(image.size(), QSize(6000, 6000));
}

}  // namespace
}  // namespace inkvista::bookwriter
