#include <gtest/gtest.h>

#include <string>

#include "book/BookInfo.h"
#include "support/OpenBookFixture.h"

namespace inkvista {
namespace {

using encode::BookPlan;
using encode::PagePlan;

class BookInfoTest : public BookFileTest {
  protected:
    bool Read(std::u16string_view name, BookKind kind) {
        return ReadBookInfo(test_.device(), folders_, name, 5, kind, info_);
    }
    BookInfo info_;
};

TEST(BookKindFromNameTest, ExtensionInAnyCase) {
    EXPECT_EQ(BookKindFromName(u"a.cmb"), BookKind::Cmb);
    EXPECT_EQ(BookKindFromName(u"A.CMB"), BookKind::Cmb);
    EXPECT_EQ(BookKindFromName(u"x.y.CxB"), BookKind::Cxb);
    EXPECT_FALSE(BookKindFromName(u"a.cmb.txt"));
    EXPECT_FALSE(BookKindFromName(u"cmb"));
    EXPECT_FALSE(BookKindFromName(u"a.cm"));
}

TEST(JsonStringTest, EscapesWhatJsonRequires) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c/"), "\"a\\\"b\\\\c/\"");
    EXPECT_EQ(JsonString("\n\t\x01\x1F"), "\"\\n\\t\\u0001\\u001f\"");
    EXPECT_EQ(JsonString("\xEA\xB0\x80"), "\"\xEA\xB0\x80\"");
}

TEST_F(BookInfoTest, DescribesHeaderAndEveryPage) {
    BookPlan plan;
    plan.kind = BookKind::Cxb;
    plan.title = "\xB0\xA1 \"Q\"";
    plan.author = "Kim";
    PagePlan grey = GreyPage(240, 320);
    PagePlan colour = GreyPage(480, 640);
    colour.record = "XC";
    colour.bitsPerPixel = 5;
    PagePlan odd = colour;
    odd.bitsPerPixel = 4;
    PagePlan bad = grey;
    bad.record = "QQ";
    plan.pages = {grey, colour, odd, bad, grey};
    const std::vector<uint32_t> offsets = encode::PageOffsets(plan);
    std::vector<uint8_t> bytes = encode::BuildBook(plan);
    // The last entry points past the end of the file.
    const uint32_t past = static_cast<uint32_t>(bytes.size() + 4);
    for (int b = 0; b < 4; ++b) bytes[134 + 16 + b] = static_cast<uint8_t>(past >> (24 - 8 * b));
    Put("Mixed.CXB", bytes);

    ASSERT_TRUE(Read(u"Mixed.CXB", BookKind::Cxb));
    EXPECT_TRUE(Shown().empty());
    const auto at = [&](size_t i) { return std::to_string(offsets[i]); };
    EXPECT_EQ(BookInfoJson(info_),
              "{\n"
              "  \"kind\": \"cxb\",\n"
              "  \"pageCount\": 5,\n"
              "  \"title\": \"\xEA\xB0\x80 \\\"Q\\\"\",\n"
              "  \"chapter\": \"\",\n"
              "  \"author\": \"Kim\",\n"
              "  \"publisher\": \"\",\n"
              "  \"pages\": [\n"
              "    {\"offset\": " +
                  at(0) +
                  ", \"record\": \"CX\", \"width\": 240, \"height\": 320, \"encoding\": "
                  "\"grey\"},\n"
                  "    {\"offset\": " +
                  at(1) +
                  ", \"record\": \"XC\", \"width\": 480, \"height\": 640, \"encoding\": "
                  "\"colour\"},\n"
                  "    {\"offset\": " +
                  at(2) +
                  ", \"record\": \"XC\", \"width\": 480, \"height\": 640, \"encoding\": "
                  "\"unsupported\"},\n"
                  "    {\"offset\": " +
                  at(3) +
                  ", \"record\": null, \"width\": null, \"height\": null, \"encoding\": "
                  "\"unsupported\"},\n"
                  "    {\"offset\": " +
                  std::to_string(past) +
                  ", \"record\": null, \"width\": null, \"height\": null, \"encoding\": "
                  "\"unsupported\"}\n"
                  "  ]\n"
                  "}\n");
}

TEST_F(BookInfoTest, EmptyBookAndUnsetTitle) {
    BookPlan plan;
    Put("empty.cmb", plan);
    ASSERT_TRUE(Read(u"empty.cmb", BookKind::Cmb));
    EXPECT_EQ(info_.title, u"");  // not the file name, unlike the viewer's title
    EXPECT_EQ(BookInfoJson(info_),
              "{\n  \"kind\": \"cmb\",\n  \"pageCount\": 0,\n  \"title\": \"\",\n"
              "  \"chapter\": \"\",\n  \"author\": \"\",\n  \"publisher\": \"\",\n"
              "  \"pages\": []\n}\n");
}

TEST_F(BookInfoTest, RefusesWhatTheReaderRefuses) {
    BookPlan plan;
    plan.pages = {GreyPage(8, 8)};
    plan.extentLimit = 400;
    Put("wide.cmb", plan);
    EXPECT_FALSE(Read(u"wide.cmb", BookKind::Cmb));
    EXPECT_FALSE(Read(u"nothing.cmb", BookKind::Cmb));
    EXPECT_EQ(Shown(),
              (std::vector<std::u16string>{u"Unsupported File Format", u"File Open Failed"}));
}

}  // namespace
}  // namespace inkvista
