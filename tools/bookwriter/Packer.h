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

// Writes the book: pictures are read from `images` in order. False with
// `error` set on any failure; then no book is left at `out`.
bool PackBook(const std::string& out, const std::vector<std::string>& images,
              const PackOptions& options, std::string* error);

// The same, with picture i given by `get` (and a name for messages about it)
// as it is needed, so that no more than one picture is held at a time.
using PictureSource =
    std::function<bool(size_t i, QImage* picture, std::string* name, std::string* error)>;
bool PackWith(const std::string& out, size_t count, const PictureSource& get,
              const PackOptions& options, std::string* error);

// The same, from pictures already in memory.
bool PackPictures(const std::string& out, const std::vector<QImage>& pictures,
                  const PackOptions& options, std::string* error);

}  // namespace inkvista::bookwriter
