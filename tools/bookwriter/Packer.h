// Making a book from pictures: each picture made into its pages (in
// parallel), the pages written in order, the header filled in.
#pragma once

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "bookwriter/PagePictures.h"
#include "encode/BookWriter.h"

namespace inkvista::bookwriter {

// The most pages a header can count.
constexpr size_t kMaxPages = 0xFFFF;

// How far a pack has come, told after each picture's pages are written.
struct PackProgress {
    size_t pictures = 0;  // pictures done
    size_t total = 0;     // pictures in all
    size_t pages = 0;     // pages written
};

// The page rule's defaults make each picture one page as it is; `pack`
// sets its own defaults (see PackCommand).
struct PackOptions : PageRule {
    BookKind kind = BookKind::Cmb;
    // UTF-8; stored in the Korean code page.
    std::string title, chapter, author, publisher;
    // Threads making pages; the book's bytes are the same for any number.
    unsigned jobs = 1;
    std::function<void(const PackProgress&)> progress;
    // The most the book file may take.
    uint64_t sizeLimit = encode::kMaxBookSize;
    // False: a file at the book's name is never replaced, and the book fails.
    bool replace = true;
};

// The kind a book file name asks for by its extension (.cmb, .cxb, any case).
std::optional<BookKind> BookKindOf(const std::string& path);

// Checks the options that do not depend on pictures and fills the header
// fields of `book` (kind, texts). A text that does not fit its field or the
// code page is refused with a message naming the field; nothing is cut.
// This is also the one place that refuses colour pages in CX records.
bool PrepareBook(const PackOptions& options, encode::BookPlan* book, std::string* error);

// Takes picture `picture` (from 0, in page order); `name` names it in messages.
using PageSink = std::function<bool(size_t picture, PictureSource source, const std::string& name,
                                    std::string* error)>;
// Hands every picture to the sink once, in any order, one at a time; false
// (with `error` set) to stop.
using PictureFeed = std::function<bool(const PageSink& sink, std::string* error)>;

// Writes a book of the pages of `count` pictures from `feed`. The pictures
// are made into pages by `options.jobs` threads, at most two pictures per
// thread in hand at a time, and the pages are written to the book file in
// the order the feed gave the pictures, so the bytes do not depend on the
// number of threads; the page offset table puts them in page order. A count
// the header cannot hold is refused before any picture is asked for. False
// with `error` set on any failure (the first picture in feed order that
// fails names it); then no book is left at `out` and a file there stays as
// it was.
bool PackFeed(const std::string& out, size_t count, const PictureFeed& feed,
              const PackOptions& options, std::string* error);

// The same with picture i drawn by `get` in page order, as it is needed.
using PictureMaker =
    std::function<bool(size_t i, QImage* picture, std::string* name, std::string* error)>;
bool PackWith(const std::string& out, size_t count, const PictureMaker& get,
              const PackOptions& options, std::string* error);

// The same, from pictures already in memory.
bool PackPictures(const std::string& out, const std::vector<QImage>& pictures,
                  const PackOptions& options, std::string* error);

}  // namespace inkvista::bookwriter
