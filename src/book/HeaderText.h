// Book header texts: multibyte strings in the Korean code page (CP949, whose
// KS X 1001 part is EUC-KR) turned into UTF-16 display text, and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/TextConversion.h"

namespace inkvista {

// Converts the text in `field` (it ends at its first NUL or after `width`
// bytes) into `dest`: at most `capacity` characters and a terminating NUL, so
// `dest` holds capacity + 1 units. Answers the number of characters written.
// A byte the code page cannot convert becomes U+FFFD.
//   System: the whole text through the system code page at once.
//   KoreanTable: byte by byte; a lead byte 0xB0..0xC8 followed by a byte
//     0xA1..0xFE is a syllable of HangulTable, any other byte is converted
//     alone by the system code page. A Hangul lead byte followed by 0xFF has
//     no syllable: it gives U+FFFD and the 0xFF is converted on its own.
size_t ConvertHeaderText(const uint8_t* field, size_t width, char16_t* dest, size_t capacity,
                         TextConversion conversion);
std::u16string ConvertHeaderText(const uint8_t* field, size_t width, TextConversion conversion);

// `bytes` as Korean code-page text when every byte of it converts and no
// control character comes out; nullopt otherwise. For showing file names
// that old cards carry in the code page rather than in UTF-8.
std::optional<std::u16string> DecodeCodePageStrictly(std::string_view bytes);

// Opens the calling thread's conversion from the code page, which the
// library's first scan would otherwise open: loading the system's
// conversion module takes a third of a millisecond. For a thread that
// waits for something else meanwhile.
void OpenCodePageConversion();

// The reverse, for writing books: UTF-8 text into code-page bytes that fit a
// field of `fieldWidth` bytes (without padding; a text that fills the field
// has no NUL). False with `error` set when the text is not valid UTF-8, holds
// a NUL, holds a character outside the code page or does not fit.
bool EncodeHeaderText(std::string_view utf8, size_t fieldWidth, std::string* out,
                      std::string* error);

}  // namespace inkvista
