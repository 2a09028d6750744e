// UTF-8 / UTF-16 conversion at the port boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inkvista {

// Invalid sequences become U+FFFD; conversion never fails.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The code point of the UTF-8 sequence `utf8` starts with, and in `length`
// the bytes it takes. None for an invalid sequence (a stray continuation
// byte, an overlong form, a surrogate, a value above U+10FFFF, a sequence cut
// off); `length` then covers the lead byte and the continuation bytes before
// the fault, so that a decoder moving on by `length` replaces the whole bad
// sequence once. `length` is 0 only for an empty `utf8`.
std::optional<char32_t> DecodeUtf8(std::string_view utf8, size_t* length);
// `cp` (below U+110000) as UTF-8, and as UTF-16 (a surrogate pair above
// U+FFFF).
void AppendUtf8(std::string& out, char32_t cp);
void AppendUtf16(std::u16string& out, char32_t cp);

// Simple case folding for ASCII and Latin-1/BMP letters, as the device's file
// system compares names.
char16_t FoldCase(char16_t c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// Negative, zero or positive, comparing folded units.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
// `*` matches any run (also empty), `?` any one unit; no regard to case.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace inkvista
