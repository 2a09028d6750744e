// The settings records, stored byte for byte as the 48-byte option file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/KeyAction.h"

namespace inkvista {

struct ViewOption {
    uint8_t portrait = 0;  // 0: landscape (page turned), 1: as stored
    uint8_t smoothScroll = 1;
    uint8_t fitToWindow = 0;
    uint8_t tabScroll = 1;
    uint8_t showHiddenFiles = 0;
    uint8_t koreanPatch = 0;
    uint8_t reserved[2] = {0, 0};  // never interpreted
    uint32_t scrollRange = 120;    // 80, 120, 160, 200 or 240
    uint32_t autoScrollSec = 2;    // 1..5, 0 = continuous

    // Bytes 0-3 from `flags0to3` (byte 0 from its lowest byte), bytes 4-5 from
    // the low 16 bits of `flags4to5`; the reserved bytes are left alone.
    void Assign(uint32_t flags0to3, uint32_t flags4to5, uint32_t range, uint32_t seconds);
    void AssignFrom(const ViewOption& other);  // everything but the reserved bytes

    // Little-endian file image.
    std::array<uint8_t, 16> ToBytes() const;
    static ViewOption FromBytes(const uint8_t* bytes);
    bool operator==(const ViewOption&) const = default;
};

// The view settings as the program acts on them, decoded from the option
// file's record in this one place; ViewOption stays the stored form, byte
// for byte (a flag byte other than 0 or 1 reads as set).
struct ViewSettings {
    bool portrait = false;  // false: landscape (page turned), true: as stored
    bool smoothScroll = true;
    bool fitToWindow = false;
    bool tabScroll = true;
    bool showHiddenFiles = false;
    bool koreanPatch = false;
    uint32_t scrollRange = 120;
    uint32_t autoScrollSec = 2;  // 0: continuous

    static ViewSettings Of(const ViewOption& record);
    bool operator==(const ViewSettings&) const = default;
};

enum KeyMapIndex : int {
    kHotKey1 = 0,
    kHotKey2 = 1,
    kHotKey3 = 2,
    kHotKey4 = 3,
    kLeftKey = 4,
    kRightKey = 5,
    kUpKey = 6,
    kDownKey = 7,
};

struct KeyMap {
    // hotKey1..4, leftKey, rightKey, upKey, downKey: KeyAction codes. A value
    // read from the option file is kept as it is, even outside its range.
    std::array<uint32_t, 8> entries = {MenuOnOff,  AutoScrollOnOff, NoMapping, ViewModeChange,
                                       ScrollLeft, ScrollRight,     ScrollUp,  ScrollDown};

    uint32_t& hotKey(int i) { return entries[static_cast<size_t>(i)]; }
    uint32_t hotKey(int i) const { return entries[static_cast<size_t>(i)]; }
    void Assign(const uint32_t values[8]);

    std::array<uint8_t, 32> ToBytes() const;
    static KeyMap FromBytes(const uint8_t* bytes);
    bool operator==(const KeyMap&) const = default;
};

}  // namespace inkvista
