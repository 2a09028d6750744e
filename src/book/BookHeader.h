// The fixed parts at the start of a book file, parsed: the 120-byte header,
// the header extension of each kind and the page offset table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/BookFormat.h"

namespace inkvista {

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

    // `bytes` holds HeaderExtensionSize(kind) bytes.
    static HeaderExtension Parse(BookKind kind, const uint8_t* bytes);
    bool IsSupported(BookKind kind) const;
};

// `pageCount` big-endian 32-bit numbers from `bytes` (4 × pageCount bytes).
std::vector<uint32_t> ParsePageTable(const uint8_t* bytes, size_t pageCount);

}  // namespace inkvista
