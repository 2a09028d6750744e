// LoadPage end to end: books on a test device, grey and colour pages, both
// record kinds, portrait and landscape, with and without fitting.
#include "book/Scaler.h"
#include "support/LoadPageFixture.h"

namespace inkvista {
namespace {

uint8_t GreyOf(uint8_t code) {
    return static_cast<uint8_t>(30 * code + 10);
}

TEST_F(LoadPageTest, GreyPagePortraitIsTheStoredImage) {
    const uint32_t w = 37, h = 23;
    const auto codes = SomeCodes(w, h);
    PutPages({GreyCodes(codes, w, h)});
    ASSERT_TRUE(Load(0, true));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(page_.viewWidth, 37);
    EXPECT_EQ(page_.viewHeight, 23);
    EXPECT_EQ(page_.rowStride, 40u);
    EXPECT_EQ(page_.format, PixelFormat::Grey8);
    EXPECT_EQ(page_.palette.size(), 3u * 8);
    ASSERT_EQ(page_.pixels.size(), 40u * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(page_.pixels[y * 40 + x], GreyOf(codes[y * w + x])) << x << "," << y;
}

TEST_F(LoadPageTest, SkippedWordsAndRowTableAreSteppedOver) {
    const uint32_t w = 9, h = 5;
    const auto codes = SomeCodes(w, h);
    auto page = GreyCodes(codes, w, h, "XC");
    page.skipWords = 3;
    PutPages({page});
    ASSERT_TRUE(Load(0, true));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(page_.pixels[y * 12 + x], GreyOf(codes[y * w + x])) << x << "," << y;
}

TEST_F(LoadPageTest, LandscapeTurns) {
    const uint32_t w = 400, h = 240;
    const auto codes = SomeCodes(w, h);
    PutPages({GreyCodes(codes, w, h), GreyCodes(SomeCodes(300, 240), 300, 240)});
    ASSERT_TRUE(Load(0, false));
    EXPECT_EQ(page_.viewWidth, 240);
    EXPECT_EQ(page_.viewHeight, 400);
    EXPECT_EQ(page_.rotatedStride, 240u);
    ASSERT_EQ(page_.pixels.size(), 240u * 400u);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(page_.pixels[(w - 1 - x) * 240 + y], GreyOf(codes[y * w + x]))
                << x << "," << y;

    ASSERT_TRUE(Load(1, false));
    EXPECT_EQ(page_.viewHeight, 300);
}

TEST_F(LoadPageTest, ColourPageSetsTheColourTableAndGreyPageRestoresIt) {
    const uint32_t w = 29, h = 17;
    const auto indices = SomeIndices(w, h);
    PutPages({Colour(indices, w, h), GreyCodes(SomeCodes(8, 8), 8, 8)});
    ASSERT_TRUE(Load(0, true));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(page_.format, PixelFormat::Indexed8);
    EXPECT_EQ(page_.rowStride, 32u);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(page_.pixels[y * 32 + x], indices[y * w + x]) << x << "," << y;
    const auto palette = ColourPalette();
    const std::array<RgbQuad, 256> colours = ColourTable(page_);
    for (size_t i = 0; i < 32; ++i) {
        const RgbQuad& entry = colours[i];
        EXPECT_EQ(entry.red, palette[3 * i]);
        EXPECT_EQ(entry.green, palette[3 * i + 1]);
        EXPECT_EQ(entry.blue, palette[3 * i + 2]);
    }
    EXPECT_EQ(colours[32].red, 32);

    ASSERT_TRUE(Load(1, true));
    const std::array<RgbQuad, 256> ramp = ColourTable(page_);
    for (size_t i = 0; i < 256; ++i) {
        const RgbQuad& entry = ramp[i];
        ASSERT_TRUE(entry.red == i && entry.green == i && entry.blue == i) << i;
    }
}

TEST_F(LoadPageTest, ColourPageLandscape) {
    const uint32_t w = 21, h = 10;
    const auto indices = SomeIndices(w, h);
    PutPages({Colour(indices, w, h)});
    ASSERT_TRUE(Load(0, false));
    EXPECT_EQ(page_.viewWidth, 10);
    EXPECT_EQ(page_.viewHeight, 21);
    EXPECT_EQ(page_.rotatedStride, 12u);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(page_.pixels[(w - 1 - x) * 12 + y], indices[y * w + x]) << x << "," << y;
}

TEST_F(LoadPageTest, PixelsKeepTheirOwnStrideWhenTheViewTurnsAndALoadFails) {
    // A landscape page, then a switch to portrait whose load fails on a
    // damaged colour block: the pixels are still the turned page, and their
    // stride must be the turned one whatever the view says now.
    const uint32_t w = 30, h = 10;
    auto broken = Colour(SomeIndices(w, h), w, h);
    broken.packed.assign(broken.packed.size(), 0xFF);
    PutPages({GreyCodes(SomeCodes(w, h), w, h), broken});
    ASSERT_TRUE(Load(0, false));
    const std::vector<uint8_t> turned = page_.pixels;
    EXPECT_EQ(page_.orientation, PixelOrientation::Landscape);
    EXPECT_EQ(page_.PixelStride(), 12u);
    EXPECT_FALSE(Load(1, true));
    EXPECT_EQ(page_.pixels, turned);
    EXPECT_EQ(page_.orientation, PixelOrientation::Landscape);
    EXPECT_EQ(page_.PixelStride(), 12u);
    ASSERT_TRUE(Load(0, true));
    EXPECT_EQ(page_.orientation, PixelOrientation::Portrait);
    EXPECT_EQ(page_.PixelStride(), 32u);
    // A fitted page has one stride for both.
    PutPages({GreyCodes(SomeCodes(400, 300), 400, 300)});
    ASSERT_TRUE(Load(0, false, true));
    EXPECT_EQ(page_.orientation, PixelOrientation::Landscape);
    EXPECT_EQ(page_.PixelStride(), page_.rowStride);
    EXPECT_EQ(page_.PixelStride(), 240u);
}

TEST_F(LoadPageTest, NextPageOfTheSameSizeLeavesNothingOfTheLastBehind) {
    // A page loaded after another of its size gets exactly its own bytes,
    // padding included, whichever buffer it lands in.
    const uint32_t w = 37, h = 23;
    const auto codes = SomeCodes(w, h);
    const auto indices = SomeIndices(w, h);
    PutPages({GreyCodes(codes, w, h), Colour(indices, w, h)});
    for (const bool portrait : {true, false}) {
        SCOPED_TRACE(portrait ? "portrait" : "landscape");
        for (const int first : {0, 1}) {
            ASSERT_TRUE(Load(first, portrait));
            ASSERT_TRUE(Load(1 - first, portrait));
            const bool grey = first == 1;
            const uint32_t stride = portrait ? 40 : 24;
            ASSERT_EQ(page_.pixels.size(), size_t{stride} * (portrait ? h : w));
            std::vector<uint8_t> expected(page_.pixels.size(), 0);
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) {
                    const size_t at = portrait ? y * stride + x : (w - 1 - x) * stride + y;
                    expected[at] = grey ? GreyOf(codes[y * w + x]) : indices[y * w + x];
                }
            EXPECT_EQ(page_.pixels, expected);
        }
    }
}

TEST_F(LoadPageTest, RecordKindAndBitsPerPixelChooseTheEncoding) {
    auto xc4 = GreyCodes(SomeCodes(8, 2), 8, 2, "XC");
    xc4.bitsPerPixel = 4;
    auto field32 = GreyCodes(SomeCodes(8, 2), 8, 2, "XC");
    field32.field32 = 1;
    auto badMagic = GreyCodes(SomeCodes(8, 2), 8, 2, "XC");
    badMagic.record = "XX";
    const auto codes = SomeCodes(8, 2);
    auto cx5 = GreyCodes(codes, 8, 2, "CX");
    cx5.bitsPerPixel = 5;
    PutPages({xc4, field32, badMagic, cx5});

    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(Load(i, true)) << i;
        EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Unsupported File Format"}) << i;
    }
    ASSERT_TRUE(Load(3, true));
    EXPECT_TRUE(Shown().empty());
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(page_.pixels[8 + x], GreyOf(codes[8 + x]));
}

TEST_F(LoadPageTest, DecompressedDataFillingTheBufferExactlyIsAccepted) {
    // Width 4: rowBytes and rowStride are both 4, so two rows are exactly the
    // buffer. The block holds the 8 bytes as literals.
    encode::PagePlan exact;
    exact.record = "XC";
    exact.bitsPerPixel = 5;
    exact.width = 4;
    exact.height = 2;
    exact.palette = ColourPalette();
    exact.packed = {25, 0x08, 0x86, 0x40, 0x00, 0xFF, 0xFF, 0xF0, 0x00, 0x11, 0x00, 0x00};
    encode::PagePlan over = exact;  // one byte more than the buffer
    over.packed = {26, 0x08, 0x86, 0x40, 0x00, 0xFF, 0xFF, 0xF0, 0x00, 0x00, 0x11, 0x00, 0x00};
    PutPages({exact, over});
    ASSERT_TRUE(Load(0, true));
    EXPECT_EQ(page_.pixels, (std::vector<uint8_t>{1, 2, 3, 4, 31, 31, 31, 31}));
    EXPECT_FALSE(Load(1, true));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Color Data Decoding Error"});
}

TEST_F(LoadPageTest, FitToWindowResamplesGreyAndColour) {
    const auto codes = SomeCodes(320, 480);
    const auto indices = SomeIndices(320, 480);
    PutPages({GreyCodes(codes, 320, 480), Colour(indices, 320, 480),
              Colour(SomeIndices(240, 320), 240, 320)});

    ASSERT_TRUE(Load(0, true, true));
    EXPECT_EQ(page_.viewWidth, 240);
    EXPECT_EQ(page_.viewHeight, 360);
    EXPECT_FALSE(page_.trueColour());
    std::vector<uint8_t> grey(320 * 480);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = GreyOf(codes[i]);
    std::vector<uint8_t> expected(240 * 360);
    ASSERT_TRUE(ResampleGrey(grey, 320, 480, 320, expected, 240, 360, 240));
    EXPECT_EQ(page_.pixels, expected);

    // Turned, it is shown 480 × 320: wide but not higher than the screen.
    ASSERT_TRUE(Load(1, false, true));
    EXPECT_FALSE(page_.trueColour());
    EXPECT_EQ(page_.viewWidth, 480);

    ASSERT_TRUE(Load(1, true, true));
    EXPECT_TRUE(page_.trueColour());
    EXPECT_EQ(page_.viewWidth, 240);
    EXPECT_EQ(page_.rowStride, 720u);
    EXPECT_EQ(page_.pixels.size(), 720u * 360u);

    ASSERT_TRUE(Load(2, true, true));
    EXPECT_FALSE(page_.trueColour());
    EXPECT_EQ(page_.pixels.size(), 240u * 320u);
}

}  // namespace
}  // namespace inkvista
