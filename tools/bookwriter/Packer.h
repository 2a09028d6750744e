// Making a book from pictures: quantise, encode, fill the header.
#pragma once

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "bookwriter/Quantise.h"
#include "encode/BookWriter.h"

namespace inkvista::bookwriter {

// The most pages a header can count.
constexpr size_t kMaxPages = 0xFFFF;

struct PackOptions {
    BookKind kind = BookKind::Cmb;
    bool colour = false;        // 32-colour pages ("XC" records) instead of 8 grey levels
    std::string record = "CX";  // record of grey pages: "CX" or "XC"
    Dither dither = Dither::FloydSteinberg;
    // UTF-8; stored in the Korean code page.
    std::string title, chapter, author, publisher;
    // Told after each page: pages done and pages in all.
    std::function<void(size_t done, size_t total)> progress;
    // The most the book file may take.
    uint64_t sizeLimit = encode::kMaxBookSize;
};

// The kind a book file name asks for by its extension (.cmb, .cxb, any case).
std::optional<BookKind> BookKindOf(const std::string& path);

// Checks the options that do not depend on pictures and fills the header
// fields of `book` (kind, texts). A text that does not fit its field or the
// code page is refused with a message naming the field; nothing is cut.
bool PrepareBook(const PackOptions& options, encode::BookPlan* book, std::string* error);

// One page from a picture: QuantiseGrey or QuantiseColour, then encoded
// exactly, so a reader shows back what the quantiser gave.
bool MakePage(const QImage& picture, const PackOptions& options, encode::PagePlan* page,
              std::string* error);

// Takes the picture of page `page` (from 0); `name` names it in messages.
using PageSink =
    std::function<bool(size_t page, const QImage& picture, const std::string& name, std::string*)>;
// Hands every page's picture to the sink once, in any order, one at a time;
// false (with `error` set) to stop.
using PictureFeed = std::function<bool(const PageSink& sink, std::string* error)>;

// Writes a book of `count` pages from `feed`, each page written to the
// book file as soon as it is encoded. A count the header cannot hold is
// refused before any picture is asked for. False with `error` set on any
// failure; then no book is left at `out` and a file there stays as it was.
bool PackFeed(const std::string& out, size_t count, const PictureFeed& feed,
              const PackOptions& options, std::string* error);

// The same with picture i given by `get` in page order, as it is needed.
using PictureSource =
    std::function<bool(size_t i, QImage* picture, std::string* name, std::string* error)>;
bool PackWith(const std::string& out, size_t count, const PictureSource& get,
              const PackOptions& options, std::string* error);

// The same, from pictures already in memory.
bool PackPictures(const std::string& out, const std::vector<QImage>& pictures,
                  const PackOptions& options, std::string* error);

}  // namespace inkvista::bookwriter
