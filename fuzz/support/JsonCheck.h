// A strict check of JSON text (RFC 8259): one value, strings of valid UTF-8
// with no raw control characters and only the escapes JSON knows.
#pragma once

#include <string_view>

namespace inkvista::fuzz {

bool IsValidJson(std::string_view text);

}  // namespace inkvista::fuzz
