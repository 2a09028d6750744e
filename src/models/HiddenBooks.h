// The hidden-books password, kept in the registry as the value `Password`.
#pragma once

#include <array>
#include <string_view>

#include "platform/Device.h"

namespace inkvista {

inline constexpr std::u16string_view kPasswordValue = u"Password";

// Eight characters and a terminating zero (18 bytes in the registry).
using Password = std::array<char16_t, 9>;

// The password up to its first zero unit (never past the buffer).
std::u16string_view PasswordText(const Password& password);

// Zeroes `password`, then opens the program's key, creating it when missing.
// A new key gets an empty `Password` value; an existing one gives its value,
// at most 18 bytes, and the last unit always stays zero. Answers whether the
// key could be opened.
bool LoadPassword(Device& device, Password& password);

}  // namespace inkvista
