#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "AppTestSupport.h"
#include "app/HotKeys.h"
#include "app/KeyActions.h"
#include "app/WindowMessages.h"

namespace inkvista {
namespace {

using test::Program;

TEST(HotKeys, OnlyMappedButtonsAreTaken) {
    Program program;
    BackWnd& wnd = program.Start();
    // Defaults: the third button is left to the system.
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC4}));
    EXPECT_EQ(wnd.hotKeyRegistered, (std::array<bool, 4>{true, true, false, true}));

    wnd.keyMap.hotKey(0) = NoMapping;
    wnd.keyMap.hotKey(2) = AutoScrollOnOff;
    wnd.RegisterHotKeys();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC2, 0xC3, 0xC4}));
    EXPECT_EQ(wnd.RegisteredHotKeyCodes(), (std::vector<uint32_t>{0xC2, 0xC3, 0xC4}));

    // An entry outside the hot-key actions is still a mapping: the button is taken.
    wnd.keyMap.hotKey(0) = 3;
    wnd.RegisterHotKeys();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC3, 0xC4}));
}

TEST(HotKeys, ARefusedButtonStillCountsAsHeld) {
    Program program;
    program.keys.refuse = {0xC2};
    BackWnd& wnd = program.Start();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC4}));
    EXPECT_TRUE(wnd.hotKeyRegistered[1]);
    wnd.OnActivate(false);
    EXPECT_EQ(wnd.hotKeyRegistered, (std::array<bool, 4>{}));
}

TEST(HotKeys, TheLooxButtonsStartOneHigher) {
    Program program(u"FUJITSU Pocket LOOX");
    program.Start();
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC2, 0xC3, 0xC5}));
}

TEST(HotKeys, AButtonIsPostedToTheViewerOnlyWhileItIsShown) {
    Program program;
    BackWnd& wnd = program.Start();
    HotKeyEvent press(0xC1, MOD_WIN, 0xC1);
    QApplication::sendEvent(&wnd, &press);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(wnd.viewer.hotKeyMessages.empty());

    wnd.screenState = kStateViewer;
    QApplication::sendEvent(&wnd, &press);
    // Posted, not sent: it arrives when the queue is worked off.
    EXPECT_TRUE(wnd.viewer.hotKeyMessages.empty());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(wnd.viewer.hotKeyMessages, std::vector<uint32_t>{0xC1});

    // Only the four buttons of this device.
    wnd.OnHotKey(0xC5);
    wnd.OnHotKey(0xC0);
    wnd.OnHotKey(0xC4);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(wnd.viewer.hotKeyMessages, (std::vector<uint32_t>{0xC1, 0xC4}));
}

TEST(HotKeys, DesktopKeysReachTheMainWindowOrTheFocusedWindow) {
    Program program;
    DesktopHotKeys desktop;
    program.app = std::make_unique<ReaderApp>(program.dev.device(), desktop);
    BackWnd& wnd = program.wnd();
    wnd.ignorePlatformActivation = true;
    desktop.SetTarget(&wnd);
    desktop.Install();
    program.app->InitInstance();
    wnd.OnActivate(true);
    EXPECT_EQ(desktop.RegisteredKeys(), (std::vector<uint32_t>{0xC1, 0xC2, 0xC4}));
    wnd.list.AppendRow({"one", "1 / 001", 2});
    wnd.list.AppendRow({"two", "1 / 002", 2});
    wnd.list.SelectRow(0);

    // Registered buttons become WM_HOTKEY whichever window has the focus.
    wnd.screenState = kStateViewer;
    EXPECT_TRUE(desktop.DeliverKey(0xC2));
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(&wnd.list, &f4);
    // The third button is not held: it stays an ordinary key press.
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QApplication::sendEvent(&wnd.list, &f3);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(wnd.viewer.hotKeyMessages, (std::vector<uint32_t>{0xC2, 0xC4}));

    // Other keys go to the focused window as key presses: the list moves.
    wnd.screenState = kStateList;
    EXPECT_TRUE(desktop.DeliverKey(VK_DOWN));
    EXPECT_EQ(wnd.list.SelectedRow(), 1);

    // Given back on deactivation.
    wnd.OnActivate(false);
    EXPECT_TRUE(desktop.RegisteredKeys().empty());
    wnd.screenState = kStateViewer;
    EXPECT_TRUE(desktop.DeliverKey(0xC2));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(wnd.viewer.hotKeyMessages.size(), 2u);
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

}  // namespace
}  // namespace inkvista
