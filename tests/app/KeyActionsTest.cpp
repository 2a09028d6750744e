#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/HotKeys.h"
#include "app/KeyActions.h"
#include "platform/Win32.h"

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
    const uint32_t saved = hotKeyBase;
    hotKeyBase = kHotKeyBaseDefault;
    EXPECT_EQ(HotKeyIndex(0xC1), 0);
    EXPECT_EQ(HotKeyIndex(0xC4), 3);
    EXPECT_EQ(HotKeyIndex(0xC5), -1);
    hotKeyBase = kHotKeyBaseLoox;
    EXPECT_EQ(HotKeyIndex(0xC1), -1);
    EXPECT_EQ(HotKeyIndex(0xC5), 3);
    hotKeyBase = saved;
}

TEST(KeyActions, LooxIsRecognisedOnlyByItsExactString) {
    EXPECT_TRUE(IsLooxOemInfo(u"FUJITSU Pocket LOOX"));
    EXPECT_FALSE(IsLooxOemInfo(u"fujitsu pocket loox"));
    EXPECT_FALSE(IsLooxOemInfo(u"FUJITSU Pocket LOOX "));
    EXPECT_FALSE(IsLooxOemInfo(u"InkVISTA Desktop"));
}

TEST(KeyActions, DesktopKeysStandForTheDeviceKeys) {
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F1), 0xC1u);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F4), 0xC4u);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F5), 0xC5u);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F6), 0u);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Left), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Down), VK_DOWN);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Return), VK_RETURN);
    for (uint32_t vk : {0xC1u, 0xC5u, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN, 0x41u}) {
        EXPECT_EQ(VirtualKeyFromQtKey(QtKeyFromVirtualKey(vk)), vk) << vk;
    }
    // A code without a Qt key travels as the native virtual key.
    QKeyEvent odd(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, 0xB7, 0);
    EXPECT_EQ(VirtualKeyOf(odd), 0xB7u);
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, 0, 0xFFBF, 0);
    EXPECT_EQ(VirtualKeyOf(f2), 0xC2u);
}

}  // namespace
}  // namespace inkvista
