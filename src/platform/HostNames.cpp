#include "platform/HostNames.h"

#include <cstdint>

#include "platform/Text.h"

namespace inkvista {

namespace {

bool ForbiddenOnDevice(uint8_t b) {
    if (b < 0x20) return true;
    switch (b) {
        case '\\':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            return false;
    }
}

bool IsEscape(char32_t cp) {
    return cp >= kHostByteEscape && cp <= kHostByteEscape + 0xFF;
}

void Escape(std::u16string& out, std::string_view bytes) {
    for (char c : bytes)
        out.push_back(static_cast<char16_t>(kHostByteEscape + static_cast<uint8_t>(c)));
}

}  // namespace

std::u16string DeviceName(std::string_view hostName) {
    std::u16string out;
    out.reserve(hostName.size());
    size_t i = 0;
    while (i < hostName.size()) {
        size_t length = 0;
        const std::optional<char32_t> cp = DecodeUtf8(hostName.substr(i), &length);
        if (!cp || IsEscape(*cp) || (*cp < 0x80 && ForbiddenOnDevice(static_cast<uint8_t>(*cp)))) {
            Escape(out, hostName.substr(i, length));
        } else {
            AppendUtf16(out, *cp);
        }
        i += length;
    }
    return out;
}

std::optional<std::string> HostName(std::u16string_view deviceName) {
    std::string out;
    out.reserve(deviceName.size());
    for (size_t i = 0; i < deviceName.size(); ++i) {
        const char16_t u = deviceName[i];
        if (IsEscape(u)) {
            out.push_back(static_cast<char>(u - kHostByteEscape));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < deviceName.size() &&
                   deviceName[i + 1] >= 0xDC00 && deviceName[i + 1] <= 0xDFFF) {
            AppendUtf8(out,
                       0x10000 + ((char32_t{u} - 0xD800) << 10) + (deviceName[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            return std::nullopt;
        } else {
            AppendUtf8(out, u);
        }
    }
    // Only the one spelling DeviceName gives stands for these bytes: an
    // escaped "A" or a split UTF-8 sequence is no name of any file.
    if (DeviceName(out) != deviceName) return std::nullopt;
    return out;
}

bool IsUtf8Name(std::string_view hostName) {
    size_t i = 0;
    while (i < hostName.size()) {
        size_t length = 0;
        if (!DecodeUtf8(hostName.substr(i), &length)) return false;
        i += length;
    }
    return true;
}

}  // namespace inkvista
