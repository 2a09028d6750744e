// Host file names are bytes; device names are UTF-16 text in which "\" is
// the separator and a few characters are forbidden. Each host name has
// exactly one device name and maps back to exactly its own bytes, so that
// no two files share a name in a listing and no name reads as a path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inkvista {

// Host bytes the device cannot carry as text stand for themselves as
// U+F700 + byte: bytes of invalid UTF-8 (names from old cards in a code
// page), "\", the characters the device forbids (":*?\"<>|", controls),
// and the bytes of a character that is itself in U+F700..U+F7FF.
inline constexpr char16_t kHostByteEscape = 0xF700;

std::u16string DeviceName(std::string_view hostName);

// The host bytes of a device name DeviceName gives; nullopt for any other
// text (a lone surrogate, an escape of a byte that needs none), which
// names no host file.
std::optional<std::string> HostName(std::u16string_view deviceName);

// Whether `hostName` is valid UTF-8 text, i.e. whether its device name
// shows the name as written rather than escaped bytes.
bool IsUtf8Name(std::string_view hostName);

}  // namespace inkvista
