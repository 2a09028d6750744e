#include <gtest/gtest.h>

#include <string>

#include "book/PageRecord.h"
#include "support/OpenBookFixture.h"

namespace inkvista {
namespace {

using encode::PagePlan;

class PageRecordTest : public BookFileTest {
  protected:
    // Writes a cmb book of `pages` and opens it for reading.
    File OpenBookOf(const std::vector<PagePlan>& pages) {
        encode::BookPlan plan;
        plan.pages = pages;
        offsets_ = encode::PageOffsets(plan);
        bytes_ = encode::BuildBook(plan);
        Put("pages.cmb", bytes_);
        return test_.device().files().Open(u"\\pages.cmb", FileAccess::Read,
                                           FileCreation::OpenExisting);
    }

    static PagePlan Xc(uint16_t bitsPerPixel, uint16_t field32 = 0) {
        PagePlan page = GreyPage(300, 200);
        page.record = "XC";
        page.bitsPerPixel = bitsPerPixel;
        page.field32 = field32;
        return page;
    }

    std::vector<uint32_t> offsets_;
    std::vector<uint8_t> bytes_;
};

TEST_F(PageRecordTest, BothRecordKindsGiveTheirFields) {
    PagePlan cx = GreyPage(0x01020304, 0x00010203);
    cx.skipWords = 0x0102;
    cx.bitsPerPixel = 5;  // not read in a "CX" record
    cx.packed.assign(77, 0);
    PagePlan xc = Xc(5);
    xc.palette.assign(32 * 3, 9);
    xc.packed.assign(1000, 1);
    File file = OpenBookOf({cx, xc});
    ASSERT_TRUE(file);

    PageRecord record;
    ASSERT_EQ(ReadPageRecord(file, offsets_[0], record), PageEncoding::GreyRuns);
    EXPECT_EQ(std::string(record.magic, 2), "CX");
    EXPECT_EQ(record.width, 0x01020304u);
    EXPECT_EQ(record.height, 0x00010203u);
    EXPECT_EQ(record.packedSize, 77u);
    EXPECT_EQ(record.skipWords, 0x0102);
    EXPECT_EQ(record.paletteCount, 2);
    EXPECT_EQ(file.Position(), offsets_[0] + kCxRecordSize);

    ASSERT_EQ(ReadPageRecord(file, offsets_[1], record), PageEncoding::PaletteColour);
    EXPECT_EQ(std::string(record.magic, 2), "XC");
    EXPECT_EQ(record.width, 300u);
    EXPECT_EQ(record.height, 200u);
    EXPECT_EQ(record.bitsPerPixel, 5);
    EXPECT_EQ(record.packedSize, 1000u);
    EXPECT_EQ(record.paletteCount, 32);
    // The page data follows the record directly.
    EXPECT_EQ(file.Position(), offsets_[1] + kXcRecordSize);
}

TEST_F(PageRecordTest, XcRecordsDecideTheirEncoding) {
    File file = OpenBookOf({Xc(3), Xc(5), Xc(4), Xc(8), Xc(5, 1), Xc(3, 0x8000)});
    ASSERT_TRUE(file);
    const PageEncoding expected[] = {PageEncoding::GreyRuns,    PageEncoding::PaletteColour,
                                     PageEncoding::Unsupported, PageEncoding::Unsupported,
                                     PageEncoding::Unsupported, PageEncoding::Unsupported};
    for (size_t i = 0; i < offsets_.size(); ++i) {
        PageRecord record;
        EXPECT_EQ(ReadPageRecord(file, offsets_[i], record), expected[i]) << i;
    }
}

TEST_F(PageRecordTest, BadMagicAndShortRecords) {
    PagePlan bad = GreyPage(8, 8);
    bad.record = "CB";
    File file = OpenBookOf({bad, Xc(5)});
    ASSERT_TRUE(file);
    PageRecord record;
    EXPECT_EQ(ReadPageRecord(file, offsets_[0], record), PageEncoding::BadMagic);
    EXPECT_EQ(std::string(record.magic, 2), "CB");
    EXPECT_EQ(ReadPageRecord(file, 1, record), PageEncoding::BadMagic);

    const uint64_t size = file.Size();
    EXPECT_EQ(ReadPageRecord(file, static_cast<uint32_t>(size), record), PageEncoding::ReadFailed);
    EXPECT_EQ(ReadPageRecord(file, 0xFFFFFFFFu, record), PageEncoding::ReadFailed);
    file.Close();

    // The file ends inside the record.
    bytes_.resize(offsets_[1] + kXcRecordSize - 1);
    Put("pages.cmb", bytes_);
    file =
        test_.device().files().Open(u"\\pages.cmb", FileAccess::Read, FileCreation::OpenExisting);
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadPageRecord(file, offsets_[1], record), PageEncoding::ReadFailed);
    EXPECT_EQ(ReadPageRecord(file, offsets_[1] + kXcRecordSize - 2, record),
              PageEncoding::ReadFailed);
}

}  // namespace
}  // namespace inkvista
