// The layout of a book file, for everything that reads or writes one: the
// header, its extension, the page offset table, the two page records and the
// bytes after a record. Every number in a book is big-endian and unsigned;
// offsets count from the start of the file, or of the part they belong to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace inkvista {

// In a book folder decided by the file name's extension, never by the file's
// own magic; only a file handed over by path may be taken by its header
// (BookKindFromHeader, below).
enum class BookKind : int { Cmb = 0, Cxb = 1 };

inline constexpr std::u16string_view kCmbExtension = u".cmb";
inline constexpr std::u16string_view kCxbExtension = u".cxb";

// The kind a file name's extension gives (".cmb" or ".cxb", any letter case).
std::optional<BookKind> BookKindFromName(std::u16string_view fileName);

// --- Header: the first 120 bytes ---------------------------------------------

inline constexpr size_t kBookHeaderSize = 120;
inline constexpr size_t kBookMagicOffset = 0;
inline constexpr size_t kBookMagicSize = 2;
inline constexpr char kCmbMagic[kBookMagicSize] = {'C', 'B'};
inline constexpr char kCxbMagic[kBookMagicSize] = {'X', 'B'};
inline constexpr size_t kPageCountOffset = 26;  // 16-bit
// Text fields in the Korean code page: a text ends at its first NUL or at the
// end of its field.
inline constexpr size_t kTitleOffset = 28;
inline constexpr size_t kTitleWidth = 32;
inline constexpr size_t kChapterOffset = 60;
inline constexpr size_t kChapterWidth = 20;
inline constexpr size_t kAuthorOffset = 80;
inline constexpr size_t kAuthorWidth = 20;
inline constexpr size_t kPublisherOffset = 100;
inline constexpr size_t kPublisherWidth = 20;

// --- Header extension: right after the header ---------------------------------

inline constexpr size_t kCmbExtensionSize = 38;
inline constexpr size_t kCxbExtensionSize = 14;
// Offsets inside the extension, 16-bit fields.
inline constexpr size_t kCmbExtentLimitOffset = 34;
inline constexpr size_t kCxbVariantOffset = 8;
inline constexpr size_t kCxbExtentLimitOffset = 10;
// Books whose pages claim a larger extent than this are refused.
inline constexpr uint16_t kMaxExtentLimit = 320;
// The variants a .cxb book may have.
inline constexpr uint16_t kCxbVariants[] = {0, 4};

constexpr size_t HeaderExtensionSize(BookKind kind) {
    return kind == BookKind::Cmb ? kCmbExtensionSize : kCxbExtensionSize;
}

// How many of a file's first bytes BookKindFromHeader looks at.
inline constexpr size_t kBookKindProbeSize = kBookHeaderSize + kCmbExtensionSize;

// The kind the first bytes of a file show, as the desktop's MIME types
// recognise a book without its extension: the magic, confirmed by header
// extension bytes that text never holds (the extent limit below 512 of
// either kind, a .cxb book's variant 0 or 4). nullopt for anything else, and
// for fewer bytes than a header and extension of that kind.
std::optional<BookKind> BookKindFromHeader(std::span<const uint8_t> start);

// --- Page offset table: right after the extension ------------------------------

inline constexpr size_t kPageTableEntrySize = 4;  // absolute file offset of a page record

constexpr uint64_t PageTableOffset(BookKind kind) {
    return kBookHeaderSize + HeaderExtensionSize(kind);
}

// Page offsets are 32-bit: a book must end below 4 GiB for every page to be
// reachable.
inline constexpr uint64_t kMaxBookSize = 0xFFFFFFFFu;

// --- Page records ----------------------------------------------------------------

inline constexpr size_t kRecordMagicSize = 2;
inline constexpr char kCxRecordMagic[kRecordMagicSize] = {'C', 'X'};
inline constexpr char kXcRecordMagic[kRecordMagicSize] = {'X', 'C'};

// Where the fields that are read stand in each kind of record; widths are
// 32 bits except where noted.
struct RecordLayout {
    size_t size;
    size_t width;
    size_t height;
    size_t bitsPerPixel;  // 16-bit
    size_t packedSize;
    size_t skipWords;     // 16-bit
    size_t paletteCount;  // 16-bit
};
inline constexpr RecordLayout kCxRecord = {42, 22, 26, 30, 34, 38, 40};
inline constexpr RecordLayout kXcRecord = {72, 20, 24, 66, 16, 68, 70};
inline constexpr size_t kCxRecordSize = kCxRecord.size;
inline constexpr size_t kXcRecordSize = kXcRecord.size;
// A 16-bit field of an "XC" record that must be zero.
inline constexpr size_t kXcZeroFieldOffset = 32;

// bitsPerPixel of an "XC" record; a "CX" record is grey whatever it says.
inline constexpr uint16_t kGreyBitsPerPixel = 3;
inline constexpr uint16_t kColourBitsPerPixel = 5;

// --- After a record ----------------------------------------------------------------
//
// Grey runs: skipWords words (skipped), the palette, a row table of 2 bytes
// per row (skipped), the packed data. Palette colour: the palette, then the
// packed data (one LZO1X block).

inline constexpr size_t kSkipWordSize = 2;
inline constexpr size_t kPaletteEntrySize = 3;  // red, green, blue
inline constexpr size_t kRowTableEntrySize = 2;
// Grey pages use the first byte of entries 0..7; colour pages entries 0..31.
inline constexpr size_t kGreyLevels = 8;
inline constexpr size_t kColourEntries = 32;

// Bytes per row of 5-bit colour data: ceil(5 × width / 8), rounded up to an
// even number.
constexpr uint64_t ColourRowBytes(uint64_t width) {
    return ((5 * width + 7) / 8 + 1) & ~uint64_t{1};
}

}  // namespace inkvista
