#include <gtest/gtest.h>

#include <QApplication>

#include "AppTestSupport.h"
#include "app/KeyActions.h"
#include "app/WindowMessages.h"

namespace inkvista {
namespace {

using test::Program;

constexpr QRgb kGrey = qRgb(128, 128, 128);

class SwitchScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\tale.cmb"), 3,
                                        200, 250, "Harbour Tale"));
    }
    void Request(const std::u16string& file, int page) {
        program.wnd().list.SetOpenRequest(file, page, 1, BookKind::Cmb);
    }
    Program program;
};

TEST_F(SwitchScreen, OpensTheRequestedBookAtItsBookmark) {
    BackWnd& wnd = program.Start();
    wnd.viewOption.portrait = 1;
    wnd.keyMap.hotKey(0) = AutoScrollOnOff;
    Request(u"tale.cmb", 1);
    wnd.SwitchScreen(kViewerWindowId, false);
    EXPECT_TRUE(program.dev.messages().shown().empty());
    EXPECT_EQ(wnd.screenState, kStateViewer);
    EXPECT_TRUE(wnd.viewer.isVisibleTo(&wnd));
    EXPECT_FALSE(wnd.list.isVisibleTo(&wnd));
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.viewer);
    EXPECT_TRUE(wnd.viewer.bookOpen());
    EXPECT_EQ(wnd.viewer.book.bookTitle, u"Harbour Tale");
    EXPECT_EQ(wnd.viewer.book.pageCount, 3);
    EXPECT_EQ(wnd.viewer.currentPage(), 1);
    // The viewer reads with its own copies of the settings.
    EXPECT_EQ(wnd.viewer.viewOption.portrait, 1);
    EXPECT_EQ(wnd.viewer.keyMap, wnd.keyMap);
    wnd.keyMap.hotKey(0) = MenuOnOff;
    EXPECT_EQ(wnd.viewer.keyMap.hotKey(0), static_cast<uint32_t>(AutoScrollOnOff));

    // Back with the page remembered: the bookmark is saved, which refreshes.
    const int refreshes = wnd.list.refreshCount;
    wnd.list.selectedIndex = 2;
    wnd.SwitchScreen(kListWindowId, true);
    EXPECT_EQ(wnd.screenState, kStateList);
    EXPECT_EQ(wnd.list.lastSavedBookmarkPage, 1);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 1);
    EXPECT_EQ(wnd.list.selectedIndex, 2);
    EXPECT_FALSE(wnd.viewer.isVisibleTo(&wnd));
    EXPECT_TRUE(wnd.list.isVisibleTo(&wnd));
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.list);

    // Back without it: first row, plain refresh.
    wnd.SwitchScreen(kViewerWindowId, false);
    ASSERT_EQ(wnd.screenState, kStateViewer);
    wnd.viewer.ToggleAutoScroll();
    wnd.viewer.CloseBook();
    EXPECT_FALSE(wnd.viewer.bookOpen());
    EXPECT_TRUE(wnd.viewer.image.pixels.empty());
    EXPECT_TRUE(wnd.viewer.book.pageOffsets.empty());
    EXPECT_EQ(wnd.viewer.autoScrollOn, 0);
    // A closed book paints nothing but the grey background.
    EXPECT_EQ(wnd.viewer.ComposeFrame().pixel(5, 5), kGrey);
    wnd.SwitchScreen(kListWindowId, false);
    EXPECT_EQ(wnd.list.saveBookmarkCount, 1);
    EXPECT_EQ(wnd.list.selectedIndex, 0);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 2);

    // Any other id does nothing.
    wnd.SwitchScreen(1003, true);
    EXPECT_EQ(wnd.screenState, kStateList);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 2);
}

TEST_F(SwitchScreen, AFirstPageThatCannotBeLoadedKeepsTheList) {
    BackWnd& wnd = program.Start();
    Request(u"tale.cmb", 7);  // a bookmark past the book's end
    wnd.SwitchScreen(kViewerWindowId, false);
    EXPECT_EQ(program.dev.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_EQ(wnd.screenState, kStateList);
    EXPECT_TRUE(wnd.list.isVisibleTo(&wnd));
    EXPECT_FALSE(wnd.viewer.isVisibleTo(&wnd));

    // A book that does not open at all: only the opener's own message.
    program.dev.messages().Clear();
    Request(u"missing.cmb", 0);
    wnd.SwitchScreen(kViewerWindowId, false);
    EXPECT_EQ(program.dev.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_EQ(wnd.screenState, kStateList);
}

TEST_F(SwitchScreen, APageSmallerThanTheWindowSitsAtTheReadersTopLeft) {
    BackWnd& wnd = program.Start();
    const std::vector<uint8_t> grey = test::TestPagePixels(200, 250);
    wnd.viewOption.portrait = 1;
    Request(u"tale.cmb", 0);
    wnd.SwitchScreen(kViewerWindowId, false);
    ASSERT_EQ(wnd.screenState, kStateViewer);
    QImage frame = wnd.viewer.ComposeFrame();
    ASSERT_EQ(frame.size(), QSize(240, 320));
    // Portrait: the stored page at the top-left, grey right of and below it.
    for (int y : {0, 10, 100, 249}) {
        for (int x : {0, 10, 150, 199}) {
            const int level = grey[static_cast<size_t>(y) * 200 + static_cast<size_t>(x)];
            ASSERT_EQ(frame.pixel(x, y), qRgb(level, level, level)) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.pixel(200, 10), kGrey);
    EXPECT_EQ(frame.pixel(239, 319), kGrey);
    EXPECT_EQ(frame.pixel(10, 250), kGrey);

    // Landscape: turned a quarter turn and at the bottom-left.
    wnd.SwitchScreen(kListWindowId, false);
    wnd.viewOption.portrait = 0;
    wnd.SwitchScreen(kViewerWindowId, false);
    ASSERT_EQ(wnd.screenState, kStateViewer);
    EXPECT_EQ(wnd.viewer.image.viewWidth, 250);
    EXPECT_EQ(wnd.viewer.image.viewHeight, 200);
    frame = wnd.viewer.ComposeFrame();
    EXPECT_EQ(frame.pixel(10, 119), kGrey);
    // Displayed (dx, dy) shows stored (200 - 1 - dy, dx).
    for (int dy : {0, 50, 199}) {
        for (int dx : {0, 60, 239}) {
            const int level = grey[static_cast<size_t>(dx) * 200 + static_cast<size_t>(199 - dy)];
            ASSERT_EQ(frame.pixel(dx, 120 + dy), qRgb(level, level, level)) << dx << "," << dy;
        }
    }

    // Scrolled, the visible part follows scrollX.
    wnd.viewer.image.scrollX = 10;
    frame = wnd.viewer.ComposeFrame();
    const int level = grey[static_cast<size_t>(10) * 200 + 199];
    EXPECT_EQ(frame.pixel(0, 120), qRgb(level, level, level));

    if (!test::ShotDir().isEmpty()) {
        wnd.viewer.image.scrollX = 0;
        wnd.SwitchScreen(kListWindowId, false);
        wnd.viewOption.portrait = 1;
        wnd.SwitchScreen(kViewerWindowId, false);
        EXPECT_TRUE(wnd.grab().save(test::ShotDir() + "/page.png"));
    }
}

TEST_F(SwitchScreen, DeactivationPausesAutoScrollAndActivationResumesIt) {
    BackWnd& wnd = program.Start();
    Request(u"tale.cmb", 0);
    wnd.SwitchScreen(kViewerWindowId, false);
    ASSERT_EQ(wnd.screenState, kStateViewer);

    wnd.OnActivate(false);
    wnd.OnActivate(true);
    EXPECT_EQ(wnd.viewer.autoScrollOn, 0);  // was off, stays off

    wnd.viewer.ToggleAutoScroll();
    wnd.OnActivate(false);
    EXPECT_EQ(wnd.viewer.autoScrollOn, 0);
    EXPECT_TRUE(program.keys.held.empty());
    wnd.OnActivate(true);
    EXPECT_EQ(wnd.viewer.autoScrollOn, 1);
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.viewer);
    // Resumed once only.
    wnd.OnActivate(true);
    EXPECT_EQ(wnd.viewer.autoScrollOn, 1);
}

TEST(CardPoll, OnlyTheLooxPollsAndOnlyTheListRefreshes) {
    Program plain;
    BackWnd& desktop = plain.Start();
    plain.dev.AddCard(u"Storage Card2");
    const int desktopRefreshes = desktop.list.refreshCount;
    plain.dev.clock().Advance(2000);
    EXPECT_EQ(desktop.list.refreshCount, desktopRefreshes);

    Program loox(u"FUJITSU Pocket LOOX");
    BackWnd& wnd = loox.Start();
    EXPECT_EQ(wnd.card2Present, 0);
    const int refreshes = wnd.list.refreshCount;
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(wnd.list.refreshCount, refreshes);

    loox.dev.AddCard(u"Storage Card2");
    loox.dev.clock().Advance(499);
    EXPECT_EQ(wnd.list.refreshCount, refreshes);
    loox.dev.clock().Advance(1);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 1);
    EXPECT_EQ(wnd.card2Present, 1);
    EXPECT_EQ(wnd.list.cardCount, 1);
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 1);

    // While the viewer is up the poll leaves the list alone.
    wnd.screenState = kStateViewer;
    loox.dev.device().RemoveCard(u"Storage Card2");
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 1);
    wnd.screenState = kStateList;
    loox.dev.clock().Advance(500);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 2);
    EXPECT_EQ(wnd.card2Present, 0);
}

TEST(DeviceChange, CardsRefreshTheListOnlyWhileItIsShown) {
    Program program;
    BackWnd& wnd = program.Start();
    const int refreshes = wnd.list.refreshCount;
    const uint64_t start = program.dev.clock().NowMs();

    program.dev.AddCard(u"Storage Card");
    wnd.OnDeviceChange(DBT_DEVICEARRIVAL);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 1);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);  // waited for the card first
    EXPECT_EQ(wnd.list.cardNames[0], u"Storage Card");

    program.dev.device().RemoveCard(u"Storage Card");
    DeviceChangeEvent removed(DBT_DEVICEREMOVECOMPLETE);
    QApplication::sendEvent(&wnd, &removed);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 2);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);
    EXPECT_EQ(wnd.list.cardCount, 0);

    wnd.OnDeviceChange(0x0007);  // some other device event
    wnd.screenState = kStateViewer;
    wnd.OnDeviceChange(DBT_DEVICEARRIVAL);
    wnd.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(wnd.list.refreshCount, refreshes + 2);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);
}

}  // namespace
}  // namespace inkvista
