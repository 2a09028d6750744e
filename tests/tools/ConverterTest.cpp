// What pack does to a picture before quantising: the stored size, plain
// margins, spreads, tone, and the header texts of ComicInfo.xml.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "book/BookFormat.h"
#include "bookwriter/ComicInfo.h"
#include "bookwriter/PagePictures.h"

namespace inkvista::bookwriter {
namespace {

using Mode = SizeRule::Mode;

TEST(TargetSize, FollowsTheRuleAndNeverEnlargesUnlessAsked) {
    const struct {
        PixelSize source;
        SizeRule rule;
        PixelSize want;
    } cases[] = {
        {{1200, 1800}, {Mode::Width, 320, 0, false}, {320, 480}},
        {{1201, 1800}, {Mode::Width, 320, 0, false}, {320, 480}},  // 479.6 rounds up
        {{1000, 3}, {Mode::Width, 320, 0, false}, {320, 1}},       // never 0 high
        {{200, 300}, {Mode::Width, 320, 0, false}, {200, 300}},
        {{200, 300}, {Mode::Width, 320, 0, true}, {320, 480}},
        {{1200, 1800}, {Mode::Box, 240, 320, false}, {213, 320}},
        {{2400, 1800}, {Mode::Box, 240, 320, false}, {240, 180}},
        {{200, 100}, {Mode::Box, 240, 320, false}, {200, 100}},
        {{200, 100}, {Mode::Box, 240, 320, true}, {240, 120}},
        {{1200, 1800}, {Mode::Original, 320, 0, false}, {1200, 1800}},
    };
    for (const auto& c : cases) {
        const PixelSize got = TargetSize(c.source, c.rule);
        EXPECT_EQ(got, c.want) << c.source.width << "x" << c.source.height << " -> " << got.width
                               << "x" << got.height;
    }
}

TEST(TargetSize, JpegIsDecodedReducedOnlyFarAboveThePageSize) {
    PageRule rule;
    rule.size = {Mode::Width, 320, 0, false};
    rule.spreads = Spreads::Split;
    EXPECT_EQ(DecodeEighths({1200, 1800}, rule), 8);
    EXPECT_EQ(DecodeEighths({2400, 3600}, rule), 4);
    EXPECT_EQ(DecodeEighths({9600, 14400}, rule), 1);
    EXPECT_EQ(DecodeEighths({2400, 1800}, rule), 8);  // a spread: two pages 320 wide
    EXPECT_EQ(DecodeEighths({4800, 1800}, rule), 4);
    rule.size.mode = Mode::Original;
    EXPECT_EQ(DecodeEighths({9600, 14400}, rule), 8);

    // Decoded at 1/8 (60 x 90 for a page of 16 x 24), it is still the picture.
    QImage picture(480, 720, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(0, 0, 240, 720, QColor(30, 30, 30));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "JPEG", 95));
    rule.size = {Mode::Width, 16, 0, false};
    ASSERT_EQ(DecodeEighths({480, 720}, rule), 1);
    PictureSource source;
    source.bytes = jpeg;
    std::vector<RasterImage> pages;
    std::string error;
    ASSERT_TRUE(PreparePages(source, "page.jpg", rule, &pages, &error)) << error;
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, 16u);
    EXPECT_EQ(pages[0].height, 24u);
    EXPECT_NEAR(pages[0].data[12 * 16 + 3], 30, 6);
    EXPECT_NEAR(pages[0].data[12 * 16 + 12], 255, 6);
}

// White paper with a black frame whose sides lie `left`, `top`, `right` and
// `bottom` pixels in from the edges (no frame when `left` is negative).
RasterImage Paper(uint32_t w, uint32_t h, int left, int top, int right, int bottom) {
    RasterImage p;
    p.width = w;
    p.height = h;
    p.data.assign(size_t{w} * h, 255);
    if (left < 0) return p;
    const uint32_t x0 = uint32_t(left), y0 = uint32_t(top);
    const uint32_t x1 = w - 1 - uint32_t(right), y1 = h - 1 - uint32_t(bottom);
    for (uint32_t y = y0; y <= y1; ++y)
        for (uint32_t x = x0; x <= x1; ++x)
            if (x == x0 || x == x1 || y == y0 || y == y1) p.data[size_t{y} * w + x] = 0;
    return p;
}

TEST(Margins, CropsPaperUpToTheLimitAndNeverIntoALine) {
    const struct {
        const char* what;
        RasterImage picture;
        double limit;
        Region want;
    } cases[] = {
        // A frame 30 pixels in on every side: cut to it, leaving 1 % of paper.
        {"frame", Paper(1000, 1000, 30, 30, 30, 30), 0.10, {20, 20, 960, 960}},
        // A frame of 1-pixel lines 5 pixels in lies inside the sliver: kept whole.
        {"frame near the edge", Paper(1000, 1000, 5, 5, 5, 5), 0.10, {0, 0, 1000, 1000}},
        // Paper far past the limit: cut at the limit only.
        {"wide margins", Paper(1000, 1000, 400, 300, 400, 300), 0.10, {100, 100, 800, 800}},
        {"wide margins, limit 35 %",
         Paper(1000, 1000, 400, 300, 400, 300),
         0.35,
         {350, 290, 300, 420}},
        {"blank page", Paper(400, 400, -1, 0, 0, 0), 0.10, {0, 0, 400, 400}},
    };
    for (const auto& c : cases) {
        const Region got = FindContent(c.picture, c.limit);
        EXPECT_EQ(got, c.want) << c.what << ": " << got.x << "," << got.y << " " << got.width << "x"
                               << got.height;
    }
    // Black borders are paper too; a drawn edge is not.
    RasterImage dark = Paper(500, 500, -1, 0, 0, 0);
    for (uint32_t y = 0; y < 500; ++y)
        for (uint32_t x = 0; x < 500; ++x)
            if (x < 40)
                dark.data[y * 500 + x] = 8;
            else if (y == 0 || x == 499)
                dark.data[y * 500 + x] = 128;
    EXPECT_EQ(FindContent(dark, 0.10), (Region{35, 0, 465, 500}));
}

// A spread: a dark left half and a light right half, with 60 pixels of
// paper on the left and 20 on the right.
QImage Spread() {
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.fillRect(QRect(60, 20, 140, 160), QColor(20, 20, 20));
    p.fillRect(QRect(200, 20, 180, 160), QColor(180, 180, 180));
    return picture;
}

TEST(Spreads, SplitLeftFirstOrRightFirstWithTheSameCrop) {
    PageRule rule;
    rule.crop.enabled = true;
    rule.crop.limit = 0.25;
    rule.spreads = Spreads::Split;
    PictureSource source;
    source.image = Spread();
    for (const bool rtl : {false, true}) {
        rule.rightToLeft = rtl;
        std::vector<RasterImage> pages;
        std::string error;
        ASSERT_TRUE(PreparePages(source, "spread", rule, &pages, &error)) << error;
        ASSERT_EQ(pages.size(), 2u);
        const RasterImage& first = pages[0];
        const RasterImage& second = pages[1];
        // The same size: the outer sides lose the smaller of the two margins.
        EXPECT_EQ(first.width, second.width);
        EXPECT_EQ(first.height, second.height);
        EXPECT_EQ(first.width, 200u - 16);   // 20 of paper less the 1 % sliver (4)
        EXPECT_EQ(first.height, 200u - 36);  // 20 above and below, less the sliver (2)
        const uint8_t middle = first.data[first.data.size() / 2 + first.width / 2];
        EXPECT_EQ(middle < 100, !rtl) << "the dark left half comes first unless --rtl";
    }
    // Turned: one page, a quarter turn counter-clockwise, the right edge on top.
    rule.spreads = Spreads::Rotate;
    rule.crop.enabled = false;
    std::vector<RasterImage> pages;
    std::string error;
    ASSERT_TRUE(PreparePages(source, "spread", rule, &pages, &error)) << error;
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, 200u);
    EXPECT_EQ(pages[0].height, 400u);
    EXPECT_GT(pages[0].data[50 * 200 + 100], 100);   // the light right half on top
    EXPECT_LT(pages[0].data[300 * 200 + 100], 100);  // the dark left half below
    // A picture less wide is no spread, whatever the rule.
    source.image = QImage(116, 100, QImage::Format_RGB32);
    source.image.fill(Qt::gray);
    rule.spreads = Spreads::Split;
    ASSERT_TRUE(PreparePages(source, "page", rule, &pages, &error)) << error;
    EXPECT_EQ(pages.size(), 1u);
}

TEST(Tone, ControlsChangeNothingUnlessAsked) {
    RasterImage grey;
    grey.width = 256;
    grey.height = 1;
    for (int v = 0; v < 256; ++v) grey.data.push_back(static_cast<uint8_t>(64 + v / 2));
    EXPECT_FALSE(ToneCurveFor(grey, Whole(grey), ToneRule{}));
    ToneRule stretch;
    stretch.autocontrast = true;
    const std::optional<ToneCurve> curve = ToneCurveFor(grey, Whole(grey), stretch);
    ASSERT_TRUE(curve);
    EXPECT_EQ((*curve)[64], 0);
    EXPECT_EQ((*curve)[191], 255);
    EXPECT_NEAR((*curve)[128], 128, 2);
    ToneRule lighter;
    lighter.gamma = 2.0;
    EXPECT_EQ((*ToneCurveFor(grey, Whole(grey), lighter))[64], 128);  // 255 * 0.25^(1/2)
}

TEST(ComicInfo, GivesTheHeaderTexts) {
    const struct {
        const char* xml;
        bool read;
        HeaderTexts want;
    } cases[] = {
        {"<?xml version='1.0'?><ComicInfo><Title>Fog</Title><Series>Harbor &amp; Lights</Series>"
         "<Number>1</Number><Volume>2</Volume><Writer>Mara\n  Reyes</Writer>"
         "<Publisher>Quillmark</Publisher><Pages><Page Image='0'/></Pages></ComicInfo>",
         true,
         {"Harbor & Lights", "1", "Mara Reyes", "Quillmark"}},
        {"<ComicInfo><Title>&#xB2EC;&#xBE5B; &lt;1&gt;</Title><Volume>3</Volume></ComicInfo>",
         true,
         {"달빛 <1>", "3", "", ""}},
        {"<ComicInfo><Series>Cut", false, {}},
        {"<ComicInfo><Series>&nope;</Series></ComicInfo>", false, {}},
        {"<Book><Series>Other</Series></Book>", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        HeaderTexts texts;
        std::string error;
        EXPECT_EQ(ReadComicInfo(QByteArray(c.xml), &texts, &error), c.read) << c.xml;
        EXPECT_EQ(texts.title, c.want.title) << c.xml;
        EXPECT_EQ(texts.chapter, c.want.chapter) << c.xml;
        EXPECT_EQ(texts.author, c.want.author) << c.xml;
        EXPECT_EQ(texts.publisher, c.want.publisher) << c.xml;
        EXPECT_EQ(error.empty(), c.read) << c.xml;
    }
    // Shortened to the field at a character boundary; what the code page
    // lacks is left out.
    bool changed = false;
    EXPECT_EQ(FitHeaderText("가나다라마바사아자차카", kChapterWidth, &changed),
              "가나다라마바사아자차");
    EXPECT_TRUE(changed);
    EXPECT_EQ(FitHeaderText("Cat \xF0\x9F\x98\x80 Diner", kTitleWidth, &changed), "Cat  Diner");
    EXPECT_TRUE(changed);
    EXPECT_EQ(FitHeaderText("Harbor", kTitleWidth, &changed), "Harbor");
    EXPECT_FALSE(changed);
}

}  // namespace
}  // namespace inkvista::bookwriter
