#include "settings/ViewOption.h"

namespace inkvista {
namespace {

void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

void ViewOption::Assign(uint32_t flags0to3, uint32_t flags4to5, uint32_t range, uint32_t seconds) {
    portrait = static_cast<uint8_t>(flags0to3);
    smoothScroll = static_cast<uint8_t>(flags0to3 >> 8);
    fitToWindow = static_cast<uint8_t>(flags0to3 >> 16);
    tabScroll = static_cast<uint8_t>(flags0to3 >> 24);
    showHiddenFiles = static_cast<uint8_t>(flags4to5);
    koreanPatch = static_cast<uint8_t>(flags4to5 >> 8);
    scrollRange = range;
    autoScrollSec = seconds;
}

void ViewOption::AssignFrom(const ViewOption& other) {
    const std::array<uint8_t, 16> b = other.ToBytes();
    Assign(GetLe32(b.data()), static_cast<uint32_t>(b[4]) | (static_cast<uint32_t>(b[5]) << 8),
           other.scrollRange, other.autoScrollSec);
}

std::array<uint8_t, 16> ViewOption::ToBytes() const {
    std::array<uint8_t, 16> b{};
    b[0] = portrait;
    b[1] = smoothScroll;
    b[2] = fitToWindow;
    b[3] = tabScroll;
    b[4] = showHiddenFiles;
    b[5] = koreanPatch;
    b[6] = reserved[0];
    b[7] = reserved[1];
    PutLe32(b.data() + 8, scrollRange);
    PutLe32(b.data() + 12, autoScrollSec);
    return b;
}

ViewOption ViewOption::FromBytes(const uint8_t* bytes) {
    ViewOption v;
    v.portrait = bytes[0];
    v.smoothScroll = bytes[1];
    v.fitToWindow = bytes[2];
    v.tabScroll = bytes[3];
    v.showHiddenFiles = bytes[4];
    v.koreanPatch = bytes[5];
    v.reserved[0] = bytes[6];
    v.reserved[1] = bytes[7];
    v.scrollRange = GetLe32(bytes + 8);
    v.autoScrollSec = GetLe32(bytes + 12);
    return v;
}

void KeyMap::Assign(const uint32_t values[8]) {
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = values[i];
}

std::array<uint8_t, 32> KeyMap::ToBytes() const {
    std::array<uint8_t, 32> b{};
    for (size_t i = 0; i < entries.size(); ++i) PutLe32(b.data() + 4 * i, entries[i]);
    return b;
}

KeyMap KeyMap::FromBytes(const uint8_t* bytes) {
    KeyMap k;
    for (size_t i = 0; i < k.entries.size(); ++i) k.entries[i] = GetLe32(bytes + 4 * i);
    return k;
}

}  // namespace inkvista
