// Books and pictures are written whole or not at all, whatever step fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <fstream>
#include <sstream>

#include "ToolTestSupport.h"
#include "bookwriter/ImageFiles.h"
#include "bookwriter/Packer.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "platform/AtomicFile.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;
using bookwriter::ImageFormat;

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Fails the given step of every replacement while it lives.
class FailingStep {
  public:
    explicit FailingStep(WriteStep step) {
        SetWriteFaultHook([step](WriteStep s) { return s != step; });
    }
    ~FailingStep() { SetWriteFaultHook({}); }
};

const WriteStep kFailingSteps[] = {WriteStep::CreateTemporary, WriteStep::Write,
                                   WriteStep::FlushFile, WriteStep::Rename};

class WriteSafety : public testing::BookFolderTest {
  protected:
    // Names in the folder other than `keep`.
    std::vector<std::string> Others(const std::string& keep) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Dir()))
            if (entry.path().filename() != keep) names.push_back(entry.path().filename());
        return names;
    }

    encode::PagePlan GreyPlan(uint32_t w, uint32_t h, uint8_t level) {
        std::vector<uint8_t> grey(size_t{w} * h, level);
        return *encode::GreyPage(grey.data(), w, h, w);
    }
};

TEST_F(WriteSafety, BookStreamTakesPagesInAnyOrder) {
    encode::BookPlan header;
    header.kind = BookKind::Cxb;
    encode::BookStream stream;
    ASSERT_TRUE(stream.Begin(PathOf("any.cxb"), header, 3));
    ASSERT_TRUE(stream.Add(2, GreyPlan(3, 2, 255)));
    ASSERT_TRUE(stream.Add(0, GreyPlan(5, 4, 0)));
    EXPECT_FALSE(encode::BookStream().Finish());
    ASSERT_TRUE(stream.Add(1, GreyPlan(7, 1, 146)));
    ASSERT_TRUE(stream.Finish());

    BookState state;
    ASSERT_TRUE(Open("any.cxb", BookKind::Cxb, &state));
    ASSERT_EQ(state.pageCount, 3);
    const std::pair<uint32_t, uint8_t> want[] = {{5, 0}, {7, 146}, {3, 255}};
    for (int32_t i = 0; i < 3; ++i) {
        bookwriter::RasterImage page;
        ASSERT_TRUE(Show(state, i, true, false, &page));
        EXPECT_EQ(page.width, want[i].first);
        EXPECT_EQ(page.data, std::vector<uint8_t>(page.data.size(), want[i].second));
    }

    // A page missing or given twice is refused, and nothing is left.
    ASSERT_TRUE(stream.Begin(PathOf("gap.cxb"), header, 2));
    ASSERT_TRUE(stream.Add(1, GreyPlan(3, 2, 255)));
    EXPECT_FALSE(stream.Add(1, GreyPlan(3, 2, 255)));
    EXPECT_EQ(stream.failure(), encode::BookStream::Failure::BadPage);
    EXPECT_EQ(Others("any.cxb"), std::vector<std::string>{});
}

TEST_F(WriteSafety, AFailingStepLeavesTheOldBookAndNoTemporary) {
    const std::string out = PathOf("book.cmb");
    std::ofstream(out, std::ios::binary) << "the old book";
    std::vector<QImage> pictures(2, QImage(40, 30, QImage::Format_RGB32));
    pictures[0].fill(qRgb(0, 0, 0));
    pictures[1].fill(qRgb(255, 255, 255));
    for (WriteStep step : kFailingSteps) {
        SCOPED_TRACE(static_cast<int>(step));
        FailingStep failing(step);
        std::string error;
        EXPECT_FALSE(bookwriter::PackPictures(out, pictures, {}, &error));
        EXPECT_NE(error.find("book.cmb: cannot write the book: "), std::string::npos) << error;
        EXPECT_EQ(Slurp(out), "the old book");
        EXPECT_EQ(Others("book.cmb"), std::vector<std::string>{});
    }

    // A book past its size limit stops as that page is written.
    bookwriter::PackOptions options;
    options.sizeLimit = 300;  // room for the first page, not the second
    std::string error;
    EXPECT_FALSE(bookwriter::PackPictures(out, pictures, options, &error));
    EXPECT_NE(error.find("300 bytes"), std::string::npos) << error;
    EXPECT_EQ(Slurp(out), "the old book");
    EXPECT_EQ(Others("book.cmb"), std::vector<std::string>{});

    // A link planted where a fixed temporary name would be is not followed.
    std::ofstream(PathOf("victim"), std::ios::binary) << "someone else's file";
    fs::create_symlink(PathOf("victim"), out + ".part");
    ASSERT_TRUE(bookwriter::PackPictures(out, pictures, {}, &error)) << error;
    EXPECT_EQ(Slurp(PathOf("victim")), "someone else's file");
    BookState state;
    ASSERT_TRUE(Open("book.cmb", BookKind::Cmb, &state));
    EXPECT_EQ(state.pageCount, 2);
}

TEST_F(WriteSafety, PicturesAreReplacedOnlyWhenComplete) {
    QImage view(31, 17, QImage::Format_Grayscale8);
    view.fill(200);
    for (const char* name : {"p.png", "p.pgm", "p.ppm"}) {
        SCOPED_TRACE(name);
        const std::string out = PathOf(name);
        std::ofstream(out, std::ios::binary) << "good picture";
        for (WriteStep step : kFailingSteps) {
            FailingStep failing(step);
            std::string error;
            EXPECT_FALSE(bookwriter::WritePageImage(out, bookwriter::FormatOf(out), view, &error));
            EXPECT_NE(error.find(": cannot write the P"), std::string::npos) << error;
            EXPECT_EQ(Slurp(out), "good picture");
            EXPECT_EQ(Others(name), std::vector<std::string>{});
        }
        std::string error;
        ASSERT_TRUE(bookwriter::WritePageImage(out, bookwriter::FormatOf(out), view, &error));
        EXPECT_EQ(QImage(QString::fromStdString(out)).size(), view.size());
        fs::remove(out);
    }
}

TEST_F(WriteSafety, PictureSizeBoundHoldsForWhatCannotBeCompressed) {
    testing::TestRng rng(5);
    for (const QImage::Format format :
         {QImage::Format_Grayscale8, QImage::Format_Indexed8, QImage::Format_BGR888}) {
        QImage noise(301, 113, format);
        if (format == QImage::Format_Indexed8) {
            QList<QRgb> table;
            for (int i = 0; i < 256; ++i) table.push_back(qRgb(i, 255 - i, i * 7));
            noise.setColorTable(table);
        }
        for (int y = 0; y < noise.height(); ++y)
            for (qsizetype x = 0; x < noise.bytesPerLine(); ++x)
                noise.scanLine(y)[x] = static_cast<uint8_t>(rng.Next());
        const int bytesPerPixel = format == QImage::Format_BGR888 ? 3 : 1;
        for (const char* name : {"n.png", "n.pgm", "n.ppm"}) {
            const std::string out = PathOf(name);
            std::string error;
            ASSERT_TRUE(bookwriter::WritePageImage(out, bookwriter::FormatOf(out), noise, &error));
            EXPECT_LE(fs::file_size(out), bookwriter::MaxImageFileSize(bookwriter::FormatOf(out),
                                                                       301, 113, bytesPerPixel))
                << name << " " << format;
        }
    }
}

}  // namespace
}  // namespace inkvista
