#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "book/HangulTable.h"
#include "book/HeaderText.h"

namespace inkvista {
namespace {

std::u16string Convert(const std::string& bytes, TextConversion conversion, size_t width = 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    return ConvertHeaderText(p, width ? width : bytes.size(), conversion);
}

constexpr TextConversion kSystem = TextConversion::System;
constexpr TextConversion kTable = TextConversion::KoreanTable;

TEST(HangulTableTest, MatchesTheSystemCodePage) {
    iconv_t cd = iconv_open("UTF-16BE", "EUC-KR");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (unsigned lead = 0xB0; lead <= 0xC8; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            unsigned char out[4] = {};
            char* inPtr = in;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t inLeft = 2, outLeft = sizeof out;
            ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1));
            ASSERT_EQ(outLeft, 2u);
            const char16_t expected = static_cast<char16_t>((out[0] << 8) | out[1]);
            ASSERT_EQ(HangulSyllable(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)),
                      expected)
                << std::hex << lead << ' ' << trail;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(HangulTable[0], u'\uAC00');
    EXPECT_EQ(HangulTable[kHangulTableSize - 1], u'\uD79D');
    EXPECT_EQ(HangulSyllable(0xB0, 0xFF), 0);
    EXPECT_EQ(HangulSyllable(0xC9, 0xA1), 0);
}

TEST(HeaderTextTest, TextEndsAtItsNulOrTheFieldEnd) {
    const std::string bytes = std::string(32, 'T') + "Chapter";
    EXPECT_EQ(Convert(bytes, kSystem, 32), std::u16string(32, u'T'));
    EXPECT_EQ(Convert(bytes, kTable, 32), std::u16string(32, u'T'));
    EXPECT_EQ(Convert(std::string("ab\0cd", 5), kSystem), u"ab");
    EXPECT_EQ(Convert(std::string("\0cd", 3), kTable), u"");

    // The buffer form stops at its capacity and always terminates.
    char16_t dest[6];
    std::fill(std::begin(dest), std::end(dest), u'#');
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(ConvertHeaderText(p, 32, dest, 5, kSystem), 5u);
    EXPECT_EQ(std::u16string(dest), u"TTTTT");
    EXPECT_EQ(ConvertHeaderText(p + 32, 3, dest, 5, kTable), 3u);
    EXPECT_EQ(std::u16string(dest), u"Cha");
}

TEST(HeaderTextTest, HangulBothWays) {
    for (TextConversion conversion : {kSystem, kTable}) {
        EXPECT_EQ(Convert("\xB0\xA1", conversion), u"\uAC00");
        EXPECT_EQ(Convert("\xC8\xFE", conversion), u"\uD79D");
        EXPECT_EQ(Convert("\xC7\xD1\xB1\xDB 1", conversion), u"\uD55C\uAE00 1");
    }
}

TEST(HeaderTextTest, TableModeConvertsOtherBytesAlone) {
    // 0xB0 0x41 is a syllable of the system code page but not of the table.
    EXPECT_EQ(Convert("\xB0\x41", kSystem), u"\uCE9A");
    EXPECT_EQ(Convert("\xB0\x41", kTable), u"\uFFFDA");
    // A symbol row: whole in the system code page, byte by byte in the table.
    EXPECT_EQ(Convert("\xA1\xA1x", kSystem), u"\u3000x");
    EXPECT_EQ(Convert("\xA1\xA1x", kTable), u"\uFFFD\uFFFDx");
    // A lead byte before 0xFF has no table entry; the 0xFF is taken alone.
    EXPECT_EQ(Convert("\xB0\xFF"
                      "B",
                      kTable),
              u"\uFFFD\uFFFDB");
    // A lead byte at the end of the text.
    EXPECT_EQ(Convert("A\xB0", kTable), u"A\uFFFD");
}

TEST(HeaderTextTest, UnconvertibleBytesBecomeReplacementsAndConversionGoesOn) {
    EXPECT_EQ(Convert("A\xB0", kSystem), u"A\uFFFD");
    EXPECT_EQ(Convert("\xFF"
                      "A\xFF\xFF"
                      "B",
                      kSystem),
              u"\uFFFDA\uFFFD\uFFFDB");
    EXPECT_EQ(Convert("\xB0\x20"
                      "C",
                      kSystem),
              u"\uFFFD C");
    // A bad pair at the field's end that the code page takes whole: the
    // text ends there instead of reading on past the field.
    const std::u16string end = Convert("A\xA2L\xA2\xE8", kSystem);
    EXPECT_LE(end.size(), 5u);
    EXPECT_EQ(end.front(), u'A');
    EXPECT_EQ(end.back(), u'\uFFFD');
}

TEST(EncodeHeaderTextTest, RoundTripsThroughTheCodePage) {
    std::string out, error;
    ASSERT_TRUE(EncodeHeaderText("\xEA\xB0\x80 Vol.1", 32, &out, &error)) << error;
    EXPECT_EQ(out, "\xB0\xA1 Vol.1");
    ASSERT_TRUE(EncodeHeaderText("\xED\x95\x9C\xEA\xB8\x80", 4, &out, &error)) << error;
    EXPECT_EQ(Convert(out, kSystem), u"\uD55C\uAE00");
    EXPECT_EQ(Convert(out, kTable), u"\uD55C\uAE00");
    ASSERT_TRUE(EncodeHeaderText("", 20, &out, &error));
    EXPECT_EQ(out, "");
}

TEST(EncodeHeaderTextTest, RefusesWhatCannotBeStored) {
    std::string out = "untouched", error;
    EXPECT_FALSE(EncodeHeaderText("\xED\x95\x9C\xEA\xB8\x80", 3, &out, &error));
    EXPECT_NE(error.find("needs 4 bytes"), std::string::npos) << error;
    EXPECT_FALSE(EncodeHeaderText("smile \xF0\x9F\x98\x80", 32, &out, &error));
    EXPECT_NE(error.find("U+1F600"), std::string::npos) << error;
    EXPECT_FALSE(EncodeHeaderText("bad \xFF", 32, &out, &error));
    EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;
    EXPECT_FALSE(EncodeHeaderText("cut \xEA\xB0", 32, &out, &error));
    // An overlong "/" and an encoded surrogate are bad UTF-8, not characters
    // the code page lacks.
    for (const char* bad : {"a\xC0\xAF", "b\xED\xA0\x80"}) {
        EXPECT_FALSE(EncodeHeaderText(bad, 32, &out, &error));
        EXPECT_EQ(error, "text is not valid UTF-8") << bad;
    }
    EXPECT_FALSE(EncodeHeaderText(std::string("a\0b", 3), 32, &out, &error));
    EXPECT_EQ(out, "untouched");
}

}  // namespace
}  // namespace inkvista
