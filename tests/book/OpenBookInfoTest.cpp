#include <gtest/gtest.h>

#include <string>

#include "book/BookInfo.h"
#include "encode/PageEncoder.h"
#include "support/OpenBookFixture.h"

namespace inkvista {
namespace {

using encode::BookPlan;
using encode::PagePlan;

class BookInfoTest : public BookFileTest {
  protected:
    bool Read(std::u16string_view name, BookKind kind) {
        return ReadBookInfo(test_.device().files(), folders_, name, FolderSlot::User, kind,
                            info_) == OpenBookError::None;
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
                  "\"grey\", \"complete\": false},\n"
                  "    {\"offset\": " +
                  at(1) +
                  ", \"record\": \"XC\", \"width\": 480, \"height\": 640, \"encoding\": "
                  "\"colour\", \"complete\": false},\n"
                  "    {\"offset\": " +
                  at(2) +
                  ", \"record\": \"XC\", \"width\": 480, \"height\": 640, \"encoding\": "
                  "\"unsupported\", \"complete\": false},\n"
                  "    {\"offset\": " +
                  at(3) +
                  ", \"record\": null, \"width\": null, \"height\": null, \"encoding\": "
                  "\"unsupported\", \"complete\": false},\n"
                  "    {\"offset\": " +
                  std::to_string(past) +
                  ", \"record\": null, \"width\": null, \"height\": null, \"encoding\": "
                  "\"unsupported\", \"complete\": false}\n"
                  "  ]\n"
                  "}\n");
}

TEST_F(BookInfoTest, PagesAreCompleteOnlyWhenTheyDecodeInFull) {
    // Pages from the project's own encoders, intact and damaged.
    std::vector<uint8_t> codes(40 * 12), indices(40 * 12);
    for (size_t i = 0; i < codes.size(); ++i) {
        codes[i] = static_cast<uint8_t>(i % 40 < 8 ? 0 : 2 + i % 6);
        indices[i] = static_cast<uint8_t>(i * 7 % 32);
    }
    const auto grey =
        encode::GreyPageFromCodes(codes.data(), 40, 12, 40, {0, 36, 73, 109, 146, 182, 219, 255});
    const auto colour =
        encode::ColourPage(indices.data(), 40, 12, 40, std::vector<uint8_t>(96, 128));
    ASSERT_TRUE(grey && colour);
    PagePlan cut = *grey;
    cut.packed.resize(cut.packed.size() / 2);
    PagePlan taller = *grey;
    taller.height = 13;  // the data ends a row early
    PagePlan overrun = *grey;
    overrun.width = 6;  // the first rows' runs of 8 pass the row's end
    PagePlan fewerRows = *colour;
    fewerRows.height = 20;
    BookPlan plan;
    plan.pages = {*grey, *colour, cut, taller, overrun, fewerRows};
    Put("whole.cmb", plan);
    ASSERT_TRUE(Read(u"whole.cmb", BookKind::Cmb));
    std::vector<bool> complete;
    for (const PageInfo& page : info_.pages) complete.push_back(page.complete);
    EXPECT_EQ(complete, (std::vector<bool>{true, true, false, false, false, false}));
    EXPECT_NE(BookInfoJson(info_).find("\"encoding\": \"grey\", \"complete\": true}"),
              std::string::npos);
}

TEST_F(BookInfoTest, SharedRecordsDecodeOnceAndTheBudgetLeavesTheRestUnchecked) {
    std::vector<uint8_t> codes(40 * 12, 3), indices(40 * 12, 5);
    const auto grey =
        encode::GreyPageFromCodes(codes.data(), 40, 12, 40, {0, 36, 73, 109, 146, 182, 219, 255});
    const auto colour =
        encode::ColourPage(indices.data(), 40, 12, 40, std::vector<uint8_t>(96, 128));
    ASSERT_TRUE(grey && colour);
    PagePlan cut = *grey;
    cut.packed.resize(cut.packed.size() / 2);
    BookPlan plan;
    plan.pages = {*grey, cut, *grey, *grey, *colour};
    const std::vector<uint32_t> offsets = encode::PageOffsets(plan);
    std::vector<uint8_t> bytes = encode::BuildBook(plan);
    // Entries 2 and 3 point at the records of pages 0 and 1.
    const auto point = [&](size_t entry, uint32_t at) {
        for (size_t b = 0; b < 4; ++b) {
            bytes[PageTableOffset(BookKind::Cmb) + 4 * entry + b] =
                static_cast<uint8_t>(at >> (24 - 8 * b));
        }
    };
    point(2, offsets[0]);
    point(3, offsets[1]);
    Put("shared.cmb", bytes);
    // Room for two pages' pixels: pages 0 and 1, then the entries that share
    // their records, answered as those were; the colour page is left.
    ASSERT_TRUE(ReadBookInfo(test_.device().files(), folders_, u"shared.cmb", FolderSlot::User,
                             BookKind::Cmb, info_, 2 * 480) == OpenBookError::None);
    std::vector<bool> checked, complete;
    for (const PageInfo& page : info_.pages) {
        checked.push_back(page.checked);
        complete.push_back(page.complete);
    }
    EXPECT_EQ(checked, (std::vector<bool>{true, true, true, true, false}));
    EXPECT_EQ(complete, (std::vector<bool>{true, false, true, false, false}));
    const std::string json = BookInfoJson(info_);
    EXPECT_NE(json.find("\"encoding\": \"colour\", \"unchecked\": true}\n  ]"), std::string::npos)
        << json;
    size_t completes = 0;
    for (size_t at = 0; (at = json.find("\"complete\"", at)) != std::string::npos; ++at) {
        ++completes;
    }
    EXPECT_EQ(completes, 4u);
    // With room for a third page the colour page is decoded as well.
    ASSERT_TRUE(ReadBookInfo(test_.device().files(), folders_, u"shared.cmb", FolderSlot::User,
                             BookKind::Cmb, info_, 3 * 480) == OpenBookError::None);
    EXPECT_TRUE(info_.pages[4].checked && info_.pages[4].complete);
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
    EXPECT_EQ(ReadBookInfo(test_.device().files(), folders_, u"wide.cmb", FolderSlot::User,
                           BookKind::Cmb, info_),
              OpenBookError::Unsupported);
    EXPECT_EQ(ReadBookInfo(test_.device().files(), folders_, u"nothing.cmb", FolderSlot::User,
                           BookKind::Cmb, info_),
              OpenBookError::OpenFailed);
}

}  // namespace
}  // namespace inkvista
