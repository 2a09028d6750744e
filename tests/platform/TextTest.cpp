#include <gtest/gtest.h>

#include "platform/Text.h"

namespace inkvista {
namespace {

TEST(Text, Utf8AndUtf16RoundTripBeyondAscii) {
    // Hangul syllables, a Latin-1 letter and a character outside the BMP
    // (a surrogate pair in UTF-16).
    const std::string utf8 = "\xEB\xA7\x8C\xED\x99\x94 caf\xC3\xA9 \xF0\x9F\x93\x96";
    const std::u16string utf16 = u"\uB9CC\uD654 caf\u00E9 \U0001F4D6";
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(utf16.size(), 2u + 1 + 4 + 1 + 2);
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
}

TEST(Text, InvalidSequencesBecomeReplacementCharacters) {
    // Stray continuation byte, overlong "/", an encoded surrogate, a lead byte
    // cut off by the end; each leaves the text around it intact.
    EXPECT_EQ(Utf8ToUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("ok\xE2\x82"), u"ok\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82z"), u"\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD");  // above U+10FFFF
    // Lone surrogates in UTF-16 cannot be written as UTF-8.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Text, DecodeUtf8TellsHowFarEachSequenceReaches) {
    struct Case {
        std::string bytes;
        std::optional<char32_t> cp;
        size_t length;
    };
    const Case cases[] = {
        {"A", U'A', 1},
        {"\xC3\xA9z", U'\u00E9', 2},
        {"\xEB\xA7\x8C", U'\uB9CC', 3},
        {"\xF0\x9F\x93\x96", U'\U0001F4D6', 4},
        {"\xF4\x8F\xBF\xBF", U'\U0010FFFF', 4},
        {"\x80", std::nullopt, 1},              // stray continuation byte
        {"\xC1\xBF", std::nullopt, 1},          // overlong lead
        {"\xE0\x80\xAF", std::nullopt, 3},      // overlong "/" in three bytes
        {"\xED\xA0\x80", std::nullopt, 3},      // a surrogate
        {"\xF4\x90\x80\x80", std::nullopt, 4},  // above U+10FFFF
        {"\xE2\x82", std::nullopt, 2},          // cut off by the end
        {"\xE2\x82z", std::nullopt, 2},         // cut off by a plain byte
        {"\xF8\x88\x80\x80\x80", std::nullopt, 1},
    };
    for (const Case& c : cases) {
        size_t length = 99;
        EXPECT_EQ(DecodeUtf8(c.bytes, &length), c.cp) << c.bytes;
        EXPECT_EQ(length, c.length) << c.bytes;
    }
    size_t length = 99;
    EXPECT_EQ(DecodeUtf8("", &length), std::nullopt);
    EXPECT_EQ(length, 0u);

    std::string out;
    for (const char32_t cp : {U'A', U'\u00E9', U'\uB9CC', U'\U0001F4D6'}) AppendUtf8(out, cp);
    EXPECT_EQ(out, "A\xC3\xA9\xEB\xA7\x8C\xF0\x9F\x93\x96");
}

TEST(Text, CaseFoldingCoversMoreThanAscii) {
    EXPECT_TRUE(EqualsNoCase(u"InkVISTA.opt", u"inkvista.OPT"));
    EXPECT_TRUE(EqualsNoCase(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));            // ÉTÉ / été
    EXPECT_TRUE(EqualsNoCase(u"\u0416\u0423\u0420", u"\u0436\u0443\u0440"));  // Cyrillic
    EXPECT_TRUE(EqualsNoCase(u"\u03A3", u"\u03C2"));                          // final sigma
    EXPECT_TRUE(EqualsNoCase(u"\u0152", u"\u0153"));                          // Œ / œ
    EXPECT_FALSE(EqualsNoCase(u"\u00D7", u"\u00F7"));  // × and ÷ are not a case pair
    EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
    // Hangul has no case and must compare only equal to itself.
    EXPECT_TRUE(EqualsNoCase(u"\uB9CC\uD654", u"\uB9CC\uD654"));
    EXPECT_FALSE(EqualsNoCase(u"\uB9CC", u"\uB9CD"));
}

TEST(Text, CompareNoCaseOrdersLikeTheDevice) {
    EXPECT_EQ(CompareNoCase(u"apple", u"APPLE"), 0);
    EXPECT_LT(CompareNoCase(u"apple", u"Banana"), 0);
    EXPECT_GT(CompareNoCase(u"b", u"A"), 0);
    EXPECT_LT(CompareNoCase(u"ab", u"ABC"), 0);  // a prefix sorts first
    // Names are compared in upper case, so "_" (0x5F) sorts after letters.
    EXPECT_GT(CompareNoCase(u"_x", u"zebra"), 0);
}

TEST(Text, WildcardsMatchWithoutRegardToCase) {
    EXPECT_TRUE(WildcardMatch(u"*.cmb", u"A.CMB"));
    EXPECT_TRUE(WildcardMatch(u"*.cmb", u".cmb"));
    EXPECT_FALSE(WildcardMatch(u"*.cmb", u"a.cmbx"));
    EXPECT_FALSE(WildcardMatch(u"*.cmb", u"a.cxb"));
    EXPECT_TRUE(WildcardMatch(u"a?c", u"ABC"));
    EXPECT_FALSE(WildcardMatch(u"a?c", u"ac"));
    EXPECT_FALSE(WildcardMatch(u"a?c", u"abbc"));
    EXPECT_TRUE(WildcardMatch(u"*", u""));
    EXPECT_TRUE(WildcardMatch(u"", u""));
    EXPECT_FALSE(WildcardMatch(u"", u"a"));
    // Needs backtracking past an early partial match.
    EXPECT_TRUE(WildcardMatch(u"*ab*cd", u"xabyabzcd"));
    EXPECT_FALSE(WildcardMatch(u"*ab*cd", u"xabyabzc"));
    EXPECT_TRUE(WildcardMatch(u"**?", u"x"));
    EXPECT_TRUE(WildcardMatch(u"\uB9CC*", u"\uB9CC\uD654.cmb"));
    // A long name against many stars stays fast and correct.
    EXPECT_FALSE(WildcardMatch(u"*a*a*a*a*a*b", std::u16string(200, u'a')));
}

}  // namespace
}  // namespace inkvista
