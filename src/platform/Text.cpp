#include "platform/Text.h"

#include <cstdint>
#include <optional>

namespace inkvista {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

}  // namespace

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

std::optional<char32_t> DecodeUtf8(std::string_view utf8, size_t* length) {
    *length = 0;
    if (utf8.empty()) return std::nullopt;
    const auto b0 = static_cast<uint8_t>(utf8[0]);
    *length = 1;
    if (b0 < 0x80) return b0;
    size_t extra;
    char32_t cp;
    char32_t minimum;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;  // stray continuation byte, overlong lead (C0, C1) or out of range
    }
    for (size_t k = 1; k <= extra; ++k) {
        if (k >= utf8.size() || (static_cast<uint8_t>(utf8[k]) & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (static_cast<uint8_t>(utf8[k]) & 0x3F);
        *length = k + 1;
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    return cp;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        size_t length = 0;
        const std::optional<char32_t> cp = DecodeUtf8(utf8.substr(i), &length);
        // One replacement for a bad sequence and the continuation bytes it
        // swallowed; the next byte starts afresh.
        AppendUtf16(out, cp.value_or(kReplacement));
        i += length;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
                const uint32_t cp =
                    0x10000 + ((uint32_t(u) - 0xD800) << 10) + (uint32_t(utf16[i + 1]) - 0xDC00);
                AppendUtf8(out, cp);
                ++i;
            } else {
                AppendUtf8(out, kReplacement);
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// Folds to upper case, as the device's file system compares names; only
// one-to-one mappings within the BMP.
char16_t FoldCase(char16_t c) {
    const uint32_t u = c;
    if (u < 0x80) {
        return (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 0x20) : c;
    }
    if (u < 0x100) {
        if (u == 0xB5) return 0x39C;
        if (u == 0xFF) return 0x178;
        if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char16_t>(u - 0x20);
        return c;
    }
    if (u < 0x180) {
        if ((u <= 0x137 || (u >= 0x14A && u <= 0x177)) && (u & 1) && u != 0x131) {
            return static_cast<char16_t>(u - 1);
        }
        if (((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) && !(u & 1)) {
            return static_cast<char16_t>(u - 1);
        }
        return c;
    }
    if (u >= 0x370 && u < 0x400) {
        if (u == 0x3AC) return 0x386;
        if (u >= 0x3AD && u <= 0x3AF) return static_cast<char16_t>(u - 0x25);
        if (u == 0x3C2) return 0x3A3;
        if (u >= 0x3B1 && u <= 0x3CB) return static_cast<char16_t>(u - 0x20);
        if (u == 0x3CC) return 0x38C;
        if (u == 0x3CD || u == 0x3CE) return static_cast<char16_t>(u - 0x3F);
        return c;
    }
    if (u >= 0x400 && u < 0x530) {
        if (u >= 0x430 && u <= 0x44F) return static_cast<char16_t>(u - 0x20);
        if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
        if (((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) ||
             (u >= 0x4D0 && u <= 0x52F)) &&
            (u & 1)) {
            return static_cast<char16_t>(u - 1);
        }
        if (u >= 0x4C1 && u <= 0x4CE && !(u & 1)) return static_cast<char16_t>(u - 1);
        if (u == 0x4CF) return 0x4C0;
        return c;
    }
    if (u >= 0x561 && u <= 0x586) return static_cast<char16_t>(u - 0x30);
    if (((u >= 0x1E00 && u <= 0x1E95) || (u >= 0x1EA0 && u <= 0x1EFF)) && (u & 1)) {
        return static_cast<char16_t>(u - 1);
    }
    if (u >= 0x2170 && u <= 0x217F) return static_cast<char16_t>(u - 0x10);
    if (u >= 0x24D0 && u <= 0x24E9) return static_cast<char16_t>(u - 26);
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<char16_t>(u - 0x20);
    return c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = FoldCase(a[i]);
        const char16_t y = FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
    // Greedy matching with one backtrack point: the last `*` seen. Linear in
    // practice and never exponential.
    size_t p = 0, n = 0;
    size_t starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace inkvista
