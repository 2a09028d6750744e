// What `inkvista-tool info` tells about a book: the header texts and every
// page record, read through the same OpenBook the viewer uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "book/BookState.h"
#include "book/OpenBook.h"
#include "book/PageRecord.h"
#include "platform/FileSystem.h"

namespace inkvista {

struct PageInfo {
    uint32_t offset = 0;
    PageEncoding encoding = PageEncoding::ReadFailed;
    PageRecord record;  // meaningful unless BadMagic or ReadFailed
    // The reader shows the page, and every pixel of it comes from its data
    // (false for a page it refuses and for a damaged page it shows as far as
    // it decodes). Meaningful only when `checked`.
    bool complete = false;
    // The page was decoded (or shares its record with one that was); false
    // once the book's decoding budget is spent.
    bool checked = false;
};

// How many page pixels (width × height as the records claim them) `info`
// decodes at most for one book. Pages at an offset already decoded cost
// nothing; a page that would pass the budget is left unchecked, so a small
// crafted book cannot buy hours of decoding.
inline constexpr uint64_t kInfoDecodeBudget = uint64_t{4} << 30;

struct BookInfo {
    BookKind kind = BookKind::Cmb;
    int32_t pageCount = 0;
    // Converted with the system code page; empty when the field is unset.
    std::u16string title, chapter, author, publisher;
    std::vector<PageInfo> pages;
};

// Opens the book with OpenBook, reads its header texts and page records and
// decodes each distinct page as the reader would (portrait, not fitted),
// within `decodeBudget` pixels, to tell whether it is complete. Answers why
// the book did not open (OpenBookMessage tells it).
OpenBookError ReadBookInfo(FileSystem& files, const BookFolders& folders,
                           std::u16string_view fileName, FolderSlot slot, BookKind kind,
                           BookInfo& info, uint64_t decodeBudget = kInfoDecodeBudget);

// One JSON object: kind, pageCount, title, chapter, author, publisher and
// pages. A page whose record cannot be read or has a bad magic has "record",
// "width" and "height" null and "encoding" "unsupported". A checked page
// has "complete"; an unchecked one has "unchecked": true instead.
std::string BookInfoJson(const BookInfo& info);

// `text` as a JSON string literal, quotes included.
std::string JsonString(std::string_view utf8);

}  // namespace inkvista
