// UTF-8 / UTF-16 conversion at the port boundary.
#pragma once

#include <string>
#include <string_view>

namespace inkvista {

// Invalid sequences become U+FFFD; conversion never fails.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Simple case folding for ASCII and Latin-1/BMP letters, as the device's file
// system compares names.
char16_t FoldCase(char16_t c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// Negative, zero or positive, comparing folded units.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
// `*` matches any run (also empty), `?` any one unit; no regard to case.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace inkvista
