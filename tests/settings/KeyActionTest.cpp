#include <gtest/gtest.h>

#include "platform/Win32.h"
#include "settings/KeyAction.h"
#include "settings/ViewOption.h"

namespace inkvista {
namespace {

TEST(KeyActions, DisplayTextsInCodeOrder) {
    EXPECT_EQ(KeyActionText(ScrollUp), u"Scroll UP");
    EXPECT_EQ(KeyActionText(ScrollRight), u"Scroll RIGHT");
    EXPECT_EQ(KeyActionText(PrevPage), u"Prev Page");
    EXPECT_EQ(KeyActionText(EndPage), u"End Page");
    EXPECT_EQ(KeyActionText(NoMapping), u"No Mapping");
    EXPECT_EQ(KeyActionText(MenuOnOff), u"Menu On/Off");
    EXPECT_EQ(KeyActionText(ViewModeChange), u"View Mode Change");
    EXPECT_EQ(KeyActionText(AutoScrollOnOff), u"Auto Scroll On/Off");
    EXPECT_TRUE(KeyActionText(12).empty());
    EXPECT_TRUE(KeyActionText(0xFFFFFFFF).empty());
}

TEST(KeyActions, DirectionKeysFollowTheTurnedPicture) {
    EXPECT_EQ(DirectionKeyEntry(VK_LEFT, true), kLeftKey);
    EXPECT_EQ(DirectionKeyEntry(VK_UP, true), kUpKey);
    EXPECT_EQ(DirectionKeyEntry(VK_RIGHT, true), kRightKey);
    EXPECT_EQ(DirectionKeyEntry(VK_DOWN, true), kDownKey);
    EXPECT_EQ(DirectionKeyEntry(VK_LEFT, false), kUpKey);
    EXPECT_EQ(DirectionKeyEntry(VK_UP, false), kRightKey);
    EXPECT_EQ(DirectionKeyEntry(VK_RIGHT, false), kDownKey);
    EXPECT_EQ(DirectionKeyEntry(VK_DOWN, false), kLeftKey);
    EXPECT_EQ(DirectionKeyEntry(VK_RETURN, true), -1);
    EXPECT_EQ(DirectionKeyEntry(0xC1, false), -1);

    KeyMap map;  // defaults: left 2, right 3, up 0, down 1
    EXPECT_EQ(DirectionKeyAction(map, VK_UP, false), static_cast<uint32_t>(ScrollRight));
    EXPECT_EQ(DirectionKeyAction(map, VK_DOWN, false), static_cast<uint32_t>(ScrollLeft));
    EXPECT_EQ(DirectionKeyAction(map, VK_UP, true), static_cast<uint32_t>(ScrollUp));
    EXPECT_EQ(DirectionKeyAction(map, 'A', true), static_cast<uint32_t>(NoMapping));
    // An entry out of its range is handed on unchanged.
    map.entries[kRightKey] = 42;
    EXPECT_EQ(DirectionKeyAction(map, VK_UP, false), 42u);
}

TEST(KeyActions, HotKeyIndexFollowsTheBase) {
    EXPECT_EQ(HotKeyIndex(0xC1, kHotKeyBaseDefault), 0);
    EXPECT_EQ(HotKeyIndex(0xC4, kHotKeyBaseDefault), 3);
    EXPECT_EQ(HotKeyIndex(0xC5, kHotKeyBaseDefault), -1);
    EXPECT_EQ(HotKeyIndex(0xC0, kHotKeyBaseDefault), -1);
    EXPECT_EQ(HotKeyIndex(0xC1, kHotKeyBaseLoox), -1);
    EXPECT_EQ(HotKeyIndex(0xC5, kHotKeyBaseLoox), 3);
    EXPECT_EQ(HotKeyBaseFor(true), 0xC2u);
    EXPECT_EQ(HotKeyBaseFor(false), 0xC1u);
}

TEST(KeyActions, LooxIsRecognisedOnlyByItsExactString) {
    EXPECT_TRUE(IsLooxOemInfo(u"FUJITSU Pocket LOOX"));
    EXPECT_FALSE(IsLooxOemInfo(u"fujitsu pocket loox"));
    EXPECT_FALSE(IsLooxOemInfo(u"FUJITSU Pocket LOOX "));
    EXPECT_FALSE(IsLooxOemInfo(u"InkVISTA Desktop"));
}

}  // namespace
}  // namespace inkvista
