// Writes book files byte for byte: header, header extension, page offset
// table and page records around already-encoded page data. Every field can be
// set by hand, so tests can also build damaged books.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "book/BookState.h"

namespace inkvista::encode {

struct PagePlan {
    std::string record = "CX";  // "CX" (42 bytes) or "XC" (72 bytes); other text = bad magic
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerPixel = 3;     // "XC": 3 grey runs, 5 palette colour
    uint16_t skipWords = 0;        // grey pages: words skipped before the palette
    uint16_t field32 = 0;          // "XC": must be 0 in a valid book
    std::vector<uint8_t> palette;  // r, g, b per entry
    std::vector<uint8_t> packed;   // grey runs, or the LZO1X block
    // Written as the record's packedSize; defaults to packed.size().
    std::optional<uint32_t> packedSizeField;
};

struct BookPlan {
    BookKind kind = BookKind::Cmb;
    std::optional<std::string> magic;        // default "CB" / "XB" by kind
    std::optional<uint16_t> pageCountField;  // default pages.size()
    // Raw header text bytes (Korean code page); longer ones are cut to the field.
    std::string title, chapter, author, publisher;
    uint16_t extentLimit = 240;
    uint16_t variant = 0;  // .cxb only
    std::vector<PagePlan> pages;
};

// Page offsets are 32-bit: a book must end below 4 GiB for every page to be
// reachable.
constexpr uint64_t kMaxBookSize = 0xFFFFFFFFu;

bool IsGrey(const PagePlan& page);
std::vector<uint8_t> BuildBook(const BookPlan& plan);
// Size of BuildBook's output, without building it.
uint64_t BookSize(const BookPlan& plan);
// Writes BuildBook's output to `path` piece by piece, through a temporary file
// beside it, so a failed write leaves no partial book. Fails when the book
// would reach kMaxBookSize.
bool WriteBook(const std::string& path, const BookPlan& plan);
// Byte offset of each page record in BuildBook's output.
std::vector<uint32_t> PageOffsets(const BookPlan& plan);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace inkvista::encode
