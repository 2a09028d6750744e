#include <gtest/gtest.h>

#include <array>

#include "platform/ByteOrder.h"

namespace inkvista {
namespace {

constexpr uint8_t kBytes[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// The byte-wise path taken during constant evaluation.
static_assert(LoadBE16(kBytes) == 0x0123);
static_assert(LoadLE16(kBytes) == 0x2301);
static_assert(LoadBE32(kBytes + 4) == 0x89ABCDEF);
static_assert(LoadLE32(kBytes + 4) == 0xEFCDAB89);
static_assert(LoadBE64(kBytes) == 0x0123456789ABCDEFull);
static_assert(LoadLE64(kBytes) == 0xEFCDAB8967452301ull);
static_assert([] {
    std::array<uint8_t, 4> b{};
    StoreBE32(b.data(), 0xA1B2C3D4);
    return b[0] == 0xA1 && b[3] == 0xD4 && LoadBE32(b.data()) == 0xA1B2C3D4;
}());

TEST(ByteOrder, RuntimeLoadsAgreeWithTheByteWiseOnesAtAnyAlignment) {
    uint8_t bytes[16];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(0x10 * i + i);
    for (size_t at = 0; at + 8 <= sizeof bytes; ++at) {
        const uint8_t* p = bytes + at;
        uint64_t be = 0, le = 0;
        for (int i = 0; i < 8; ++i) {
            be = be << 8 | p[i];
            le |= uint64_t{p[i]} << (8 * i);
        }
        EXPECT_EQ(LoadBE64(p), be);
        EXPECT_EQ(LoadLE64(p), le);
        EXPECT_EQ(LoadBE32(p), be >> 32);
        EXPECT_EQ(LoadLE32(p), static_cast<uint32_t>(le));
        EXPECT_EQ(LoadBE16(p), be >> 48);
        EXPECT_EQ(LoadLE16(p), static_cast<uint16_t>(le));
    }
}

TEST(ByteOrder, StoresWriteOnlyTheirOwnBytesAndReadBack) {
    uint8_t bytes[12];
    auto check = [&](auto store, auto load, auto value, std::array<uint8_t, 8> expected,
                     size_t width) {
        std::fill(std::begin(bytes), std::end(bytes), 0xEE);
        store(bytes + 1, value);
        EXPECT_EQ(bytes[0], 0xEE);
        for (size_t i = 0; i < width; ++i) EXPECT_EQ(bytes[1 + i], expected[i]) << i;
        EXPECT_EQ(bytes[1 + width], 0xEE);
        EXPECT_EQ(load(bytes + 1), value);
    };
    check(StoreLE16, LoadLE16, uint16_t{0xBEEF}, {0xEF, 0xBE}, 2);
    check(StoreBE16, LoadBE16, uint16_t{0xBEEF}, {0xBE, 0xEF}, 2);
    check(StoreLE32, LoadLE32, uint32_t{0x11223344}, {0x44, 0x33, 0x22, 0x11}, 4);
    check(StoreBE32, LoadBE32, uint32_t{0x11223344}, {0x11, 0x22, 0x33, 0x44}, 4);
    check(StoreLE64, LoadLE64, uint64_t{0x0102030405060708},
          {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}, 8);
}

}  // namespace
}  // namespace inkvista
