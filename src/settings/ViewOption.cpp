#include "settings/ViewOption.h"

#include "platform/ByteOrder.h"

namespace inkvista {

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
    Assign(LoadLE32(b.data()), LoadLE16(b.data() + 4), other.scrollRange, other.autoScrollSec);
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
    StoreLE32(b.data() + 8, scrollRange);
    StoreLE32(b.data() + 12, autoScrollSec);
    return b;
}

ViewSettings ViewSettings::Of(const ViewOption& record) {
    ViewSettings s;
    s.portrait = record.portrait != 0;
    s.smoothScroll = record.smoothScroll != 0;
    s.fitToWindow = record.fitToWindow != 0;
    s.tabScroll = record.tabScroll != 0;
    s.showHiddenFiles = record.showHiddenFiles != 0;
    s.koreanPatch = record.koreanPatch != 0;
    s.scrollRange = record.scrollRange;
    s.autoScrollSec = record.autoScrollSec;
    return s;
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
    v.scrollRange = LoadLE32(bytes + 8);
    v.autoScrollSec = LoadLE32(bytes + 12);
    return v;
}

void KeyMap::Assign(const uint32_t values[8]) {
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = values[i];
}

std::array<uint8_t, 32> KeyMap::ToBytes() const {
    std::array<uint8_t, 32> b{};
    for (size_t i = 0; i < entries.size(); ++i) StoreLE32(b.data() + 4 * i, entries[i]);
    return b;
}

KeyMap KeyMap::FromBytes(const uint8_t* bytes) {
    KeyMap k;
    for (size_t i = 0; i < k.entries.size(); ++i) k.entries[i] = LoadLE32(bytes + 4 * i);
    return k;
}

}  // namespace inkvista
