#include <gtest/gtest.h>

#include "settings/TextConversion.h"
#include "settings/ViewOption.h"

namespace inkvista {
namespace {

TEST(ViewOptionTest, AssignTakesBytesFromTheLowEndAndLeavesReservedAlone) {
    ViewOption v;
    v.reserved[0] = 0x5A;
    v.reserved[1] = 0xA5;
    v.Assign(0x04030201, 0xFFFF0605, 160, 0);
    EXPECT_EQ(v.portrait, 0x01);
    EXPECT_EQ(v.smoothScroll, 0x02);
    EXPECT_EQ(v.fitToWindow, 0x03);
    EXPECT_EQ(v.tabScroll, 0x04);
    EXPECT_EQ(v.showHiddenFiles, 0x05);
    EXPECT_EQ(v.koreanPatch, 0x06);
    EXPECT_EQ(v.scrollRange, 160u);
    EXPECT_EQ(v.autoScrollSec, 0u);
    EXPECT_EQ(v.reserved[0], 0x5A);
    EXPECT_EQ(v.reserved[1], 0xA5);

    ViewOption copy;
    copy.AssignFrom(v);
    EXPECT_EQ(copy.ToBytes()[1], 0x02);
    EXPECT_EQ(copy.reserved[0], 0);
    copy.reserved[0] = 0x5A;
    copy.reserved[1] = 0xA5;
    EXPECT_EQ(copy, v);
}

TEST(ViewOptionTest, FileImagesAreLittleEndianAndRoundTrip) {
    ViewOption v;
    v.Assign(0x00010001, 0x0001, 0x11223344, 0xAABBCCDD);
    const auto b = v.ToBytes();
    EXPECT_EQ(b[8], 0x44);
    EXPECT_EQ(b[11], 0x11);
    EXPECT_EQ(b[12], 0xDD);
    EXPECT_EQ(ViewOption::FromBytes(b.data()), v);

    KeyMap k;
    const uint32_t values[8] = {0, 1, 2, 3, 4, 5, 6, 0x01020304};
    k.Assign(values);
    const auto kb = k.ToBytes();
    EXPECT_EQ(kb[4], 1);
    EXPECT_EQ(kb[28], 0x04);
    EXPECT_EQ(kb[31], 0x01);
    EXPECT_EQ(KeyMap::FromBytes(kb.data()), k);
}

TEST(ViewOptionTest, KoreanPatchChoosesTheTableConversion) {
    ViewOption v;
    EXPECT_EQ(TextConversionFor(v), TextConversion::System);
    v.koreanPatch = 1;
    EXPECT_EQ(TextConversionFor(v), TextConversion::KoreanTable);
    v.koreanPatch = 2;  // any stored non-zero byte counts as on
    EXPECT_EQ(TextConversionFor(v), TextConversion::KoreanTable);
}

}  // namespace
}  // namespace inkvista
