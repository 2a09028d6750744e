#include "book/BookFormat.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/ByteOrder.h"
#include "platform/Text.h"

namespace inkvista {

std::optional<BookKind> BookKindFromName(std::u16string_view fileName) {
    const size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view extension = fileName.substr(dot);
    if (EqualsNoCase(extension, kCmbExtension)) return BookKind::Cmb;
    if (EqualsNoCase(extension, kCxbExtension)) return BookKind::Cxb;
    return std::nullopt;
}

std::optional<BookKind> BookKindFromHeader(std::span<const uint8_t> start) {
    if (start.size() < kBookMagicSize) return std::nullopt;
    BookKind kind = BookKind::Cmb;
    if (std::memcmp(start.data(), kCxbMagic, kBookMagicSize) == 0) {
        kind = BookKind::Cxb;
    } else if (std::memcmp(start.data(), kCmbMagic, kBookMagicSize) != 0) {
        return std::nullopt;
    }
    if (start.size() < PageTableOffset(kind)) return std::nullopt;
    const uint8_t* extension = start.data() + kBookHeaderSize;
    // The high byte of the extent limit: no book's is above 1 (320 at most).
    const size_t limitAt = kind == BookKind::Cmb ? kCmbExtentLimitOffset : kCxbExtentLimitOffset;
    if (extension[limitAt] > 1) return std::nullopt;
    if (kind == BookKind::Cxb) {
        const uint16_t variant = LoadBE16(extension + kCxbVariantOffset);
        if (std::find(std::begin(kCxbVariants), std::end(kCxbVariants), variant) ==
            std::end(kCxbVariants))
            return std::nullopt;
    }
    return kind;
}

}  // namespace inkvista
