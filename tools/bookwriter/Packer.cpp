#include "bookwriter/Packer.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "book/BookHeader.h"
#include "book/HeaderText.h"
#include "bookwriter/ImageFiles.h"
#include "encode/PageEncoder.h"
#include "platform/Text.h"

namespace inkvista::bookwriter {
namespace {

bool EncodeField(const char* name, const std::string& text, size_t width, std::string* out,
                 std::string* error) {
    std::string why;
    if (EncodeHeaderText(text, width, out, &why)) return true;
    *error = std::string(name) + ": " + why;
    return false;
}

}  // namespace

std::optional<BookKind> BookKindOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return BookKindFromName(
        Utf8ToUtf16(slash == std::string::npos ? path : path.substr(slash + 1)));
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
    if (!PictureFitsPage(static_cast<uint64_t>(picture.width()),
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

bool PackFeed(const std::string& out, size_t count, const PictureFeed& feed,
              const PackOptions& options, std::string* error) {
    encode::BookPlan book;
    if (!PrepareBook(options, &book, error)) return false;
    if (count > kMaxPages) {
        *error = std::to_string(count) + " pictures; a book holds at most " +
                 std::to_string(kMaxPages) + " pages";
        return false;
    }
    // What a killed run left beside the book goes first.
    RemoveStaleTemporaries(out);
    encode::BookStream stream;
    if (!stream.Begin(out, book, static_cast<uint16_t>(count), options.sizeLimit)) {
        *error = out + ": cannot write the book: " + stream.Describe();
        return false;
    }
    size_t done = 0;
    const PageSink sink = [&](size_t page, const QImage& picture, const std::string& name,
                              std::string* why) {
        encode::PagePlan plan;
        if (page >= count || !MakePage(picture, options, &plan, why)) {
            if (page >= count) *why = "no page " + std::to_string(page + 1) + " in the book";
            *why = name + ": " + *why;
            return false;
        }
        if (!stream.Add(static_cast<uint16_t>(page), plan)) {
            *why = out + ": cannot write the book: " + stream.Describe();
            return false;
        }
        if (options.progress) options.progress(++done, count);
        return true;
    };
    if (!feed(sink, error)) {
        stream.Abandon();
        return false;
    }
    if (!stream.Finish()) {
        *error = out + ": cannot write the book: " + stream.Describe();
        return false;
    }
    return true;
}

bool PackWith(const std::string& out, size_t count, const PictureSource& get,
              const PackOptions& options, std::string* error) {
    const PictureFeed feed = [&](const PageSink& sink, std::string* why) {
        for (size_t i = 0; i < count; ++i) {
            QImage picture;
            std::string name;
            if (!get(i, &picture, &name, why)) return false;
            if (!sink(i, picture, name, why)) return false;
        }
        return true;
    };
    return PackFeed(out, count, feed, options, error);
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

}  // namespace inkvista::bookwriter
