// The bookmark file of a book folder, "InkVISTA.bmk": UTF-16LE text without
// a byte-order mark, one line "%s\t%d\n" per book (file name, TAB, the last
// page read from 0, LF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace inkvista {

inline constexpr std::u16string_view kBookmarkFileName = u"InkVISTA.bmk";

// The name and page of one line (without its LF): the name is the text
// before the first TAB, the page the decimal number at the start of the text
// after it, after any white space, with an optional sign. False for a line
// without a TAB or without a number that fits 32 bits: such a line names no
// book.
bool ParseBookmarkLine(std::u16string_view line, std::u16string_view* name, int32_t* page);

// Appends the line of `name` at `page` as UTF-16LE bytes.
void AppendBookmarkLine(std::string& bytes, std::u16string_view name, int32_t page);

// Reads a bookmark file as it arrives, in pieces of any size: every line
// that ends in LF goes to `line` with its name, its page and its whole text
// (without the LF). A CR belongs to the line; an odd last byte is dropped.
// Lines longer than any the program writes are skipped without being held.
class BookmarkReader {
  public:
    using LineHandler =
        std::function<void(std::u16string_view name, int32_t page, std::u16string_view text)>;
    explicit BookmarkReader(LineHandler line) : line_(std::move(line)) {}
    void Feed(const uint8_t* data, size_t size);
    // The end of the file: a last line without its LF (a write cut short,
    // an editor's doing) still counts, so its page is not lost.
    void Finish();

  private:
    void Unit(char16_t unit);
    void EndLine();
    LineHandler line_;
    std::u16string text_;
    bool overlong_ = false;
    int lowByte_ = -1;  // the first byte of a unit whose second has not come
};

// SaveBookmark's copy of a folder's file: everything passes unchanged but
// the first line that counts for `name`, which takes `page`; a file without
// such a line gets one at its end. Fed in pieces of any size, the output
// appended to `out` as it comes.
class BookmarkPageUpdate {
  public:
    BookmarkPageUpdate(std::u16string_view name, int32_t page) : name_(name), page_(page) {}
    void Feed(const uint8_t* data, size_t size, std::string& out);
    void Finish(std::string& out);

  private:
    void Unit(char16_t unit, std::string& out);
    void EndLine(std::string& out);
    std::u16string name_;
    int32_t page_;
    bool done_ = false;
    std::u16string text_;
    bool overlong_ = false;
    int lowByte_ = -1;
};

}  // namespace inkvista
