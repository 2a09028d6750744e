#include "book/BookHeader.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace inkvista {

BookHeader BookHeader::Parse(const uint8_t* bytes) {
    BookHeader h;
    std::memcpy(h.magic, bytes + kBookMagicOffset, kBookMagicSize);
    h.pageCount = LoadBE16(bytes + kPageCountOffset);
    std::memcpy(h.title, bytes + kTitleOffset, kTitleWidth);
    std::memcpy(h.chapter, bytes + kChapterOffset, kChapterWidth);
    std::memcpy(h.author, bytes + kAuthorOffset, kAuthorWidth);
    std::memcpy(h.publisher, bytes + kPublisherOffset, kPublisherWidth);
    return h;
}

bool BookHeader::MagicMatches(BookKind kind) const {
    // The library's kind decides; the file's own magic never chooses it.
    const char* expected = kind == BookKind::Cmb ? kCmbMagic : kCxbMagic;
    return std::memcmp(magic, expected, kBookMagicSize) == 0;
}

HeaderExtension HeaderExtension::Parse(BookKind kind, const uint8_t* bytes) {
    HeaderExtension e;
    if (kind == BookKind::Cmb) {
        e.extentLimit = LoadBE16(bytes + kCmbExtentLimitOffset);
    } else {
        e.variant = LoadBE16(bytes + kCxbVariantOffset);
        e.extentLimit = LoadBE16(bytes + kCxbExtentLimitOffset);
    }
    return e;
}

bool HeaderExtension::IsSupported(BookKind kind) const {
    if (kind == BookKind::Cxb && std::find(std::begin(kCxbVariants), std::end(kCxbVariants),
                                           variant) == std::end(kCxbVariants))
        return false;
    return extentLimit <= kMaxExtentLimit;
}

std::vector<uint32_t> ParsePageTable(const uint8_t* bytes, size_t pageCount) {
    std::vector<uint32_t> offsets(pageCount);
    for (size_t i = 0; i < pageCount; ++i) offsets[i] = LoadBE32(bytes + kPageTableEntrySize * i);
    return offsets;
}

}  // namespace inkvista
