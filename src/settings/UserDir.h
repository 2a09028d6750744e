// The user's extra book folder, kept in the registry as the value `UserDir`.
#pragma once

#include <array>
#include <string_view>

#include "platform/Device.h"

namespace inkvista {

// The program's registry key below the current-user root.
inline constexpr std::u16string_view kRegistryKey = u"\\Software\\Quillmark\\InkVISTA";
inline constexpr std::u16string_view kUserDirValue = u"UserDir";

// A device path and its terminating zero in a fixed buffer of MAX_PATH units;
// stored whole (520 bytes).
using UserDir = std::array<char16_t, 260>;

// The path up to its first zero unit.
std::u16string_view UserDirText(const UserDir& dir);
// Puts `path` into `dir`, zero-filled; false (and `dir` empty) when it does
// not fit with its terminator.
bool SetUserDirText(UserDir& dir, std::u16string_view path);

// Clears `dir`, then opens the program's key, creating it when missing. A new
// key gets an empty `UserDir`; an existing one gives its value (at most 520
// bytes). A missing, oversized or non-string value leaves `dir` empty.
// Answers whether the key could be opened.
bool ReadUserDir(Device& device, UserDir& dir);

// Stores the whole buffer (520 bytes) in the existing key.
bool WriteUserDir(Device& device, const UserDir& dir);

// Whether `dir` names something that exists: false for an empty path,
// otherwise a search for exactly that path.
bool CheckUserDir(Device& device, const UserDir& dir);

}  // namespace inkvista
