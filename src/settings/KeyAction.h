// What each hardware key can do, which codes the hardware buttons have, and
// which KeyMap entry a direction key selects.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Win32.h"

namespace inkvista {

struct KeyMap;

enum KeyAction : uint32_t {
    ScrollUp = 0,
    ScrollDown = 1,
    ScrollLeft = 2,
    ScrollRight = 3,
    PrevPage = 4,
    NextPage = 5,
    FirstPage = 6,
    EndPage = 7,
    NoMapping = 8,
    MenuOnOff = 9,
    ViewModeChange = 10,
    AutoScrollOnOff = 11,
};

constexpr uint32_t kKeyActionCount = 12;
// Direction keys take codes 0..7, hot keys 8..11.
constexpr uint32_t kFirstHotKeyAction = NoMapping;

// "Scroll UP" … "Auto Scroll On/Off"; empty for a code outside 0..11.
std::u16string_view KeyActionText(uint32_t code);

// Key code of the first hardware button (`hotKeyBase`): 0xC1, or 0xC2 on the
// FUJITSU Pocket LOOX. The main window decides it at its device check.
constexpr uint32_t kHotKeyBaseDefault = VK_APP1;
constexpr uint32_t kHotKeyBaseLoox = VK_APP1 + 1;
constexpr int kHotKeyCount = 4;

// The OEM string of the device whose buttons start one code higher. Compared
// exactly: letter case counts.
constexpr std::u16string_view kLooxOemInfo = u"FUJITSU Pocket LOOX";
bool IsLooxOemInfo(std::u16string_view oemInfo);
constexpr uint32_t HotKeyBaseFor(bool isLoox) {
    return isLoox ? kHotKeyBaseLoox : kHotKeyBaseDefault;
}

// Hot key index 0..3 of key code `vk` on a device whose buttons start at
// `hotKeyBase`, or -1.
int HotKeyIndex(uint32_t vk, uint32_t hotKeyBase);

// The KeyMap entry a direction key selects; in landscape the keys follow the
// turned picture. -1 for any other key.
int DirectionKeyEntry(uint32_t vk, bool portrait);
// The action of that entry, or NoMapping for a key that is no direction key.
uint32_t DirectionKeyAction(const KeyMap& keyMap, uint32_t vk, bool portrait);

}  // namespace inkvista
