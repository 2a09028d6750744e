#include "book/BookFormat.h"

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

}  // namespace inkvista
