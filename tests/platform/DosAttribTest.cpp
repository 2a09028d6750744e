#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DosAttrib.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

constexpr uint32_t kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr uint32_t kArchive = FILE_ATTRIBUTE_ARCHIVE;
constexpr uint32_t kManaged = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;

// A creation time of 2023-11-14 22:13:20 UTC in 100 ns units since 1601.
const Bytes kCreated = {0x00, 0x00, 0x6d, 0xc6, 0x47, 0x17, 0xda, 0x01};
const Bytes kChanged = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xd9, 0x01};
const Bytes kZero8(8, 0);

// What Samba writes today: empty text, version 5, attrib and create time
// marked valid.
Bytes SambaV5(uint8_t attrib) {
    return Join({{0x00, 0x00},              // "" NUL, pad
                 {0x05, 0x00, 0x05, 0x00},  // version, tag
                 {0x00, 0x00},              // pad to 8
                 {0x11, 0x00, 0x00, 0x00},  // valid_flags: attrib, create_time
                 {attrib, 0x00, 0x00, 0x00},
                 kCreated});
}

// Version 3 behind the text "0x2": the text is odd-length with its NUL, so the
// version needs no pad but the info needs two bytes.
Bytes SambaV3Short() {
    return Join({Text("0x2"),
                 {0x00},                    // NUL (offset 3)
                 {0x03, 0x00, 0x03, 0x00},  // version at 4, tag at 6
                 {0x11, 0x00, 0x00, 0x00},  // info at 8: valid_flags
                 {0x02, 0x00, 0x00, 0x00},  // attrib
                 {0x00, 0x00, 0x00, 0x00},  // ea_size
                 kZero8,                    // size
                 kZero8,                    // alloc_size
                 kCreated,
                 kChanged});
}

TEST(DosAttribTest, ReadsTextAsWineAndSambaWriteIt) {
    EXPECT_EQ(DecodeDosAttrib(Text("0x2")), kHidden);
    EXPECT_EQ(DecodeDosAttrib(Join({Text("0x22"), {0x00}})), kHidden | kArchive);
    EXPECT_EQ(DecodeDosAttrib(Text("0X2a")), 0x2au);
    EXPECT_EQ(DecodeDosAttrib(Text("0xffffffff")), 0xffffffffu);
    EXPECT_EQ(DecodeDosAttrib(Bytes()), 0u);
    for (const char* bad : {"hello", "0x", "0x2zz", "22", "0x123456789", " 0x2"}) {
        EXPECT_FALSE(DecodeDosAttrib(Text(bad))) << bad;
    }
    EXPECT_FALSE(DecodeDosAttrib(Bytes{0x00}));
}

TEST(DosAttribTest, ReadsTheAttribOfEveryRecordVersion) {
    // Version 1: no flags, attrib first; the text is Samba's copy.
    const Bytes v1 = Join({Text("0x20"),
                           {0x00, 0x00},
                           {0x01, 0x00, 0x01, 0x00},
                           {0x00, 0x00},
                           {0x22, 0x00, 0x00, 0x00},
                           {0x00, 0x00, 0x00, 0x00},
                           kZero8,
                           kZero8,
                           kCreated,
                           kChanged});
    // The info decides, not the text in front of it.
    EXPECT_EQ(DecodeDosAttrib(v1), kHidden | kArchive);

    // Version 2: flags, attrib, ..., write_time, then a NUL-terminated name.
    const Bytes v2 = Join({Text("0x2"),
                           {0x00},
                           {0x02, 0x00, 0x02, 0x00},
                           {0x00, 0x00, 0x00, 0x00},
                           {0x02, 0x00, 0x00, 0x00},
                           {0x00, 0x00, 0x00, 0x00},
                           kZero8,
                           kZero8,
                           kCreated,
                           kChanged,
                           kZero8,
                           Text("name"),
                           {0x00}});
    EXPECT_EQ(DecodeDosAttrib(v2), kHidden);

    EXPECT_EQ(DecodeDosAttrib(SambaV3Short()), kHidden);

    // Version 4: valid_flags, attrib, itime, create_time, behind an empty text.
    const Bytes v4 = Join({{0x00, 0x00},
                           {0x04, 0x00, 0x04, 0x00},
                           {0x00, 0x00},
                           {0x51, 0x00, 0x00, 0x00},
                           {0x06, 0x00, 0x00, 0x00},
                           kChanged,
                           kCreated});
    EXPECT_EQ(DecodeDosAttrib(v4), kHidden | FILE_ATTRIBUTE_SYSTEM);

    EXPECT_EQ(DecodeDosAttrib(SambaV5(0x22)), kHidden | kArchive);
    EXPECT_EQ(DecodeDosAttrib(SambaV5(0x20)), kArchive);
}

TEST(DosAttribTest, RefusesRecordsItCannotRead) {
    Bytes cut = SambaV5(0x22);
    cut.pop_back();
    EXPECT_FALSE(DecodeDosAttrib(cut));

    Bytes tagMismatch = SambaV5(0x22);
    tagMismatch[4] = 0x04;
    EXPECT_FALSE(DecodeDosAttrib(tagMismatch));

    for (uint8_t version : {0x00, 0x06, 0xff}) {
        Bytes unknown = SambaV5(0x22);
        unknown[2] = unknown[4] = version;
        unknown[3] = unknown[5] = version == 0xff ? 0xff : 0x00;
        EXPECT_FALSE(DecodeDosAttrib(unknown)) << int(version);
    }

    // Version 2 whose name runs off the end.
    const Bytes v2 = Join({{0x00, 0x00},
                           {0x02, 0x00, 0x02, 0x00},
                           {0x00, 0x00},
                           {0x00, 0x00, 0x00, 0x00},
                           {0x02, 0x00, 0x00, 0x00},
                           Bytes(44, 0x00),
                           Text("name")});
    EXPECT_FALSE(DecodeDosAttrib(v2));

    // Too short to hold a version after the NUL.
    EXPECT_FALSE(DecodeDosAttrib(Bytes{0x03, 0x00, 0x03, 0x00}));
    EXPECT_FALSE(UpdateDosAttrib(cut, kHidden, kManaged));
    EXPECT_FALSE(UpdateDosAttrib(Text("hello"), kHidden, kManaged));
}

TEST(DosAttribTest, RewritingARecordKeepsItsFormAndEveryOtherField) {
    // "Make Visible" on a book hidden from Windows: only attrib changes.
    const auto visible = UpdateDosAttrib(SambaV5(0x22), 0, kManaged);
    ASSERT_TRUE(visible);
    EXPECT_EQ(*visible, SambaV5(0x00));
    const auto hidden = UpdateDosAttrib(*visible, kHidden, kManaged);
    ASSERT_TRUE(hidden);
    EXPECT_EQ(*hidden, SambaV5(0x02));

    // Bits outside the mask stay: directory, not-content-indexed.
    const auto folder = UpdateDosAttrib(SambaV5(0x12), kArchive, kManaged);
    ASSERT_TRUE(folder);
    EXPECT_EQ(DecodeDosAttrib(*folder), 0x30u);

    // A longer text moves the version and the info to their aligned places.
    const auto grown = UpdateDosAttrib(SambaV3Short(), kHidden | kArchive, kManaged);
    ASSERT_TRUE(grown);
    const Bytes expected = Join({Text("0x22"),
                                 {0x00, 0x00},
                                 {0x03, 0x00, 0x03, 0x00},
                                 {0x00, 0x00},
                                 {0x11, 0x00, 0x00, 0x00},
                                 {0x22, 0x00, 0x00, 0x00},
                                 {0x00, 0x00, 0x00, 0x00},
                                 kZero8,
                                 kZero8,
                                 kCreated,
                                 kChanged});
    EXPECT_EQ(*grown, expected);
    // And back again.
    EXPECT_EQ(UpdateDosAttrib(expected, kHidden, kManaged), SambaV3Short());
}

TEST(DosAttribTest, RewritingMarksTheAttribValidAndKeepsWhatFollows) {
    Bytes unmarked = SambaV5(0x00);
    unmarked[8] = 0x10;  // only the create time valid
    unmarked.push_back(0xaa);
    unmarked.push_back(0xbb);
    const auto marked = UpdateDosAttrib(unmarked, kHidden, kManaged);
    ASSERT_TRUE(marked);
    Bytes expected = SambaV5(0x02);
    expected.push_back(0xaa);
    expected.push_back(0xbb);
    EXPECT_EQ(*marked, expected);
}

TEST(DosAttribTest, RewritingTextKeepsItsForm) {
    EXPECT_EQ(UpdateDosAttrib(Text("0x2"), kHidden | kArchive, kManaged), Text("0x22"));
    EXPECT_EQ(UpdateDosAttrib(Join({Text("0X2"), {0x00}}), kArchive, kManaged),
              Join({Text("0x20"), {0x00}}));
    // Other programs' bits survive; a value left with none goes.
    EXPECT_EQ(UpdateDosAttrib(Text("0x2002"), 0, kManaged), Text("0x2000"));
    EXPECT_EQ(UpdateDosAttrib(Text("0x23"), 0, kManaged), Bytes());
    EXPECT_EQ(UpdateDosAttrib(Join({Text("0x2"), {0x00}}), 0, kManaged), Bytes());
    EXPECT_EQ(UpdateDosAttrib(Bytes(), kHidden, kManaged), Text("0x2"));
    EXPECT_EQ(EncodeDosAttribText(kHidden | kArchive | FILE_ATTRIBUTE_READONLY), Text("0x23"));
}

TEST(DosAttribTest, WhatIsWrittenReadsBack) {
    const std::vector<Bytes> values = {Text("0x2"), Join({Text("0x7"), {0x00}}), SambaV3Short(),
                                       SambaV5(0x22), SambaV5(0x10)};
    for (const Bytes& value : values) {
        const uint32_t before = *DecodeDosAttrib(value);
        for (uint32_t bits :
             {0u, kHidden, kHidden | kArchive | FILE_ATTRIBUTE_READONLY, 0xffffffffu}) {
            const auto after = UpdateDosAttrib(value, bits, kManaged);
            ASSERT_TRUE(after);
            EXPECT_EQ(DecodeDosAttrib(*after).value_or(0xdead),
                      (before & ~kManaged) | (bits & kManaged))
                << bits;
        }
    }
}

}  // namespace
}  // namespace inkvista
