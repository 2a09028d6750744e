#include "models/LibraryRows.h"

#include <cstdio>

#include "book/HeaderText.h"
#include "platform/HostNames.h"
#include "platform/Text.h"

namespace inkvista {

namespace {

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text; ++text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
    return out;
}

}  // namespace

std::u16string DisplayFileName(std::u16string_view deviceName) {
    const std::optional<std::string> host = HostName(deviceName);
    if (!host) return std::u16string(deviceName);
    if (!IsUtf8Name(*host)) {
        if (std::optional<std::u16string> korean = DecodeCodePageStrictly(*host)) return *korean;
    }
    return Utf8ToUtf16(*host);
}

std::u16string RowTitle(const BookEntry& entry, bool showFileName) {
    return showFileName ? entry.displayName : entry.title;
}

std::u16string RowSecondColumn(const BookEntry& entry, bool showSize) {
    char text[64];
    if (!showSize) {
        // In 64 bits: a bookmark line may carry the largest 32-bit page.
        std::snprintf(text, sizeof text, "%lld / %03d",
                      static_cast<long long>(entry.bookmarkPage) + 1, entry.pageCount);
    } else if (entry.sizeMB < 1.0) {
        std::snprintf(text, sizeof text, "%3dK", static_cast<int>(entry.sizeMB * 1000));
    } else {
        std::snprintf(text, sizeof text, "%.1fM", entry.sizeMB);
    }
    return Widen(text);
}

int RowIcon(const BookEntry& entry) {
    if (entry.kind == BookKind::Cxb) return entry.hidden ? kIconCxbHidden : kIconCxb;
    return entry.hidden ? kIconCmbHidden : kIconCmb;
}

}  // namespace inkvista
