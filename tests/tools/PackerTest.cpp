// Books made by the packer, read back by the reader's own code.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "ToolTestSupport.h"
#include "book/BookHeader.h"
#include "book/HeaderText.h"
#include "book/Scaler.h"
#include "bookwriter/Packer.h"

namespace inkvista::bookwriter {
namespace {

using testing::TestRng;
using testing::TurnLeft;

// Small blocks of random colour (or grey), with a few single pixels, so
// both quantisers and every kind of run get work.
QImage MakePicture(int w, int h, uint32_t seed, bool manyColours) {
    TestRng rng(seed);
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            const int n = std::min<int>(w - x, 1 + static_cast<int>(rng.Below(9)));
            const int r = static_cast<int>(rng.Below(256));
            const QRgb c = manyColours
                               ? qRgb(r, static_cast<int>(rng.Below(256)), (x * 7 + y) & 255)
                               : qRgb(r, r, r);
            for (int i = 0; i < n; ++i) picture.setPixel(x + i, y, c);
            x += n;
        }
    }
    return picture;
}

// What the reader must show for `picture` in portrait mode: the quantiser's
// own output, grey or RGB.
RasterImage Expected(const QImage& picture, const PackOptions& options) {
    RasterImage out;
    out.width = static_cast<uint32_t>(picture.width());
    out.height = static_cast<uint32_t>(picture.height());
    out.grey = !options.colour;
    if (!options.colour) {
        out.data = QuantiseGreyPage(LumaOf(picture), options.dither, options.record)->shown.grey;
    } else {
        const IndexedPixels px = QuantiseColour(picture, options.dither);
        for (uint8_t i : px.indices)
            out.data.insert(out.data.end(), &px.palette[3 * i], &px.palette[3 * i + 3]);
    }
    return out;
}

struct RoundTripCase {
    BookKind kind;
    bool colour;
    const char* record;
};

class PackRoundTrip : public testing::BookFolderTest,
                      public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(PackRoundTrip, EveryPageComesBackExactlyInBothOrientations) {
    const RoundTripCase c = GetParam();
    PackOptions options;
    options.kind = c.kind;
    options.colour = c.colour;
    options.record = c.record;
    options.title = "Round trip";
    const std::vector<std::pair<int, int>> sizes = {{1, 2}, {3, 9},    {5, 4},
                                                    {7, 5}, {241, 17}, {8, 1}};
    std::vector<QImage> pictures;
    for (size_t i = 0; i < sizes.size(); ++i)
        pictures.push_back(
            MakePicture(sizes[i].first, sizes[i].second, static_cast<uint32_t>(i + 1), c.colour));
    const std::string name = c.kind == BookKind::Cmb ? "trip.cmb" : "trip.cxb";
    std::string error;
    ASSERT_TRUE(PackPictures(PathOf(name), pictures, options, &error)) << error;

    BookState state;
    ASSERT_TRUE(Open(name, c.kind, &state));
    ASSERT_EQ(state.pageCount, static_cast<int32_t>(pictures.size()));
    EXPECT_EQ(state.bookTitle, u"Round trip");
    for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(i);
        const RasterImage want = Expected(pictures[i], options);
        RasterImage portrait, landscape;
        ASSERT_TRUE(Show(state, static_cast<int32_t>(i), true, false, &portrait));
        EXPECT_EQ(portrait.grey, !c.colour);
        EXPECT_EQ(portrait.width, want.width);
        EXPECT_EQ(portrait.height, want.height);
        EXPECT_EQ(portrait.data, want.data);
        ASSERT_TRUE(Show(state, static_cast<int32_t>(i), false, false, &landscape));
        EXPECT_EQ(landscape.width, want.height);
        EXPECT_EQ(landscape.height, want.width);
        EXPECT_EQ(landscape.data, TurnLeft(want.data, want.width, want.height, c.colour ? 3 : 1));
    }
    EXPECT_TRUE(device_.messages().shown().empty());
}

INSTANTIATE_TEST_SUITE_P(KindsRecordsAndColours, PackRoundTrip,
                         ::testing::Values(RoundTripCase{BookKind::Cmb, false, "CX"},
                                           RoundTripCase{BookKind::Cmb, false, "XC"},
                                           RoundTripCase{BookKind::Cmb, true, "XC"},
                                           RoundTripCase{BookKind::Cxb, false, "CX"},
                                           RoundTripCase{BookKind::Cxb, false, "XC"},
                                           RoundTripCase{BookKind::Cxb, true, "XC"}));

class PackedBook : public testing::BookFolderTest {};

TEST_F(PackedBook, FittedColourPagesAreTheResampledPaletteColoursInRgbOrder) {
    // 480 × 640 fits to 240 × 320: the fitted 24-bit pixels are stored blue
    // first and must come out red first.
    const QImage picture = MakePicture(480, 640, 9, true);
    PackOptions options;
    options.colour = true;
    options.record = "XC";
    std::string error;
    ASSERT_TRUE(PackPictures(PathOf("fit.cmb"), {picture}, options, &error)) << error;
    BookState state;
    ASSERT_TRUE(Open("fit.cmb", BookKind::Cmb, &state));
    RasterImage fitted;
    ASSERT_TRUE(Show(state, 0, true, true, &fitted));
    ASSERT_EQ(fitted.width, 240u);
    ASSERT_EQ(fitted.height, 320u);
    EXPECT_FALSE(fitted.grey);

    const RasterImage want = Expected(picture, options);
    std::vector<uint8_t> source(Stride24(480) * 640), target(Stride24(240) * 320);
    for (uint32_t y = 0; y < 640; ++y)
        for (uint32_t x = 0; x < 480; ++x)
            for (int k = 0; k < 3; ++k)
                source[y * Stride24(480) + 3 * x + static_cast<uint32_t>(k)] =
                    want.data[(y * 480 + x) * 3 + static_cast<uint32_t>(2 - k)];
    ASSERT_TRUE(ResampleImage(source, 480, 640, target, 240, 320));
    for (uint32_t y = 0; y < 320; ++y)
        for (uint32_t x = 0; x < 240; ++x)
            for (uint32_t k = 0; k < 3; ++k)
                ASSERT_EQ(fitted.data[(y * 240 + x) * 3 + k],
                          target[y * Stride24(240) + 3 * x + 2 - k]);

    // A fitted grey page stays grey.
    options.kind = BookKind::Cxb;
    options.colour = false;
    options.record = "CX";
    ASSERT_TRUE(PackPictures(PathOf("fitgrey.cxb"), {picture}, options, &error)) << error;
    ASSERT_TRUE(Open("fitgrey.cxb", BookKind::Cxb, &state));
    ASSERT_TRUE(Show(state, 0, false, true, &fitted));
    EXPECT_TRUE(fitted.grey);
    EXPECT_EQ(fitted.width, 320u * 640 / 480);  // landscape: 640 × 480 fits to 426 × 320
    EXPECT_EQ(fitted.height, 320u);
}

TEST_F(PackedBook, GreyPagesNeedingEveryLevelComeBackExactly) {
    // A gradient needs all eight levels as single pixels before the run
    // rule: what the quantiser gives must still be what the reader shows.
    QImage gradient(199, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 199; ++x) gradient.setPixel(x, y, qRgb(255 - y * 255 / 299, x, 128));
    for (Dither d : {Dither::FloydSteinberg, Dither::Ordered, Dither::None}) {
        PackOptions options;
        options.dither = d;
        std::string error;
        ASSERT_TRUE(PackPictures(PathOf("gradient.cmb"), {gradient}, options, &error)) << error;
        BookState state;
        ASSERT_TRUE(Open("gradient.cmb", BookKind::Cmb, &state));
        RasterImage shown;
        ASSERT_TRUE(Show(state, 0, true, false, &shown));
        EXPECT_EQ(shown.data, QuantiseGreyPage(LumaOf(gradient), d, "CX")->shown.grey);
    }
}

TEST_F(PackedBook, HeaderTextsAreStoredInTheKoreanCodePage) {
    PackOptions options;
    options.kind = BookKind::Cxb;
    options.title = "달빛 탐정";
    options.chapter = "제1화 안개 낀 부두";
    options.author = "Mara Reyes";
    options.publisher = "12345678901234567890";  // fills its field: no NUL after it
    std::string error;
    ASSERT_TRUE(PackPictures(PathOf("texts.cxb"), {MakePicture(4, 4, 1, false)}, options, &error))
        << error;
    BookState state;
    ASSERT_TRUE(Open("texts.cxb", BookKind::Cxb, &state));
    EXPECT_EQ(state.bookTitle, u"달빛 탐정");

    std::string title;
    ASSERT_TRUE(EncodeHeaderText("달빛 탐정", kTitleWidth, &title, nullptr));
    EXPECT_EQ(title.size(), 9u);  // two bytes per syllable
    const std::vector<uint8_t> bytes = [&] {
        FILE* f = std::fopen(PathOf("texts.cxb").c_str(), "rb");
        std::vector<uint8_t> b(kBookHeaderSize);
        EXPECT_EQ(std::fread(b.data(), 1, b.size(), f), b.size());
        std::fclose(f);
        return b;
    }();
    const BookHeader header = BookHeader::Parse(bytes.data());
    EXPECT_EQ(std::memcmp(header.title, title.data(), title.size()), 0);
    EXPECT_EQ(header.title[title.size()], 0);
    EXPECT_EQ(ConvertHeaderText(header.chapter, kChapterWidth, TextConversion::System),
              u"제1화 안개 낀 부두");
    EXPECT_EQ(ConvertHeaderText(header.publisher, kPublisherWidth, TextConversion::System),
              u"12345678901234567890");
    EXPECT_EQ(header.pageCount, 1);
}

TEST(PackOptionsCheck, RefusesTextsThatDoNotFitAndNamesTheField) {
    encode::BookPlan book;
    std::string error;
    PackOptions options;
    options.title = std::string(32, 'T');
    EXPECT_TRUE(PrepareBook(options, &book, &error)) << error;
    EXPECT_EQ(book.title, options.title);

    options.title = std::string(33, 'T');
    EXPECT_FALSE(PrepareBook(options, &book, &error));
    EXPECT_EQ(error.rfind("title: ", 0), 0u) << error;

    options.title = "바람의 노래";
    options.chapter = "가나다라마바사아자차카";  // 11 syllables, 22 bytes
    EXPECT_FALSE(PrepareBook(options, &book, &error));
    EXPECT_EQ(error.rfind("chapter: ", 0), 0u) << error;

    options.chapter = "";
    options.author = "Cat \xF0\x9F\x98\x80";  // an emoji: not in the code page
    EXPECT_FALSE(PrepareBook(options, &book, &error));
    EXPECT_EQ(error.rfind("author: ", 0), 0u) << error;
    EXPECT_NE(error.find("U+1F600"), std::string::npos) << error;

    options.author = "";
    options.publisher = "bad \xFF utf-8";
    EXPECT_FALSE(PrepareBook(options, &book, &error));
    EXPECT_EQ(error.rfind("publisher: ", 0), 0u) << error;
}

TEST(PackOptionsCheck, ColourPagesNeedXcRecords) {
    encode::BookPlan book;
    std::string error;
    PackOptions options;
    options.colour = true;
    options.record = "CX";
    EXPECT_FALSE(PrepareBook(options, &book, &error));
    EXPECT_NE(error.find("XC"), std::string::npos);
    options.record = "QQ";
    options.colour = false;
    EXPECT_FALSE(PrepareBook(options, &book, &error));
}

TEST(PackOptionsCheck, BookKindComesFromTheExtensionInAnyCase) {
    EXPECT_EQ(BookKindOf("a.cmb"), BookKind::Cmb);
    EXPECT_EQ(BookKindOf("dir/A.CXB"), BookKind::Cxb);
    EXPECT_EQ(BookKindOf("x.Cmb"), BookKind::Cmb);
    EXPECT_FALSE(BookKindOf("book.png"));
    EXPECT_FALSE(BookKindOf("cmb"));
    EXPECT_FALSE(BookKindOf("books.cmb/page"));
}

TEST_F(PackedBook, MorePicturesThanAHeaderCountsAreRefusedBeforeAnyWork) {
    size_t asked = 0;
    const PictureMaker source = [&](size_t, QImage* picture, std::string*, std::string*) {
        ++asked;
        *picture = QImage(1, 1, QImage::Format_RGB32);
        return true;
    };
    std::string error;
    EXPECT_FALSE(PackWith(PathOf("big.cmb"), kMaxPages + 1, source, PackOptions{}, &error));
    EXPECT_EQ(asked, 0u);
    EXPECT_NE(error.find("65535"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(PathOf("big.cmb")));
}

TEST_F(PackedBook, AFailedWriteLeavesNoBookBehind) {
    std::string error;
    const std::string out = PathOf("missing-folder/book.cmb");
    EXPECT_FALSE(PackPictures(out, {MakePicture(4, 4, 1, false)}, PackOptions{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));

    // A picture that cannot be a page stops the book too.
    EXPECT_FALSE(PackPictures(PathOf("empty.cmb"), {QImage()}, PackOptions{}, &error));
    EXPECT_NE(error.find("page 1"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(PathOf("empty.cmb")));
}

}  // namespace
}  // namespace inkvista::bookwriter
