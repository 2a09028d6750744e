// Writes book files byte for byte: header, header extension, page offset
// table and page records around already-encoded page data. Every field can be
// set by hand, so tests can also build damaged books.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "platform/AtomicFile.h"

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

using inkvista::kMaxBookSize;

bool IsGrey(const PagePlan& page);

// The pieces of a book file, in file order. The header and its extension
// take the header fields of `plan` (its pages are not used); `pageCount` is
// written unless plan.pageCountField says otherwise.
size_t HeaderSize(BookKind kind);
std::vector<uint8_t> BuildHeader(const BookPlan& plan, uint16_t pageCount);
std::vector<uint8_t> BuildOffsetTable(const std::vector<uint32_t>& offsets);
// A page record and what stands between it and the packed data: the
// skipped words, the palette and (grey pages) the row table.
std::vector<uint8_t> BuildPageRecord(const PagePlan& page);
// Record, palette, row table and packed data together.
uint64_t PageSize(const PagePlan& page);

std::vector<uint8_t> BuildBook(const BookPlan& plan);
// Size of BuildBook's output, without building it.
uint64_t BookSize(const BookPlan& plan);
// Byte offset of each page record in BuildBook's output.
std::vector<uint32_t> PageOffsets(const BookPlan& plan);
// Writes BuildBook's output to `path` piece by piece through BookStream.
// Fails when the book would pass kMaxBookSize.
bool WriteBook(const std::string& path, const BookPlan& plan);
// Writes bytes as they are, for tests that build damaged files.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Writes a book page by page without holding more than one page: the header
// and an empty offset table first, then each page as it comes, and the
// table once every page is in. Everything goes to a unique temporary beside
// the target, which replaces the target only when the book is complete; a
// failure, or a stream dropped before Finish, removes it and leaves any
// file at the target as it was.
class BookStream {
  public:
    enum class Failure { None, Io, TooLarge, BadPage, TooManyPages, Exists };

    // Starts a book of `pageCount` pages with the header fields of `header`.
    // `sizeLimit` is the most the file may grow to.
    bool Begin(const std::filesystem::path& path, const BookPlan& header, uint16_t pageCount,
               uint64_t sizeLimit = kMaxBookSize);
    // Starts a book whose page count is known only at the end: pages go into
    // `slots` numbered places, some of which may stay empty, and the book's
    // pages are the filled ones in slot order. The offset table is given
    // room for every slot; what the book does not need of it stays zeros
    // between the table and the first page.
    bool BeginSlots(const std::filesystem::path& path, const BookPlan& header, uint32_t slots,
                    uint64_t sizeLimit = kMaxBookSize);
    // Appends page (or slot) number `index`. Pages may come in any order,
    // each once.
    bool Add(uint32_t index, const PagePlan& page);
    // Fills in the offset table (and, for slots, the page count) and puts
    // the book in place; every page must have been added, and a book of
    // slots may hold at most 65535 pages. With `replace` false a file that
    // is at the target by then is left alone and the book fails (Exists).
    bool Finish(bool replace = true);
    void Abandon();

    Failure failure() const { return failure_; }
    // errno of an Io failure.
    int error() const { return error_; }
    // The failure in words, without the file's name.
    std::string Describe() const;
    uint64_t size() const { return size_; }

  private:
    bool Fail(Failure failure, int error);
    bool Start(const std::filesystem::path& path, const BookPlan& header, uint32_t entries,
               uint64_t sizeLimit);
    bool WriteAt(uint64_t offset, const std::vector<uint8_t>& bytes);

    AtomicFile file_;
    std::vector<uint32_t> offsets_;
    std::vector<bool> added_;
    bool slots_ = false;
    uint64_t size_ = 0;
    uint64_t limit_ = kMaxBookSize;
    size_t tableAt_ = 0;
    // The temporary as it was made, so that the table is written into that
    // file and no other.
    uint64_t device_ = 0, inode_ = 0;
    Failure failure_ = Failure::None;
    int error_ = 0;
};

}  // namespace inkvista::encode
