#include "settings/KeyAction.h"

#include <array>

#include "platform/Win32.h"
#include "settings/ViewOption.h"

namespace inkvista {

namespace {

constexpr std::array<std::u16string_view, kKeyActionCount> kActionTexts = {
    u"Scroll UP",  u"Scroll DOWN", u"Scroll LEFT",      u"Scroll RIGHT",
    u"Prev Page",  u"Next Page",   u"First Page",       u"End Page",
    u"No Mapping", u"Menu On/Off", u"View Mode Change", u"Auto Scroll On/Off",
};

}  // namespace

std::u16string_view KeyActionText(uint32_t code) {
    return code < kKeyActionCount ? kActionTexts[code] : std::u16string_view();
}

bool IsLooxOemInfo(std::u16string_view oemInfo) {
    return oemInfo == kLooxOemInfo;
}

int HotKeyIndex(uint32_t vk, uint32_t hotKeyBase) {
    if (vk < hotKeyBase || vk >= hotKeyBase + kHotKeyCount) return -1;
    return static_cast<int>(vk - hotKeyBase);
}

int DirectionKeyEntry(uint32_t vk, bool portrait) {
    // In landscape the picture is turned a quarter turn, so each key takes
    // the entry of the direction it points to on the turned page.
    switch (vk) {
        case VK_LEFT:
            return portrait ? kLeftKey : kUpKey;
        case VK_UP:
            return portrait ? kUpKey : kRightKey;
        case VK_RIGHT:
            return portrait ? kRightKey : kDownKey;
        case VK_DOWN:
            return portrait ? kDownKey : kLeftKey;
        default:
            return -1;
    }
}

uint32_t DirectionKeyAction(const KeyMap& keyMap, uint32_t vk, bool portrait) {
    const int entry = DirectionKeyEntry(vk, portrait);
    return entry < 0 ? static_cast<uint32_t>(NoMapping)
                     : keyMap.entries[static_cast<size_t>(entry)];
}

}  // namespace inkvista
