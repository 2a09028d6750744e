#include "book/BookHeader.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace inkvista {

BookHeader BookHeader::Parse(const uint8_t* bytes) {
    BookHeader h;
    std::memcpy(h.magic, bytes, 2);
    h.pageCount = LoadBE16(bytes + 26);
    std::memcpy(h.title, bytes + 28, kTitleWidth);
    std::memcpy(h.chapter, bytes + 60, kChapterWidth);
    std::memcpy(h.author, bytes + 80, kAuthorWidth);
    std::memcpy(h.publisher, bytes + 100, kPublisherWidth);
    return h;
}

bool BookHeader::MagicMatches(BookKind kind) const {
    // The library's kind decides; the file's own magic never chooses it.
    const char expected = kind == BookKind::Cmb ? 'C' : 'X';
    return magic[0] == expected && magic[1] == 'B';
}

HeaderExtension HeaderExtension::Parse(BookKind kind, const uint8_t* bytes) {
    HeaderExtension e;
    if (kind == BookKind::Cmb) {
        e.extentLimit = LoadBE16(bytes + 34);
    } else {
        e.variant = LoadBE16(bytes + 8);
        e.extentLimit = LoadBE16(bytes + 10);
    }
    return e;
}

bool HeaderExtension::IsSupported(BookKind kind) const {
    if (kind == BookKind::Cxb && variant != 0 && variant != 4) return false;
    return extentLimit <= kMaxExtentLimit;
}

std::vector<uint32_t> ParsePageTable(const uint8_t* bytes, size_t pageCount) {
    std::vector<uint32_t> offsets(pageCount);
    for (size_t i = 0; i < pageCount; ++i) offsets[i] = LoadBE32(bytes + 4 * i);
    return offsets;
}

}  // namespace inkvista
