// The pieces of a ".reg" file's lines, read and written (RegistryDocument
// puts them together). Reading only checks unless asked for the result, so a
// whole file can be checked without building anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/RegistryDocument.h"

namespace inkvista::regsyntax {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

// Without spaces, tabs and carriage returns at either end.
std::string_view Trim(std::string_view s);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// UTF-16 as the file's UTF-8; an unpaired surrogate is written as the three
// bytes of its code point, so every name survives.
void AppendText(std::string& out, std::u16string_view text);
// The inverse; false for anything that is not UTF-8 (surrogates allowed).
// With `out` null it only checks.
bool ReadText(std::string_view bytes, std::u16string* out);
// A file image as UTF-8 text with LF line ends: a UTF-8 mark dropped,
// UTF-16LE with its mark converted, CR LF made LF. False (with `problem`)
// for UTF-16 text it cannot read.
bool ToText(std::string& bytes, std::string* problem);

// A value line taken apart: `"NAME"=VALUE` or `@=VALUE`.
struct ValueLine {
    std::string_view name;   // between the quotes, escapes still in; empty for @
    std::string_view value;  // after "=", first line only, trimmed
};
// Whether the (trimmed) line is the commonest kind, `"NAME"=dword:XXXXXXXX`
// with a name of plain ASCII, and right: a quick check before the full one.
bool IsPlainNumberLine(std::string_view line);
// Splits the first (trimmed) line of a value; null or what is wrong.
const char* SplitValueLine(std::string_view line, ValueLine* out);
// Whether the value goes on over the next line: hex ending in "\".
bool GoesOn(std::string_view value);
// The name's escapes undone and decoded; false when not UTF-8.
bool ReadName(std::string_view escaped, std::u16string* out);
// The value, `text` running from the value's start to the end of its last
// line. With `out` null it only checks.
bool ReadValue(std::string_view text, RegistryValue* out);

void AppendKeyLine(std::string& out, std::u16string_view name);
// `"NAME"=…` and its line end; REG_DWORD of 4 bytes as dword, anything else
// as hex, wrapped after about 76 columns.
void AppendValueLine(std::string& out, std::u16string_view name, const RegistryValue& value);

}  // namespace inkvista::regsyntax
