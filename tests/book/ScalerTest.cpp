// Fit sizes, weight tables and the resampler, against a plain pixel-by-pixel
// rendering of the same fixed-point arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "ScalerReference.h"
#include "book/Scaler.h"

namespace inkvista {
namespace {

std::optional<FitSize> Fit(int32_t w, int32_t h) {
    return ComputeFitSize(w, h);
}

TEST(ComputeFitSize, TallPagesGoTo240Wide) {
    EXPECT_EQ(Fit(320, 480), (FitSize{240, 360}));
    EXPECT_EQ(Fit(300, 450), (FitSize{240, 360}));
    // Single precision: 1 - 120/360 rounds below 2/3.
    EXPECT_EQ(Fit(360, 480), (FitSize{240, 319}));
    EXPECT_EQ(Fit(600, 800), (FitSize{240, 319}));
    EXPECT_EQ(Fit(243, 1000), (FitSize{240, 987}));
    EXPECT_EQ(Fit(240, 500), std::nullopt);
    EXPECT_EQ(Fit(100, 500), std::nullopt);
}

TEST(ComputeFitSize, WidePagesGoTo320High) {
    EXPECT_EQ(Fit(640, 400), (FitSize{512, 320}));
    EXPECT_EQ(Fit(640, 320), std::nullopt);
    EXPECT_EQ(Fit(1000, 200), std::nullopt);
}

TEST(ComputeFitSize, SquaresBecome240EvenWhenSmaller) {
    EXPECT_EQ(Fit(200, 200), (FitSize{240, 240}));
    EXPECT_EQ(Fit(250, 250), (FitSize{240, 240}));
    EXPECT_EQ(Fit(230, 230), (FitSize{240, 240}));
    EXPECT_EQ(Fit(1, 1), (FitSize{240, 240}));
}

TEST(ComputeFitSize, EmptyViewsAreNeverFitted) {
    EXPECT_EQ(Fit(0, 0), std::nullopt);
    EXPECT_EQ(Fit(0, 500), std::nullopt);
    EXPECT_EQ(Fit(-5, -5), std::nullopt);
}

std::vector<ScaleStep> Steps(std::initializer_list<std::pair<int32_t, int32_t>> list) {
    std::vector<ScaleStep> steps;
    for (const auto& [first, second] : list) steps.push_back({first, second});
    return steps;
}

TEST(BuildScaleSteps, ThreeToTwoBothWays) {
    EXPECT_EQ(BuildScaleSteps(3, 2, true), Steps({{2730, 0}, {1365, 1365}, {2730, -1}}));
    EXPECT_EQ(BuildScaleSteps(3, 2, false), Steps({{4096, 0}, {2048, 2048}, {4096, -1}}));
    EXPECT_EQ(BuildScaleSteps(4, 4, true), Steps({{4096, -1}, {4096, -1}, {4096, -1}, {4096, -1}}));
    EXPECT_TRUE(BuildScaleSteps(0, 3, true).empty());
    EXPECT_TRUE(BuildScaleSteps(3, 0, false).empty());
}

// How often the walk moves on along the other line.
size_t Moves(const std::vector<ScaleStep>& steps) {
    size_t moves = 0;
    for (const ScaleStep& step : steps) moves += step.second != 0;
    return moves;
}

TEST(BuildScaleSteps, LinesPast4096StillReachTheirEnd) {
    // Here the share of the next pixel is below 1/4096 for some entries.
    for (const auto& [a, b] : {std::pair{5000u, 7u}, {10007u, 3u}, {9000u, 4097u}}) {
        const auto shrink = BuildScaleSteps(a, b, true);
        EXPECT_EQ(Moves(shrink), b) << a << " to " << b;
        EXPECT_EQ(shrink.back().second, -1);
    }
    for (const auto& [a, b] : {std::pair{5001u, 5000u}, {8191u, 4099u}}) {
        const auto enlarge = BuildScaleSteps(a, b, false);
        EXPECT_EQ(Moves(enlarge), b) << b << " to " << a;
        EXPECT_EQ(enlarge.back().second, -1);
    }
}

std::vector<uint8_t> Image24(uint32_t w, uint32_t h, uint8_t value) {
    std::vector<uint8_t> image(Stride24(w) * h, 0);
    for (uint32_t y = 0; y < h; ++y) std::fill_n(image.begin() + y * Stride24(w), 3 * w, value);
    return image;
}

std::vector<uint8_t> Noise(uint32_t w, uint32_t h, std::mt19937& random) {
    std::vector<uint8_t> image(Stride24(w) * h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t i = 0; i < 3 * w; ++i) image[y * Stride24(w) + i] = uint8_t(random());
    return image;
}

TEST(ResampleImage, WhiteRowOfThreeShrinksTo254) {
    std::vector<uint8_t> target(Stride24(2), 0);
    ASSERT_TRUE(ShrinkImage(Image24(3, 1, 255), 3, 1, target, 2, 1));
    EXPECT_EQ(target, (std::vector<uint8_t>{254, 254, 254, 254, 254, 254, 0, 0}));
}

TEST(ResampleImage, TwoPixelsEnlargeToThree) {
    const std::vector<uint8_t> source = {0, 0, 0, 255, 255, 255, 0, 0};
    std::vector<uint8_t> target(Stride24(3), 0xEE);
    ASSERT_TRUE(EnlargeImage(source, 2, 1, target, 3, 1));
    EXPECT_EQ(target,
              (std::vector<uint8_t>{0, 0, 0, 127, 127, 127, 255, 255, 255, 0xEE, 0xEE, 0xEE}));
    // ResampleImage makes the same choice.
    std::vector<uint8_t> again(Stride24(3), 0xEE);
    ASSERT_TRUE(ResampleImage(source, 2, 1, again, 3, 1));
    EXPECT_EQ(again, target);
}

TEST(ResampleImage, SameSizeIsTheIdentity) {
    std::mt19937 random(7);
    const auto source = Noise(13, 9, random);
    std::vector<uint8_t> target(source.size(), 0);
    ASSERT_TRUE(ShrinkImage(source, 13, 9, target, 13, 9));
    // Padding aside, every byte comes back.
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t i = 0; i < 39; ++i)
            ASSERT_EQ(target[y * Stride24(13) + i], source[y * Stride24(13) + i]);
}

TEST(ResampleImage, MatchesThePixelByPixelArithmetic) {
    std::mt19937 random(2024);
    struct Case {
        uint32_t sw, sh, tw, th;
    };
    const Case cases[] = {{320, 480, 240, 360}, {360, 480, 240, 319}, {7, 5, 3, 2},
                          {17, 31, 16, 1},      {640, 400, 512, 320}, {200, 200, 240, 240},
                          {2, 3, 11, 17},       {5, 5, 5, 9},         {97, 89, 240, 240},
                          {1, 1, 3, 4}};
    for (const Case& c : cases) {
        const auto source = Noise(c.sw, c.sh, random);
        std::vector<uint8_t> target(Stride24(c.tw) * c.th, 0);
        ASSERT_TRUE(ResampleImage(source, c.sw, c.sh, target, c.tw, c.th));
        const bool shrink = c.tw <= c.sw && c.th <= c.sh;
        const auto expected = shrink ? reference::Shrink(source, c.sw, c.sh, c.tw, c.th)
                                     : reference::Enlarge(source, c.sw, c.sh, c.tw, c.th);
        EXPECT_EQ(target, expected) << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
    }
}

TEST(ResampleImage, GreyOnOneChannelEqualsThreeEqualChannels) {
    std::mt19937 random(99);
    for (const auto& [sw, sh, tw, th] :
         {std::array{301u, 451u, 240u, 360u}, {150u, 150u, 240u, 240u}}) {
        const uint64_t greyStride = Stride8(sw) + 4;  // any stride will do
        std::vector<uint8_t> grey(greyStride * sh);
        for (auto& v : grey) v = uint8_t(random());
        std::vector<uint8_t> wide(Stride24(sw) * sh, 0);
        for (uint32_t y = 0; y < sh; ++y)
            for (uint32_t x = 0; x < sw; ++x)
                std::fill_n(wide.begin() + y * Stride24(sw) + 3 * x, 3, grey[y * greyStride + x]);
        std::vector<uint8_t> greyOut(Stride8(tw) * th), wideOut(Stride24(tw) * th);
        ASSERT_TRUE(ResampleGrey(grey, sw, sh, greyStride, greyOut, tw, th, Stride8(tw)));
        ASSERT_TRUE(ResampleImage(wide, sw, sh, wideOut, tw, th));
        for (uint32_t y = 0; y < th; ++y)
            for (uint32_t x = 0; x < tw; ++x)
                ASSERT_EQ(greyOut[y * Stride8(tw) + x], wideOut[y * Stride24(tw) + 3 * x]);
    }
}

// Every target pixel of a uniform image is near the source value: nothing
// left unwritten, nothing from the wrong place.
void ExpectUniform(const std::vector<uint8_t>& image, uint32_t w, uint32_t h, int low, int high) {
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t i = 0; i < 3 * w; ++i) {
            const int v = image[y * Stride24(w) + i];
            ASSERT_TRUE(v >= low && v <= high) << "byte " << i << " of row " << y << " is " << v;
        }
}

TEST(ResampleImage, LongLinesNeitherStallNorLeaveGaps) {
    // Past 4096 pixels some joins round to weight 0; the walk must go on to
    // the last target pixel all the same.
    const uint32_t sw = 9001, tw = 4500;
    std::vector<uint8_t> target(Stride24(tw) * 2);
    ASSERT_TRUE(ResampleImage(Image24(sw, 3, 200), sw, 3, target, tw, 2));
    ExpectUniform(target, tw, 2, 198, 200);

    const uint32_t ew = 5003;
    std::vector<uint8_t> wide(Stride24(ew) * 2);
    ASSERT_TRUE(ResampleImage(Image24(5000, 1, 200), 5000, 1, wide, ew, 2));
    ExpectUniform(wide, ew, 2, 198, 200);
}

TEST(ResampleImage, WiderButLowerTargetsAreResampledToo) {
    std::vector<uint8_t> target(Stride24(4) * 6, 0);
    ASSERT_TRUE(ResampleImage(Image24(8, 2, 100), 8, 2, target, 4, 6));
    ExpectUniform(target, 4, 6, 97, 100);
    std::vector<uint8_t> other(Stride24(9) * 3, 0);
    ASSERT_TRUE(ResampleImage(Image24(3, 7, 100), 3, 7, other, 9, 3));
    ExpectUniform(other, 9, 3, 97, 100);
}

TEST(ResampleImage, RefusesEmptySizesAndShortBuffers) {
    std::vector<uint8_t> target(Stride24(2) * 2, 0xEE);
    EXPECT_FALSE(ResampleImage(Image24(3, 3, 9), 3, 3, target, 2, 3));  // target too short
    EXPECT_FALSE(ResampleImage(Image24(3, 2, 9), 3, 3, target, 2, 2));  // source too short
    EXPECT_FALSE(ResampleImage(Image24(3, 3, 9), 0, 3, target, 2, 2));
    EXPECT_FALSE(ShrinkImage(Image24(3, 3, 9), 3, 3, target, 0, 2));
    EXPECT_FALSE(EnlargeImage(Image24(1, 1, 9), 1, 1, target, 2, 3));
    EXPECT_EQ(target, std::vector<uint8_t>(Stride24(2) * 2, 0xEE));
}

TEST(ResampleImage, WrongDirectionStaysInsideBuffers) {
    // Callers never ask for these; the result is meaningless, but safe.
    std::mt19937 random(5);
    std::vector<uint8_t> target(Stride24(9) * 9, 0);
    EXPECT_TRUE(ShrinkImage(Noise(4, 4, random), 4, 4, target, 9, 9));
    std::vector<uint8_t> small(Stride24(2) * 2, 0);
    EXPECT_TRUE(EnlargeImage(Noise(7, 7, random), 7, 7, small, 2, 2));
}

// Fitting the page image --------------------------------------------------

PageImage GreyView(int32_t w, int32_t h, uint32_t stride, bool portrait, std::mt19937& random) {
    PageImage page;
    page.viewWidth = w;
    page.viewHeight = h;
    // The stride of the other orientation is wrong on purpose.
    page.rowStride = portrait ? stride : 3;
    page.rotatedStride = portrait ? 3 : stride;
    page.orientation = portrait ? PixelOrientation::Portrait : PixelOrientation::Landscape;
    page.pixels.resize(size_t{stride} * uint32_t(h));
    for (auto& v : page.pixels) v = uint8_t(random());
    return page;
}

TEST(FitGreyPage, PortraitFitReplacesPixels) {
    std::mt19937 random(11);
    PageImage page = GreyView(320, 480, 324, true, random);
    const PageImage before = page;
    ASSERT_TRUE(FitGreyPage(page));
    EXPECT_EQ(page.viewWidth, 240);
    EXPECT_EQ(page.viewHeight, 360);
    EXPECT_EQ(page.rowStride, 240u);
    EXPECT_EQ(page.rotatedStride, 240u);
    EXPECT_FALSE(page.trueColour());
    std::vector<uint8_t> expected(240 * 360);
    ASSERT_TRUE(ResampleGrey(before.pixels, 320, 480, 324, expected, 240, 360, 240));
    EXPECT_EQ(page.pixels, expected);
}

TEST(FitGreyPage, LandscapeUsesTurnedRows) {
    std::mt19937 random(12);
    PageImage page = GreyView(300, 450, 300, false, random);
    ASSERT_TRUE(FitGreyPage(page));
    EXPECT_EQ(page.viewWidth, 240);
    EXPECT_EQ(page.viewHeight, 360);
    EXPECT_EQ(page.pixels.size(), 240u * 360u);

    PageImage low = GreyView(243, 250, 244, false, random);  // fits to 240 × 246
    ASSERT_TRUE(FitGreyPage(low));
    EXPECT_EQ(low.viewHeight, 246);
}

TEST(FitGreyPage, PagesThatFitAreLeftAlone) {
    std::mt19937 random(13);
    PageImage page = GreyView(240, 500, 240, true, random);
    const PageImage before = page;
    EXPECT_FALSE(FitGreyPage(page));
    EXPECT_EQ(page.pixels, before.pixels);
    EXPECT_EQ(page.viewHeight, 500);
    // Pixels that do not cover the view are not resampled.
    PageImage broken = GreyView(320, 480, 320, true, random);
    broken.pixels.resize(100);
    EXPECT_FALSE(FitGreyPage(broken));
    EXPECT_EQ(broken.viewWidth, 320);
}

PageImage ColourView(int32_t w, int32_t h, std::mt19937& random) {
    PageImage page;
    page.viewWidth = w;
    page.viewHeight = h;
    page.rowStride = uint32_t(Stride8(uint32_t(w)));
    page.pixels.resize(page.rowStride * uint32_t(h));
    for (auto& v : page.pixels) v = uint8_t(random() % 32);
    for (int i = 0; i < 32; ++i)
        page.palette.insert(page.palette.end(),
                            {uint8_t(8 * i), uint8_t(255 - i), uint8_t(i * i % 256)});
    page.format = PixelFormat::Indexed8;
    return page;
}

TEST(FitColourPage, FittedPageIsTwentyFourBitThroughThePalette) {
    std::mt19937 random(21);
    PageImage page = ColourView(320, 480, random);
    const PageImage before = page;
    ASSERT_TRUE(FitColourPage(page));
    EXPECT_EQ(page.format, PixelFormat::Bgr24);
    EXPECT_EQ(page.rowStride, 720u);
    EXPECT_EQ(page.rotatedStride, 720u);

    std::vector<uint8_t> work(Stride24(320) * 480, 0);
    for (uint32_t y = 0; y < 480; ++y)
        for (uint32_t x = 0; x < 320; ++x) {
            const uint8_t i = before.pixels[y * before.rowStride + x];
            uint8_t* bgr = &work[y * Stride24(320) + 3 * x];
            bgr[0] = before.palette[3 * i + 2];
            bgr[1] = before.palette[3 * i + 1];
            bgr[2] = before.palette[3 * i];
        }
    std::vector<uint8_t> expected(720 * 360, 0);
    ASSERT_TRUE(ResampleImage(work, 320, 480, expected, 240, 360));
    EXPECT_EQ(page.pixels, expected);
}

TEST(FitColourPage, PageNeedingNoFitStaysEightBit) {
    std::mt19937 random(22);
    PageImage page = ColourView(240, 320, random);
    const PageImage before = page;
    EXPECT_FALSE(FitColourPage(page));
    EXPECT_EQ(page.format, PixelFormat::Indexed8);
    EXPECT_EQ(page.pixels, before.pixels);
    EXPECT_EQ(page.rowStride, 240u);
}

TEST(FitColourPage, ShortPaletteGivesBlack) {
    std::mt19937 random(23);
    PageImage page = ColourView(200, 200, random);
    std::fill(page.pixels.begin(), page.pixels.end(), 31);
    page.palette.resize(3);
    ASSERT_TRUE(FitColourPage(page));
    EXPECT_EQ(page.pixels, std::vector<uint8_t>(720 * 240, 0));
}

}  // namespace
}  // namespace inkvista
