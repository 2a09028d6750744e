// The encoders against the reader's decoders.
#include <gtest/gtest.h>

#include <numeric>

#include "ToolTestSupport.h"
#include "book/PageDecoder.h"
#include "book/Scaler.h"
#include "encode/PageEncoder.h"

namespace inkvista {
namespace {

using encode::ColourPage;
using encode::CompressLzo1x1;
using encode::EncodeGreyRuns;
using encode::GreyPage;
using encode::PackColourRows;
using testing::TestRng;

// Levels 10, 20, ... 80 for codes 0..7, so every decoded byte names its code.
std::vector<uint8_t> CodePalette() {
    std::vector<uint8_t> palette;
    for (int c = 0; c < 8; ++c)
        palette.insert(palette.end(), {static_cast<uint8_t>(10 * (c + 1)), 1, 2});
    return palette;
}

// Decodes `packed` and answers the code of every pixel, rows without padding.
std::vector<uint8_t> DecodeCodes(const std::vector<uint8_t>& packed, uint32_t width,
                                 uint32_t height) {
    std::vector<uint8_t> out(Stride8(width) * height, 0xEE);
    const std::vector<uint8_t> palette = CodePalette();
    EXPECT_TRUE(DecodeGreyRuns(packed, out, width, height, palette));
    std::vector<uint8_t> codes;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            codes.push_back(static_cast<uint8_t>(out[y * Stride8(width) + x] / 10 - 1));
    return codes;
}

TEST(GreyRunEncoder, RunLengthsAtTheLimitsOfOneCode) {
    // 4 and 67 are the shortest and longest runs of one code; 68 to 70 must
    // be split so that no piece is shorter than 4; 134 is two full codes.
    for (uint32_t n : {4u, 5u, 66u, 67u, 68u, 69u, 70u, 71u, 134u, 135u, 300u}) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> codes(n, 1);
        const auto packed = EncodeGreyRuns(codes.data(), n, 1, n);
        ASSERT_TRUE(packed);
        EXPECT_EQ(DecodeCodes(*packed, n, 1), codes);
        // Each piece takes 9 bits; the fewest pieces that can hold the run.
        const uint32_t pieces = (n + encode::kMaxRun - 1) / encode::kMaxRun;
        EXPECT_EQ(packed->size(), (pieces * 9 + 7) / 8);
    }
}

TEST(GreyRunEncoder, MatchesTheDocumentedBitLayout) {
    const uint8_t codes[8] = {2, 0, 0, 0, 0, 7, 3, 4};
    const auto packed = EncodeGreyRuns(codes, 8, 1, 8);
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, (std::vector<uint8_t>{0x02, 0xF0, 0x11}));
}

TEST(GreyRunEncoder, RowsEndingInsideAByteStartTheNextRowOnAByte) {
    // Width 5 of single pixels: 15 bits, so each row takes two bytes, and
    // the decoder's row padding (3 bytes per row) is left alone.
    const uint8_t codes[15] = {2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 2, 7, 7, 3};
    const auto packed = EncodeGreyRuns(codes, 5, 3, 5);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->size(), 6u);
    EXPECT_EQ(DecodeCodes(*packed, 5, 3), std::vector<uint8_t>(codes, codes + 15));

    // A run ending one row and a run filling the next stay apart.
    std::vector<uint8_t> mixed = {0, 0, 0, 0, 5, 1, 1, 1, 1, 1};  // two rows of 5
    const auto runs = EncodeGreyRuns(mixed.data(), 5, 2, 5);
    ASSERT_TRUE(runs);
    EXPECT_EQ(DecodeCodes(*runs, 5, 2), mixed);
}

TEST(GreyRunEncoder, RandomPagesSurviveTheDecoder) {
    TestRng rng(7);
    for (uint32_t width : {1u, 3u, 5u, 7u, 8u, 63u, 241u}) {
        SCOPED_TRACE(width);
        const uint32_t height = 9;
        const size_t stride = width + 3;  // the encoder honours its stride
        std::vector<uint8_t> codes(stride * height, 0xFF);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width;) {
                // Long runs of 0 and 1 where they fit, single codes elsewhere.
                const uint32_t left = width - x;
                if (left >= 4 && rng.Below(3) == 0) {
                    const uint32_t n = 4 + rng.Below(std::min<uint32_t>(left - 3, 150));
                    std::fill_n(&codes[y * stride + x], n, static_cast<uint8_t>(rng.Below(2)));
                    x += n;
                    // Two runs of one code side by side would be one run.
                    if (x < width) codes[y * stride + x++] = static_cast<uint8_t>(2 + rng.Below(6));
                } else {
                    codes[y * stride + x++] = static_cast<uint8_t>(2 + rng.Below(6));
                }
            }
        }
        const auto packed = EncodeGreyRuns(codes.data(), width, height, stride);
        ASSERT_TRUE(packed);
        std::vector<uint8_t> expected;
        for (uint32_t y = 0; y < height; ++y)
            expected.insert(expected.end(), &codes[y * stride], &codes[y * stride + width]);
        EXPECT_EQ(DecodeCodes(*packed, width, height), expected);
    }
}

TEST(GreyRunEncoder, RefusesWhatTheCodeCannotSay) {
    const uint8_t shortRun[5] = {0, 0, 0, 2, 2};  // entry 0 only in runs of 4 or more
    EXPECT_FALSE(EncodeGreyRuns(shortRun, 5, 1, 5));
    const uint8_t wrapped[8] = {2, 2, 1, 1, 1, 1, 2, 2};  // a run of 2 at a row's end and start
    EXPECT_FALSE(EncodeGreyRuns(wrapped, 4, 2, 4));
    const uint8_t badCode[2] = {2, 8};
    EXPECT_FALSE(EncodeGreyRuns(badCode, 2, 1, 2));
}

// The reader's colour pixels of `packed` rows, portrait.
std::vector<uint8_t> UnpackRows(const std::vector<uint8_t>& rows, uint32_t width, uint32_t height) {
    PageImage page;
    EXPECT_TRUE(UnpackColourPixels(rows, width, height, true, page));
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) out.push_back(page.pixels[y * page.rowStride + x]);
    return out;
}

TEST(ColourRowPacker, MatchesTheDocumentedLayoutAndRowLengths) {
    const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto rows = PackColourRows(eight, 8, 1, 8);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (std::vector<uint8_t>{0x08, 0x86, 0x42, 0x98, 0xE8, 0x00}));
    EXPECT_EQ(encode::ColourRowBytes(3), 2u);
    EXPECT_EQ(encode::ColourRowBytes(8), 6u);
    EXPECT_EQ(encode::ColourRowBytes(240), 150u);
    EXPECT_EQ(encode::ColourRowBytes(1), 2u);
    const uint8_t tooBig[1] = {32};
    EXPECT_FALSE(PackColourRows(tooBig, 1, 1, 1));
}

TEST(ColourRowPacker, OddWidthsSurviveTheDecoder) {
    TestRng rng(11);
    for (uint32_t width : {1u, 2u, 3u, 5u, 7u, 8u, 9u, 12u, 13u, 241u}) {
        SCOPED_TRACE(width);
        const uint32_t height = 5;
        std::vector<uint8_t> indices(width * height);
        for (uint8_t& v : indices) v = static_cast<uint8_t>(rng.Below(32));
        const auto rows = PackColourRows(indices.data(), width, height, width);
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->size(), encode::ColourRowBytes(width) * height);
        EXPECT_EQ(UnpackRows(*rows, width, height), indices);
    }
}

TEST(Lzo1x1, BlocksDecompressToTheirInput) {
    TestRng rng(3);
    std::vector<uint8_t> noisy(5000);
    for (uint8_t& v : noisy) v = static_cast<uint8_t>(rng.Next());
    for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{}, std::vector<uint8_t>(1, 7),
                                             std::vector<uint8_t>(100000, 0), noisy}) {
        const auto block = CompressLzo1x1(data);
        ASSERT_TRUE(block);
        // Exactly the input's size of room is enough.
        std::vector<uint8_t> out(data.size());
        size_t produced = 99;
        ASSERT_TRUE(DecompressPageData(*block, out, &produced));
        EXPECT_EQ(produced, data.size());
        EXPECT_EQ(out, data);
    }
}

TEST(GreyPageBuilder, KeepsUpToSixFreelyPlacedLevelsExactly) {
    TestRng rng(5);
    const uint8_t levels[6] = {0, 40, 90, 150, 200, 255};
    const uint32_t w = 37, h = 11;
    std::vector<uint8_t> grey(w * h);
    for (uint8_t& v : grey) v = levels[rng.Below(6)];
    const auto page = GreyPage(grey.data(), w, h, w, "XC");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->record, "XC");
    EXPECT_EQ(page->bitsPerPixel, 3);
    ASSERT_EQ(page->palette.size(), 24u);
    std::vector<uint8_t> out(Stride8(w) * h);
    ASSERT_TRUE(DecodeGreyRuns(page->packed, out, w, h, page->palette));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(out[y * Stride8(w) + x], grey[y * w + x]);
}

TEST(GreyPageBuilder, GivesTheRunCodesToTheLevelsOfLongRuns) {
    // A white page with a black frame is long runs only: the top and bottom
    // rows take 4 run codes (67 + 67 + 67 + 39: 36 bits, 5 bytes), the others
    // 6 (4 + 67 + 67 + 67 + 31 + 4: 54 bits, 7 bytes). Without run codes for
    // black and white a row would take 90 bytes.
    const uint32_t w = 240, h = 320;
    std::vector<uint8_t> grey(w * h, 255);
    for (uint32_t x = 0; x < w; ++x) grey[x] = grey[(h - 1) * w + x] = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x : {0u, 1u, 2u, 3u, w - 4, w - 3, w - 2, w - 1}) grey[y * w + x] = 0;
    const auto page = GreyPage(grey.data(), w, h, w);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->packed.size(), 2 * 5u + (h - 2) * 7u);
    EXPECT_EQ(std::min(page->palette[0], page->palette[3]), 0);
    EXPECT_EQ(std::max(page->palette[0], page->palette[3]), 255);
}

TEST(GreyPageBuilder, EightLevelsNeedTwoOfThemInLongRunsOnly) {
    const uint32_t w = 16, h = 2;
    // Row 0: levels 0..5 as single pixels, then 5 pixels of 6 and 5 of 7.
    std::vector<uint8_t> grey = {0, 1, 2, 3, 4, 5, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7,
                                 5, 4, 3, 2, 1, 0, 7, 7, 7, 7, 6, 6, 6, 6, 0, 1};
    for (uint8_t& v : grey) v = static_cast<uint8_t>(v * 30);
    const auto page = GreyPage(grey.data(), w, h, w);
    ASSERT_TRUE(page);
    std::vector<uint8_t> out(Stride8(w) * h);
    ASSERT_TRUE(DecodeGreyRuns(page->packed, out, w, h, page->palette));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(out[y * Stride8(w) + x], grey[y * w + x]);

    // A single pixel of a seventh level that also has short runs cannot be said.
    grey[1] = 180;  // level 6 now also stands alone
    grey[2] = 210;  // and level 7
    EXPECT_FALSE(GreyPage(grey.data(), w, h, w));

    // RestrictGreyForRuns moves just those pixels to a neighbouring level.
    std::vector<uint8_t> fixed = grey;
    const auto changed = encode::RestrictGreyForRuns(fixed.data(), w, h, w);
    ASSERT_TRUE(changed);
    EXPECT_EQ(*changed, 2u);
    size_t differing = 0;
    for (size_t i = 0; i < grey.size(); ++i) {
        if (fixed[i] == grey[i]) continue;
        ++differing;
        EXPECT_EQ(std::abs(fixed[i] - grey[i]), 30);
    }
    EXPECT_EQ(differing, 2u);
    EXPECT_TRUE(GreyPage(fixed.data(), w, h, w));

    std::vector<uint8_t> nine(9);
    std::iota(nine.begin(), nine.end(), 0);
    EXPECT_FALSE(encode::RestrictGreyForRuns(nine.data(), 9, 1, 9));
    EXPECT_FALSE(GreyPage(nine.data(), 9, 1, 9));
}

TEST(ColourPageBuilder, PadsThePaletteAndRefusesOversizedOnes) {
    const uint8_t indices[3] = {0, 1, 1};
    const auto page = ColourPage(indices, 3, 1, 3, {255, 0, 0, 0, 0, 255});
    ASSERT_TRUE(page);
    EXPECT_EQ(page->record, "XC");
    EXPECT_EQ(page->bitsPerPixel, 5);
    EXPECT_EQ(page->palette.size(), 96u);
    EXPECT_FALSE(ColourPage(indices, 3, 1, 3, std::vector<uint8_t>(99, 0)));
}

}  // namespace
}  // namespace inkvista
