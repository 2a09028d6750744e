// The reader and the writer share one description of the file layout, so a
// wrong offset there would go unnoticed by reading back what was written.
// These tests pin the layout to the byte positions existing books have.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "book/BookHeader.h"
#include "book/PageRecord.h"
#include "encode/BookWriter.h"

namespace inkvista {
namespace {

void Put(std::vector<uint8_t>& b, size_t at, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
}

TEST(BookFormat, HeaderAndExtensionFieldsStandAtTheirBytes) {
    std::vector<uint8_t> b(158, 0);
    Put(b, 0, {'X', 'B'});
    Put(b, 26, {0x01, 0x02});
    Put(b, 28, {'T'});
    b[59] = 'e';  // last byte of the 32-byte title
    Put(b, 60, {'C'});
    Put(b, 80, {'A'});
    Put(b, 100, {'P'});
    b[119] = 'q';
    const BookHeader header = BookHeader::Parse(b.data());
    EXPECT_TRUE(header.MagicMatches(BookKind::Cxb));
    EXPECT_FALSE(header.MagicMatches(BookKind::Cmb));
    EXPECT_EQ(header.pageCount, 0x0102);
    EXPECT_EQ(header.title[0], 'T');
    EXPECT_EQ(header.title[31], 'e');
    EXPECT_EQ(header.chapter[0], 'C');
    EXPECT_EQ(header.author[0], 'A');
    EXPECT_EQ(header.publisher[0], 'P');
    EXPECT_EQ(header.publisher[19], 'q');

    Put(b, 154, {0x01, 0x40});  // .cmb: extentLimit at file offset 154
    EXPECT_EQ(HeaderExtension::Parse(BookKind::Cmb, b.data() + 120).extentLimit, 320);
    Put(b, 128, {0x00, 0x04, 0x01, 0x41});  // .cxb: variant at 128, extentLimit at 130
    const HeaderExtension cxb = HeaderExtension::Parse(BookKind::Cxb, b.data() + 120);
    EXPECT_EQ(cxb.variant, 4);
    EXPECT_EQ(cxb.extentLimit, 321);
    EXPECT_EQ(PageTableOffset(BookKind::Cmb), 158u);
    EXPECT_EQ(PageTableOffset(BookKind::Cxb), 134u);
}

TEST(BookFormat, RecordFieldsStandAtTheirBytes) {
    std::vector<uint8_t> cx(42, 0);
    Put(cx, 0, {'C', 'X'});
    Put(cx, 22, {0, 0, 1, 0x2C});  // width 300
    Put(cx, 26, {0, 0, 0, 200});   // height
    Put(cx, 30, {0, 5});           // bitsPerPixel, not read for the encoding
    Put(cx, 34, {0, 1, 0, 0});     // packedSize
    Put(cx, 38, {0, 7});           // skipWords
    Put(cx, 40, {0, 8});           // paletteCount
    PageRecord record;
    ASSERT_EQ(ParsePageRecord(cx.data(), record), PageEncoding::GreyRuns);
    EXPECT_EQ(record.width, 300u);
    EXPECT_EQ(record.height, 200u);
    EXPECT_EQ(record.bitsPerPixel, 5);
    EXPECT_EQ(record.packedSize, 0x10000u);
    EXPECT_EQ(record.skipWords, 7);
    EXPECT_EQ(record.paletteCount, 8);

    std::vector<uint8_t> xc(72, 0);
    Put(xc, 0, {'X', 'C'});
    Put(xc, 16, {0, 0, 0x30, 0});  // packedSize
    Put(xc, 20, {0, 0, 0, 240});   // width
    Put(xc, 24, {0, 0, 1, 0x40});  // height 320
    Put(xc, 66, {0, 5, 0, 3, 0, 32});
    ASSERT_EQ(ParsePageRecord(xc.data(), record), PageEncoding::PaletteColour);
    EXPECT_EQ(record.packedSize, 0x3000u);
    EXPECT_EQ(record.width, 240u);
    EXPECT_EQ(record.height, 320u);
    EXPECT_EQ(record.skipWords, 3);
    EXPECT_EQ(record.paletteCount, 32);
    xc[33] = 1;  // the field at 32 must be zero
    EXPECT_EQ(ParsePageRecord(xc.data(), record), PageEncoding::Unsupported);
}

TEST(BookFormat, TheWriterPutsEveryFieldWhereTheReaderLooks) {
    encode::BookPlan plan;
    plan.kind = BookKind::Cxb;
    plan.title = "T";
    plan.variant = 4;
    plan.extentLimit = 0x0102;
    encode::PagePlan xc;
    xc.record = "XC";
    xc.width = 0x0A0B0C0D;
    xc.height = 2;
    xc.bitsPerPixel = 3;
    xc.skipWords = 1;
    xc.palette = {1, 2, 3};
    xc.packed = {0xAA, 0xBB};
    plan.pages = {xc};
    const std::vector<uint8_t> b = encode::BuildBook(plan);
    ASSERT_EQ(b.size(), 138u + 72 + 2 + 3 + 4 + 2);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "XB");
    EXPECT_EQ(b[27], 1);    // pageCount
    EXPECT_EQ(b[28], 'T');  // title
    EXPECT_EQ(b[129], 4);   // variant
    EXPECT_EQ(b[130], 1);   // extentLimit
    EXPECT_EQ(b[131], 2);
    EXPECT_EQ(b[137], 138);  // the one page table entry: the record right after it
    const uint8_t* r = b.data() + 138;
    EXPECT_EQ(std::string(r, r + 2), "XC");
    EXPECT_EQ(r[20], 0x0A);  // width
    EXPECT_EQ(r[23], 0x0D);
    EXPECT_EQ(r[27], 2);     // height
    EXPECT_EQ(r[67], 3);     // bitsPerPixel
    EXPECT_EQ(r[69], 1);     // skipWords
    EXPECT_EQ(r[71], 1);     // paletteCount
    EXPECT_EQ(r[19], 2);     // packedSize
    EXPECT_EQ(r[74], 1);     // palette after the skipped word
    EXPECT_EQ(r[81], 0xAA);  // data after the row table
}

// A file handed over without its extension is taken by its header, as the
// desktop's MIME types take it; text that starts with the two letters is not.
TEST(BookFormat, AHeaderShowsItsKindWhenItsExtensionSaysWhatNoTextHolds) {
    const auto start = [](const char* magic, size_t at, std::initializer_list<uint8_t> bytes,
                          size_t size = kBookKindProbeSize) {
        std::vector<uint8_t> b(size, 0);
        b[0] = static_cast<uint8_t>(magic[0]);
        b[1] = static_cast<uint8_t>(magic[1]);
        if (at + bytes.size() <= size) Put(b, at, bytes);
        return b;
    };
    std::vector<uint8_t> text(kBookKindProbeSize, ' ');
    std::copy_n("CB radio", 8, text.begin());
    const std::vector<std::pair<std::vector<uint8_t>, std::optional<BookKind>>> cases = {
        {start("CB", 154, {0x01, 0x40}), BookKind::Cmb},
        {start("XB", 128, {0x00, 0x04, 0x01, 0x40}), BookKind::Cxb},
        {start("XB", 128, {0x00, 0x00, 0x00, 0xF0}, 134), BookKind::Cxb},
        {start("CB", 154, {0x02, 0x00}), std::nullopt},              // extent limit 512
        {start("XB", 128, {0x00, 0x02, 0x01, 0x40}), std::nullopt},  // variant 2
        {start("XB", 128, {0x00, 0x04, 0x02, 0x58}), std::nullopt},  // extent limit 600
        {start("CB", 154, {}, 157), std::nullopt},                   // shorter than a header
        {start("XC", 154, {}), std::nullopt},
        {text, std::nullopt},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(BookKindFromHeader(cases[i].first), cases[i].second) << i;
    }
}

}  // namespace
}  // namespace inkvista
