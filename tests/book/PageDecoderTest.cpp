// The decoding pieces on hand-made bytes: grey runs, 5-bit colour rows, the
// LZO block and the landscape turn.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "book/PageDecoder.h"
#include "book/Scaler.h"
#include "encode/PageEncoder.h"

namespace inkvista {
namespace {

// Eight grey entries whose first bytes are 10, 20, ... 80; the other two
// bytes of an entry never count.
std::vector<uint8_t> GreyPalette() {
    std::vector<uint8_t> palette;
    for (uint8_t c = 0; c < 8; ++c) palette.insert(palette.end(), {uint8_t(10 * c + 10), 99, 1});
    return palette;
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& packed, uint32_t width, uint32_t height,
                            const std::vector<uint8_t>& palette, bool* ok = nullptr,
                            PageDamage* damage = nullptr) {
    std::vector<uint8_t> out(Stride8(width) * height, 0xEE);
    PageDamage found = PageDamage::RunPastRow;  // must be overwritten
    const bool decoded = DecodeGreyRuns(packed, out, width, height, palette, &found);
    EXPECT_EQ(decoded, found == PageDamage::None);
    if (ok) *ok = decoded;
    if (damage) *damage = found;
    return out;
}

TEST(DecodeGreyRuns, RowsStartOnStrideAndByteBoundaries) {
    // Row 0: code 0 with length 0 (4 pixels of entry 0), then code 7; its
    // codes end at bit 3 of the second byte, whose upper bits must be skipped.
    // Row 1 from the third byte: codes 3, 4, 5, 6, 2.
    const std::vector<uint8_t> packed = {0x00, 0xFE, 0x63, 0x2D};
    bool ok = false;
    const auto out = Decode(packed, 5, 2, GreyPalette(), &ok);
    EXPECT_TRUE(ok);
    const std::vector<uint8_t> expected = {10, 10, 10, 10, 80, 0, 0, 0,
                                           40, 50, 60, 70, 30, 0, 0, 0};
    EXPECT_EQ(out, expected);
}

TEST(DecodeGreyRuns, RunLengthsAreFourToSixtySeven) {
    // Code 0 with length 63, then code 1 with length 0.
    const std::vector<uint8_t> packed = {0xF8, 0x03, 0x00};
    bool ok = false;
    const auto out = Decode(packed, 71, 1, GreyPalette(), &ok);
    EXPECT_TRUE(ok);
    for (size_t x = 0; x < 67; ++x) ASSERT_EQ(out[x], 10) << x;
    for (size_t x = 67; x < 71; ++x) EXPECT_EQ(out[x], 20) << x;
    EXPECT_EQ(out[71], 0);  // row padding
}

TEST(DecodeGreyRuns, MixedCodesInOneRowThenNextRowAtFourthByte) {
    // 0x02 0xF0 0x11: codes 2, 0 (length 0), 7, 3, 4 = 21 bits. Row 1 starts
    // with the fourth byte: code 1, length 0, twice.
    const std::vector<uint8_t> packed = {0x02, 0xF0, 0x11, 0x01, 0x02, 0x00};
    bool ok = false;
    const auto out = Decode(packed, 8, 2, GreyPalette(), &ok);
    EXPECT_TRUE(ok);
    const std::vector<uint8_t> expected = {30, 10, 10, 10, 10, 80, 40, 50,
                                           20, 20, 20, 20, 20, 20, 20, 20};
    EXPECT_EQ(out, expected);
}

TEST(DecodeGreyRuns, GreyLevelIsFirstByteOfEntryAndMissingEntriesAreBlack) {
    // Code 2 once with entry 2 = 200, 10, 10.
    std::vector<uint8_t> palette = {0, 0, 0, 0, 0, 0, 200, 10, 10};
    EXPECT_EQ(Decode({0x02}, 1, 1, palette)[0], 200);
    // Codes 7, 6, 5, 2 with only three entries: 0 for 7, 6 and 5.
    // Bits: 111 011 101 010 -> 0x77 0x05.
    const auto out = Decode({0x77, 0x05}, 4, 1, palette);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 200}));
    // No palette at all.
    EXPECT_EQ(Decode({0x02}, 1, 1, {})[0], 0);
}

TEST(DecodeGreyRuns, RunPastLastRowStopsBeforeWritingIt) {
    // Width 6, one row: code 2, then a run of 67 pixels with only 5 left.
    // Bits 010 000 111111: code 2, code 0 with length 63.
    const std::vector<uint8_t> packed = {0xC2, 0x0F};
    PageDamage damage = PageDamage::None;
    const auto out = Decode(packed, 6, 1, GreyPalette(), nullptr, &damage);
    EXPECT_EQ(damage, PageDamage::RunPastRow);
    EXPECT_EQ(out, (std::vector<uint8_t>{30, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(DecodeGreyRuns, RunPastEarlierRowIsCutAtRowEnd) {
    // Width 2, two rows: row 0 is a run of 4 (cut to 2, the next row
    // untouched by it), row 1 codes 3, 4.
    const std::vector<uint8_t> packed = {0x01, 0x00, 0x23};
    PageDamage damage = PageDamage::None;
    const auto out = Decode(packed, 2, 2, GreyPalette(), nullptr, &damage);
    EXPECT_EQ(damage, PageDamage::RunPastRow);
    EXPECT_EQ(out, (std::vector<uint8_t>{20, 20, 0, 0, 40, 50, 0, 0}));
}

TEST(DecodeGreyRuns, DataEndingEarlyLeavesTheRestBlack) {
    // Three rows of width 3, data for one and a half.
    // Row 0: codes 3, 2, 3 (the rest of the second byte skipped); row 1:
    // code 2, then code 0 whose length the data does not hold.
    const std::vector<uint8_t> packed = {0xD3, 0x06, 0x02};
    PageDamage damage = PageDamage::None;
    const auto out = Decode(packed, 3, 3, GreyPalette(), nullptr, &damage);
    EXPECT_EQ(damage, PageDamage::DataEnded);
    const std::vector<uint8_t> expected = {40, 30, 40, 0, 30, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expected);
    // No data at all: a black page. A run cut at an earlier row's end and
    // the data ending later: the end is what stopped decoding.
    EXPECT_EQ(Decode({}, 3, 2, GreyPalette(), nullptr, &damage), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(damage, PageDamage::DataEnded);
    Decode({0x01, 0x02}, 2, 3, GreyPalette(), nullptr, &damage);
    EXPECT_EQ(damage, PageDamage::DataEnded);
}

TEST(DecodeGreyRuns, RefusesAnOutputBufferTooSmallAndPassesOverEmptyPages) {
    std::vector<uint8_t> out(7, 0xEE);
    EXPECT_FALSE(DecodeGreyRuns(std::vector<uint8_t>{0x02}, out, 5, 2, GreyPalette()));
    EXPECT_EQ(out, std::vector<uint8_t>(7, 0xEE));
    std::vector<uint8_t> none;
    EXPECT_TRUE(DecodeGreyRuns(std::vector<uint8_t>{0x02}, none, 0, 3, GreyPalette()));
    EXPECT_TRUE(DecodeGreyRuns({}, none, 4, 0, GreyPalette()));
}

TEST(DecodeGreyRuns, ReadsWhatTheEncoderWrites) {
    // A page wide enough for the fast path, with runs and single pixels.
    const uint32_t width = 203, height = 37;
    std::vector<uint8_t> codes(width * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            codes[y * width + x] = (x / 9 + y) % 3 == 0 ? uint8_t(y % 2) : uint8_t(2 + (x * y) % 6);
    // Short stretches of codes 0/1 must be at least 4 long: widen them.
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (codes[y * width + x] < 2 && (x % 9) > 4) codes[y * width + x] = 5;
    std::vector<uint8_t> palette = GreyPalette();
    const auto packed = encode::EncodeGreyRuns(codes.data(), width, height, width);
    ASSERT_TRUE(packed.has_value());
    bool ok = false;
    const auto out = Decode(*packed, width, height, palette, &ok);
    EXPECT_TRUE(ok);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(out[y * Stride8(width) + x], palette[3 * codes[y * width + x]])
                << x << "," << y;
}

// One code at a time, straight from the definition of the code, with the
// same answers for damaged data.
std::vector<uint8_t> ReferenceGreyRuns(const std::vector<uint8_t>& packed, uint32_t width,
                                       uint32_t height, const std::vector<uint8_t>& palette,
                                       bool* whole) {
    const uint32_t stride = (width + 3) & ~3u;
    std::vector<uint8_t> out(size_t{stride} * height, 0);
    auto grey = [&](uint32_t c) -> uint8_t { return 3 * c < palette.size() ? palette[3 * c] : 0; };
    uint64_t bit = 0;
    auto read = [&](uint32_t n, uint32_t* value) {
        if (bit + n > packed.size() * 8) return false;
        *value = 0;
        for (uint32_t i = 0; i < n; ++i, ++bit)
            *value |= uint32_t((packed[bit / 8] >> (bit % 8)) & 1) << i;
        return true;
    };
    *whole = true;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width;) {
            uint32_t code = 0, length = 0;
            if (!read(3, &code)) return *whole = false, out;
            if (code >= 2) {
                out[y * stride + x++] = grey(code);
                continue;
            }
            if (!read(6, &length)) return *whole = false, out;
            uint32_t run = length + 4;
            if (run > width - x) {
                *whole = false;
                if (y + 1 == height) return out;
                run = width - x;
            }
            for (uint32_t i = 0; i < run; ++i) out[y * stride + x++] = grey(code);
        }
        bit = (bit + 7) / 8 * 8;
    }
    return out;
}

TEST(DecodeGreyRuns, AgreesWithCodeByCodeDecodingOnAnyBytes) {
    std::mt19937 random(31);
    for (int round = 0; round < 3000; ++round) {
        const uint32_t width = 1 + random() % (round % 3 == 0 ? 300 : 40);
        const uint32_t height = 1 + random() % 12;
        std::vector<uint8_t> packed(random() % (width * height / 2 + 8));
        // Mostly single-pixel codes, sometimes runs, sometimes anything.
        for (auto& b : packed) b = uint8_t(random() % 4 == 0 ? random() : random() | 0x92);
        std::vector<uint8_t> palette(random() % 30);
        for (auto& b : palette) b = uint8_t(random());
        bool ok = false, expectedOk = false;
        const auto out = Decode(packed, width, height, palette, &ok);
        const auto expected = ReferenceGreyRuns(packed, width, height, palette, &expectedOk);
        ASSERT_EQ(out, expected) << "round " << round << ", " << width << " x " << height;
        ASSERT_EQ(ok, expectedOk) << "round " << round;
    }
}

// Colour rows --------------------------------------------------------------

PageImage Unpack(const std::vector<uint8_t>& data, uint32_t width, uint32_t height, bool portrait) {
    PageImage page;
    EXPECT_TRUE(UnpackColourPixels(data, width, height, portrait, page));
    return page;
}

TEST(UnpackColourPixels, FiveBytesGiveEightIndices) {
    // Width 8: rowBytes 6 (5 rounded up to even), one whole group per row.
    const std::vector<uint8_t> data = {0x08, 0x86, 0x42, 0x98, 0xE8, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    const PageImage page = Unpack(data, 8, 2, true);
    EXPECT_EQ(page.rowStride, 8u);
    const std::vector<uint8_t> expected = {1, 2, 3, 4, 5, 6, 7, 8, 31, 31, 31, 31, 31, 31, 31, 31};
    EXPECT_EQ(page.pixels, expected);
}

TEST(UnpackColourPixels, NarrowRowComesFromTheLastGroupAlone) {
    // Width 3: rowBytes 2 and no whole group. The data ends with the second
    // row: the last group's bytes 2 to 4 lie outside it and count as 0.
    const std::vector<uint8_t> data = {0x08, 0x86, 0xFF, 0xFE};
    const PageImage page = Unpack(data, 3, 2, true);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{1, 2, 3, 0, 31, 31, 31, 0}));
}

TEST(UnpackColourPixels, Width240RowsAre150BytesOf30Groups) {
    std::vector<uint8_t> data;
    for (int g = 0; g < 30; ++g) data.insert(data.end(), {0x08, 0x86, 0x42, 0x98, 0xE8});
    data.insert(data.end(), 150, 0xFF);
    const PageImage page = Unpack(data, 240, 2, true);
    ASSERT_EQ(page.pixels.size(), 480u);
    for (size_t x = 0; x < 240; ++x) {
        ASSERT_EQ(page.pixels[x], x % 8 + 1) << x;
        ASSERT_EQ(page.pixels[240 + x], 31) << x;
    }
}

TEST(UnpackColourPixels, ShortDataCountsAsZero) {
    // Width 16, three rows, data only for the first row and a half.
    std::vector<uint8_t> data = {0x08, 0x86, 0x42, 0x98, 0xE8, 0x08, 0x86,
                                 0x42, 0x98, 0xE8, 0xFF, 0xFF, 0xFF};
    const PageImage page = Unpack(data, 16, 3, true);
    ASSERT_EQ(page.pixels.size(), 48u);
    for (size_t x = 0; x < 16; ++x) EXPECT_EQ(page.pixels[x], x % 8 + 1);
    // 0xFF 0xFF 0xFF then zeros: 31, 31, 31, 31, 0b11110 = 30, 0, 0, 0.
    EXPECT_EQ(std::vector<uint8_t>(page.pixels.begin() + 16, page.pixels.begin() + 24),
              (std::vector<uint8_t>{31, 31, 31, 31, 30, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(page.pixels.begin() + 24, page.pixels.end()),
              std::vector<uint8_t>(24, 0));
    // No data at all.
    EXPECT_EQ(Unpack({}, 5, 2, true).pixels, std::vector<uint8_t>(16, 0));
}

TEST(UnpackColourPixels, LandscapeTurnsCounterClockwise) {
    // Every pixel of an 11 × 13 page distinct (mod 32 does not repeat in a
    // row or column); stored (x, y) must land at row width - 1 - x, column y.
    const uint32_t width = 11, height = 13;
    std::vector<uint8_t> indices(width * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) indices[y * width + x] = uint8_t((x * 3 + y * 5) % 32);
    const auto data = encode::PackColourRows(indices.data(), width, height, width);
    ASSERT_TRUE(data.has_value());
    const PageImage page = Unpack(*data, width, height, false);
    EXPECT_EQ(page.rotatedStride, 16u);
    ASSERT_EQ(page.pixels.size(), 16u * width);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(page.pixels[(width - 1 - x) * 16 + y], indices[y * width + x])
                << x << "," << y;
    for (uint32_t row = 0; row < width; ++row)
        for (uint32_t pad = height; pad < 16; ++pad) EXPECT_EQ(page.pixels[row * 16 + pad], 0);
}

TEST(UnpackColourPixels, ReadsWhatThePackerWrites) {
    // Every width class: whole groups in pairs and alone, a short last group.
    std::mt19937 random(3);
    for (const uint32_t width : {1u, 7u, 8u, 16u, 24u, 203u, 240u, 1001u}) {
        const uint32_t height = 5;
        std::vector<uint8_t> indices(size_t{width} * height);
        for (auto& v : indices) v = uint8_t(random() % 32);
        const auto data = encode::PackColourRows(indices.data(), width, height, width);
        ASSERT_TRUE(data.has_value());
        const PageImage page = Unpack(*data, width, height, true);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(page.pixels[y * page.rowStride + x], indices[y * width + x])
                    << width << ": " << x << "," << y;
    }
}

TEST(UnpackColourPixels, RefusesPagesPastTheLimit) {
    PageImage page;
    page.pixels = {1, 2, 3};
    EXPECT_FALSE(UnpackColourPixels({}, 0xFFFFFFFFu, 2, true, page));
    EXPECT_TRUE(page.pixels.empty());
    EXPECT_FALSE(UnpackColourPixels({}, 2, 0x10000000u, false, page));
    EXPECT_FALSE(UnpackColourPixels({}, 0, 5, true, page));
}

// The size of this process's address space, in bytes.
uint64_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0)
            return std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
    }
    return 0;
}

// A one-row landscape page as wide as the page limit allows, unpacked with
// the address space held to the turned page and a little more: nothing the
// turn works with may need much more than the page itself, or a tiny crafted
// book could make the reader ask for gigabytes.
[[noreturn]] void UnpackWidestLandscapeRowWithinLimit() {
    const auto width = static_cast<uint32_t>(kMaxPageBytes / 4);
    const uint64_t limit = AddressSpaceInUse() + (uint64_t{640} << 20);
    const rlimit space{limit, limit};
    setrlimit(RLIMIT_AS, &space);
    PageImage page;
    const bool ok = UnpackColourPixels({}, width, 1, false, page);
    std::_Exit(ok && page.pixels.size() == 4ull * width ? 0 : 1);
}

TEST(UnpackColourPixels, LandscapeWorkRowsStayNearThePageLimit) {
    EXPECT_EXIT(UnpackWidestLandscapeRowWithinLimit(), ::testing::ExitedWithCode(0), "");
}

// A portrait page as wide as the limit allows whose data is missing: with
// room for the page but not for a copy of one of its rows, the unpacking
// fails like a failed allocation instead of throwing out of the decoder.
[[noreturn]] void UnpackWidestShortRowWithoutRoomForItsCopy() {
    const auto width = static_cast<uint32_t>(kMaxPageBytes);
    const uint64_t limit = AddressSpaceInUse() + kMaxPageBytes + (uint64_t{64} << 20);
    const rlimit space{limit, limit};
    setrlimit(RLIMIT_AS, &space);
    PageImage page;
    bool ok = true;
    try {
        ok = UnpackColourPixels({}, width, 1, true, page);
    } catch (...) {
        std::_Exit(2);
    }
    std::_Exit(!ok && page.pixels.empty() ? 0 : 1);
}

TEST(UnpackColourPixels, NoRoomForAShortRowIsAFailedAllocation) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's allocator aborts where the system's reports failure";
#endif
    EXPECT_EXIT(UnpackWidestShortRowWithoutRoomForItsCopy(), ::testing::ExitedWithCode(0), "");
}

// Grey storing ------------------------------------------------------------

TEST(StoreGreyPixels, PortraitKeepsTheDecodedImage) {
    PageImage page;
    std::vector<uint8_t> decoded = {1, 2, 3, 0, 4, 5, 6, 0};
    ASSERT_TRUE(StoreGreyPixels(std::vector<uint8_t>(decoded), 3, 2, true, page));
    EXPECT_EQ(page.pixels, decoded);
    EXPECT_EQ(page.rowStride, 4u);
}

TEST(StoreGreyPixels, LandscapeTurnsEveryPixelToItsPlace) {
    // Heights below, at and past the eight-row bands the turn works in.
    for (const uint32_t height : {1u, 5u, 8u, 19u}) {
        const uint32_t width = 7;
        const uint32_t stride = 8;
        std::vector<uint8_t> decoded(stride * height, 0xAA);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) decoded[y * stride + x] = uint8_t(y * width + x);
        PageImage page;
        ASSERT_TRUE(StoreGreyPixels(std::vector<uint8_t>(decoded), width, height, false, page));
        const uint32_t turned = (height + 3) & ~3u;
        EXPECT_EQ(page.rotatedStride, turned);
        ASSERT_EQ(page.pixels.size(), size_t{turned} * width);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(page.pixels[(width - 1 - x) * turned + y], y * width + x)
                    << "height " << height << " at " << x << "," << y;
        for (uint32_t row = 0; row < width; ++row)
            for (uint32_t pad = height; pad < turned; ++pad)
                EXPECT_EQ(page.pixels[row * turned + pad], 0);
    }
}

TEST(StoreGreyPixels, RefusesADecodedImageTooShort) {
    PageImage page;
    EXPECT_FALSE(StoreGreyPixels(std::vector<uint8_t>(7), 3, 2, false, page));
    EXPECT_TRUE(page.pixels.empty());
}

// LZO ---------------------------------------------------------------------

// A literal-only LZO1X block: 17 + n, the n bytes, then the end marker.
std::vector<uint8_t> LiteralBlock(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> block(bytes.size() + 4, 0);
    block[0] = uint8_t(17 + bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.begin() + 1);
    block[bytes.size() + 1] = 0x11;  // end marker 0x11 0x00 0x00
    return block;
}

TEST(DecompressPageData, OutputOfExactlyTheCapacityIsAccepted) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<uint8_t> out(8);
    size_t produced = 0;
    ASSERT_TRUE(DecompressPageData(LiteralBlock(bytes), out, &produced));
    EXPECT_EQ(produced, 8u);
    EXPECT_EQ(out, bytes);

    std::vector<uint8_t> small(7);
    EXPECT_FALSE(DecompressPageData(LiteralBlock(bytes), small, &produced));
    EXPECT_EQ(produced, 0u);
}

TEST(DecompressPageData, DamagedBlocksFail) {
    std::vector<uint8_t> out(64);
    size_t produced = 0;
    const auto block = LiteralBlock({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(DecompressPageData({}, out, &produced));
    // Cut before the end marker.
    EXPECT_FALSE(DecompressPageData(std::span(block).first(block.size() - 2), out, &produced));
    // Literals claimed past the block's end.
    EXPECT_FALSE(DecompressPageData(std::vector<uint8_t>{200, 1, 2}, out, &produced));
    // A match reaching back before the output's start.
    EXPECT_FALSE(DecompressPageData(
        std::vector<uint8_t>{21, 1, 2, 3, 4, 0x20, 0xFF, 0xFF, 0x11, 0x00, 0x00}, out, &produced));
}

TEST(DecompressPageData, ReadsWhatTheCompressorWrites) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t((i / 7) % 13);
    const auto block = encode::CompressLzo1x1(data);
    ASSERT_TRUE(block.has_value());
    std::vector<uint8_t> out(5000);
    size_t produced = 0;
    ASSERT_TRUE(DecompressPageData(*block, out, &produced));
    EXPECT_EQ(produced, data.size());
    EXPECT_EQ(out, data);
}

}  // namespace
}  // namespace inkvista
