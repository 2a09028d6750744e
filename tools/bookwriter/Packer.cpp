#include "bookwriter/Packer.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "book/BookHeader.h"
#include "book/HeaderText.h"
#include "bookwriter/ImageFiles.h"
#include "encode/PageEncoder.h"

namespace inkvista::bookwriter {
namespace {

// The reader refuses a page whose image buffers would pass this size, so a
// book holding one would be unreadable.
constexpr uint64_t kMaxPageBuffer = uint64_t{256} << 20;

bool ReaderCanShow(uint64_t width, uint64_t height) {
    const uint64_t stride24 = (3 * width + 3) & ~uint64_t{3};
    return stride24 * height <= kMaxPageBuffer;
}

bool EncodeField(const char* name, const std::string& text, size_t width, std::string* out,
                 std::string* error) {
    std::string why;
    if (EncodeHeaderText(text, width, out, &why)) return true;
    *error = std::string(name) + ": " + why;
    return false;
}

}  // namespace

std::optional<BookKind> BookKindOf(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "cmb") return BookKind::Cmb;
    if (ext == "cxb") return BookKind::Cxb;
    return std::nullopt;
}

bool PrepareBook(const PackOptions& options, encode::BookPlan* book, std::string* error) {
    if (options.record != "CX" && options.record != "XC") {
        *error = "record must be CX or XC, not '" + options.record + "'";
        return false;
    }
    if (options.colour && options.record == "CX") {
        *error = "colour pages need XC records: a CX record always holds a grey page";
        return false;
    }
    book->kind = options.kind;
    book->variant = 0;
    book->extentLimit = 240;
    return EncodeField("title", options.title, kTitleWidth, &book->title, error) &&
           EncodeField("chapter", options.chapter, kChapterWidth, &book->chapter, error) &&
           EncodeField("author", options.author, kAuthorWidth, &book->author, error) &&
           EncodeField("publisher", options.publisher, kPublisherWidth, &book->publisher, error);
}

bool MakePage(const QImage& picture, const PackOptions& options, encode::PagePlan* page,
              std::string* error) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        *error = "empty picture";
        return false;
    }
    if (!ReaderCanShow(static_cast<uint64_t>(picture.width()),
                       static_cast<uint64_t>(picture.height()))) {
        *error = "picture of " + std::to_string(picture.width()) + " x " +
                 std::to_string(picture.height()) + " pixels is too large for a page";
        return false;
    }
    std::optional<encode::PagePlan> made;
    if (options.colour) {
        const IndexedPixels px = QuantiseColour(picture, options.dither);
        made = encode::ColourPage(px.indices.data(), px.width, px.height, px.width, px.palette);
    } else {
        const GreyPixels px = QuantiseGrey(picture, options.dither);
        made = encode::GreyPage(px.grey.data(), px.width, px.height, px.width, options.record);
    }
    if (!made) {
        *error = "page could not be encoded";
        return false;
    }
    *page = std::move(*made);
    return true;
}

bool PackWith(const std::string& out, size_t count, const PictureSource& get,
              const PackOptions& options, std::string* error) {
    encode::BookPlan book;
    if (!PrepareBook(options, &book, error)) return false;
    if (count > kMaxPages) {
        *error = std::to_string(count) + " pictures; a book holds at most " +
                 std::to_string(kMaxPages) + " pages";
        return false;
    }
    // Only the encoded pages are kept; each picture is let go once encoded.
    for (size_t i = 0; i < count; ++i) {
        QImage picture;
        std::string name;
        if (!get(i, &picture, &name, error)) return false;
        encode::PagePlan page;
        if (!MakePage(picture, options, &page, error)) {
            *error = name + ": " + *error;
            return false;
        }
        book.pages.push_back(std::move(page));
    }
    if (encode::BookSize(book) > encode::kMaxBookSize) {
        *error = "the book would pass 4 GiB, beyond what its page offsets can reach";
        return false;
    }
    if (!encode::WriteBook(out, book)) {
        *error = out + ": cannot write the book";
        return false;
    }
    return true;
}

bool PackPictures(const std::string& out, const std::vector<QImage>& pictures,
                  const PackOptions& options, std::string* error) {
    return PackWith(
        out, pictures.size(),
        [&](size_t i, QImage* picture, std::string* name, std::string*) {
            *picture = pictures[i];
            *name = "page " + std::to_string(i + 1);
            return true;
        },
        options, error);
}

bool PackBook(const std::string& out, const std::vector<std::string>& images,
              const PackOptions& options, std::string* error) {
    return PackWith(
        out, images.size(),
        [&](size_t i, QImage* picture, std::string* name, std::string* why) {
            *name = images[i];
            return LoadPicture(images[i], picture, why);
        },
        options, error);
}

}  // namespace inkvista::bookwriter
