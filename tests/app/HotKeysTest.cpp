#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "AppTestSupport.h"
#include "settings/KeyAction.h"
#include "ui/HotKeys.h"

namespace inkvista {
namespace {

using test::Program;

TEST(HotKeys, OnlyMappedButtonsAreTaken) {
    Program program;
    BackWnd& wnd = program.Start();
    // Defaults: the third button is left to the system.
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC4}));
    EXPECT_EQ(wnd.hotKeyRegistered(), (std::array<bool, 4>{true, true, false, true}));

    KeyMap map;
    map.hotKey(0) = NoMapping;
    map.hotKey(2) = AutoScrollOnOff;
    program.ConfirmKeyMap(map);
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC2, 0xC3, 0xC4}));
    EXPECT_EQ(wnd.RegisteredHotKeyCodes(), (std::vector<uint32_t>{0xC2, 0xC3, 0xC4}));

    // An entry outside the hot-key actions is still a mapping: the button is taken.
    map.hotKey(0) = 3;
    program.ConfirmKeyMap(map);
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC3, 0xC4}));
}

TEST(HotKeys, ARefusedButtonStillCountsAsHeld) {
    Program program;
    program.keys.refuse = {0xC2};
    BackWnd& wnd = program.Start();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC4}));
    EXPECT_TRUE(wnd.hotKeyRegistered()[1]);
    wnd.OnActivate(false);
    EXPECT_EQ(wnd.hotKeyRegistered(), (std::array<bool, 4>{}));
}

TEST(HotKeys, TheLooxButtonsStartOneHigher) {
    Program program(u"FUJITSU Pocket LOOX");
    program.Start();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC2, 0xC3, 0xC5}));
}

TEST(HotKeys, AButtonIsPostedToTheViewerOnlyWhileItIsShown) {
    Program program;
    ASSERT_TRUE(
        test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\b.cmb"), 1, 240, 320));
    BackWnd& wnd = program.Start();
    test::PostedButtons posted(wnd);
    wnd.OnHotKey(0xC1);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(posted.codes.empty());

    ASSERT_TRUE(program.Open(u"b.cmb"));
    wnd.OnHotKey(0xC1);
    // Posted, not sent: it arrives when the queue is worked off.
    EXPECT_TRUE(posted.codes.empty());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(posted.codes, std::vector<uint32_t>{0xC1});

    // Only the four buttons of this device.
    wnd.OnHotKey(0xC5);
    wnd.OnHotKey(0xC0);
    wnd.OnHotKey(0xC4);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(posted.codes, (std::vector<uint32_t>{0xC1, 0xC4}));
}

TEST(HotKeys, DesktopKeysReachTheMainWindowOrTheFocusedWindow) {
    Program program;
    ASSERT_TRUE(
        test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\b.cmb"), 1, 240, 320));
    ASSERT_TRUE(
        test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\c.cmb"), 1, 240, 320));
    DesktopHotKeys desktop;
    program.app = std::make_unique<ReaderApp>(program.dev.device(), desktop);
    BackWnd& wnd = program.wnd();
    wnd.SetIgnorePlatformActivation(true);
    desktop.SetTarget(&wnd);
    desktop.Install();
    program.app->InitInstance();
    wnd.OnActivate(true);
    EXPECT_EQ(desktop.RegisteredKeys(), (std::vector<uint32_t>{0xC1, 0xC2, 0xC4}));
    LibraryListWnd& list = wnd.listWnd();
    ASSERT_EQ(list.Rows().size(), 2u);
    list.SelectRow(0);
    test::PostedButtons posted(wnd);

    // Registered buttons become WM_HOTKEY whichever window has the focus.
    ASSERT_TRUE(program.Open(u"b.cmb"));
    EXPECT_TRUE(desktop.DeliverKey(0xC2));
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(&list, &f4);
    // The third button is not held: it stays an ordinary key press.
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QApplication::sendEvent(&list, &f3);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(posted.codes, (std::vector<uint32_t>{0xC2, 0xC4}));

    // Other keys go to the focused window as key presses: the list moves.
    wnd.ReturnToLibrary(false);
    EXPECT_TRUE(desktop.DeliverKey(VK_DOWN));
    EXPECT_EQ(list.SelectedRow(), 1);

    // Given back on deactivation.
    ASSERT_TRUE(program.Open(u"b.cmb"));
    wnd.OnActivate(false);
    EXPECT_TRUE(desktop.RegisteredKeys().empty());
    EXPECT_TRUE(desktop.DeliverKey(0xC2));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(posted.codes.size(), 2u);
    program.app.reset();
}

TEST(HotKeys, ADesktopKeyHeldUnderOneIdIsRefusedToAnother) {
    DesktopHotKeys desktop;
    EXPECT_TRUE(desktop.Register(1, MOD_WIN, 0xC1));
    EXPECT_TRUE(desktop.Register(1, MOD_WIN, 0xC1));
    EXPECT_FALSE(desktop.Register(2, MOD_WIN, 0xC1));
    desktop.Unregister(1);
    EXPECT_TRUE(desktop.Register(2, MOD_WIN, 0xC1));
    EXPECT_TRUE(desktop.IsRegistered(0xC1));
    EXPECT_FALSE(desktop.DeliverKey(0xC1));  // no main window to receive it
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
