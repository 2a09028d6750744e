// The fixed parts at the start of a book file: the 120-byte header, the
// header extension of each kind and the page offset table. Every number in a
// book is big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "book/BookState.h"

namespace inkvista {

constexpr size_t kBookHeaderSize = 120;
constexpr size_t kTitleWidth = 32;
constexpr size_t kChapterWidth = 20;
constexpr size_t kAuthorWidth = 20;
constexpr size_t kPublisherWidth = 20;
// Books whose pages claim a larger extent than this are refused.
constexpr uint16_t kMaxExtentLimit = 320;

struct BookHeader {
    char magic[2] = {0, 0};  // "CB" (.cmb) or "XB" (.cxb)
    uint16_t pageCount = 0;
    // Raw text fields in the Korean code page; a text ends at its first NUL or
    // at the end of its field.
    uint8_t title[kTitleWidth] = {};
    uint8_t chapter[kChapterWidth] = {};
    uint8_t author[kAuthorWidth] = {};
    uint8_t publisher[kPublisherWidth] = {};

    // `bytes` holds kBookHeaderSize bytes.
    static BookHeader Parse(const uint8_t* bytes);
    // The magic a book of `kind` must carry.
    bool MagicMatches(BookKind kind) const;
};

// The bytes between the header and the page offset table.
struct HeaderExtension {
    uint16_t variant = 0;  // .cxb only: 0 or 4
    uint16_t extentLimit = 0;

    static size_t Size(BookKind kind) { return kind == BookKind::Cmb ? 38 : 14; }
    // `bytes` holds Size(kind) bytes.
    static HeaderExtension Parse(BookKind kind, const uint8_t* bytes);
    bool IsSupported(BookKind kind) const;
};

// File offset of the page offset table.
inline uint64_t PageTableOffset(BookKind kind) {
    return kBookHeaderSize + HeaderExtension::Size(kind);
}

// `pageCount` big-endian 32-bit numbers from `bytes` (4 × pageCount bytes).
std::vector<uint32_t> ParsePageTable(const uint8_t* bytes, size_t pageCount);

}  // namespace inkvista
