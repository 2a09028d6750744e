#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "AppTestSupport.h"
#include "settings/KeyAction.h"
#include "viewer/PagePainter.h"

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
        program.wnd().listWnd().model().SetOpenRequest(test::Request(file, page));
    }
    const ReaderModel& reader() { return program.wnd().viewWnd().model(); }
    Program program;
};

TEST_F(SwitchScreen, OpensTheRequestedBookAtItsBookmark) {
    ViewOption view;
    view.portrait = 1;
    KeyMap keys;
    keys.hotKey(0) = AutoScrollOnOff;
    program.WriteOptionBytes(Program::OptionBytesOf(view, keys));
    BackWnd& wnd = program.Start();
    PageViewWnd& viewer = wnd.viewWnd();
    LibraryListWnd& list = wnd.listWnd();
    Request(u"tale.cmb", 1);
    wnd.OpenRequestedBook();
    EXPECT_TRUE(program.dev.messages().shown().empty());
    EXPECT_EQ(wnd.screenState(), Screen::Viewer);
    EXPECT_TRUE(viewer.isVisibleTo(&wnd));
    EXPECT_FALSE(list.isVisibleTo(&wnd));
    EXPECT_EQ(wnd.window()->focusWidget(), &viewer);
    EXPECT_TRUE(reader().isOpen());
    EXPECT_EQ(reader().book().bookTitle, u"Harbour Tale");
    EXPECT_EQ(reader().book().pageCount, 3);
    EXPECT_EQ(reader().currentPage(), 1);
    // The viewer reads with its own copies of the settings.
    EXPECT_TRUE(reader().view().portrait);
    EXPECT_EQ(reader().keyMap(), wnd.keyMap());

    // Back with the page remembered: the bookmark is saved, which refreshes
    // (and finds the card inserted meanwhile) and keeps the selection.
    program.InsertCardQuietly(u"Storage Card");
    list.model().Select(2);
    wnd.ReturnToLibrary(true);
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_EQ(program.CardsListed(), 1);
    EXPECT_EQ(list.model().selectedIndex(), 2);
    EXPECT_FALSE(viewer.isVisibleTo(&wnd));
    EXPECT_TRUE(list.isVisibleTo(&wnd));
    EXPECT_EQ(wnd.window()->focusWidget(), &list);

    // Settings changed on the home screen reach the viewer at the next
    // opening, not before.
    KeyMap changed = keys;
    changed.hotKey(0) = MenuOnOff;
    program.ConfirmKeyMap(changed);
    EXPECT_EQ(reader().keyMap().hotKey(0), static_cast<uint32_t>(AutoScrollOnOff));
    wnd.OpenRequestedBook();
    ASSERT_EQ(wnd.screenState(), Screen::Viewer);
    EXPECT_EQ(reader().keyMap().hotKey(0), static_cast<uint32_t>(MenuOnOff));

    // Back without it: first row, plain refresh.
    viewer.model().ToggleAutoScroll();
    viewer.model().CloseBook();
    EXPECT_FALSE(reader().isOpen());
    EXPECT_TRUE(reader().image().pixels.empty());
    EXPECT_TRUE(reader().book().pageOffsets.empty());
    EXPECT_EQ(reader().autoScroll().autoScrollOn, 0);
    // A closed book paints nothing but the grey background.
    EXPECT_EQ(viewer.ComposeFrame().pixel(5, 5), kGrey);
    program.dev.device().RemoveCard(u"Storage Card");
    wnd.ReturnToLibrary(false);
    EXPECT_EQ(list.model().selectedIndex(), 0);
    EXPECT_EQ(program.CardsListed(), 0);
}

TEST_F(SwitchScreen, AFirstPageThatCannotBeLoadedKeepsTheList) {
    BackWnd& wnd = program.Start();
    // A bookmark past the book's end opens the first page.
    Request(u"tale.cmb", 7);
    wnd.OpenRequestedBook();
    EXPECT_TRUE(program.dev.messages().shown().empty());
    EXPECT_EQ(wnd.screenState(), Screen::Viewer);
    EXPECT_EQ(reader().currentPage(), 0);
    const std::filesystem::path file = program.dev.Host(u"\\My Documents\\InkVISTA\\tale.cmb");
    const uint32_t lastRecord = reader().book().pageOffsets[2];
    wnd.ReturnToLibrary(false);

    // The bookmarked page's record cut short.
    std::filesystem::resize_file(file, lastRecord + 20);
    Request(u"tale.cmb", 2);
    wnd.OpenRequestedBook();
    EXPECT_EQ(program.dev.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_TRUE(wnd.listWnd().isVisibleTo(&wnd));
    EXPECT_FALSE(wnd.viewWnd().isVisibleTo(&wnd));
    // The viewer does not keep the book it could not show.
    EXPECT_FALSE(reader().isOpen());
    EXPECT_TRUE(reader().book().bookTitle.empty());
    EXPECT_EQ(reader().book().pageCount, 0);
    EXPECT_TRUE(reader().book().pageOffsets.empty());
    EXPECT_EQ(reader().currentPage(), 0);

    // A book that does not open at all: only the opener's own message.
    program.dev.messages().Clear();
    Request(u"missing.cmb", 0);
    wnd.OpenRequestedBook();
    EXPECT_EQ(program.dev.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_FALSE(reader().isOpen());
}

TEST_F(SwitchScreen, APageSmallerThanTheWindowSitsAtTheReadersTopLeft) {
    ViewOption portrait;
    portrait.portrait = 1;
    program.WriteOptionBytes(Program::OptionBytesOf(portrait, KeyMap()));
    BackWnd& wnd = program.Start();
    const std::vector<uint8_t> grey = test::TestPagePixels(200, 250);
    ASSERT_TRUE(program.Open(u"tale.cmb"));
    QImage frame = wnd.viewWnd().ComposeFrame();
    ASSERT_EQ(frame.size(), QSize(240, 320));
    // Portrait: the stored page at the top-left, grey right of and below it.
    for (int y : {0, 10, 100, 249}) {
        for (int x : {0, 10, 150, 199}) {
            const int level = grey[static_cast<size_t>(y) * 200 + static_cast<size_t>(x)];
            ASSERT_EQ(frame.pixel(x, y), qRgb(level, level, level)) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.pixel(200, 10), kGrey);
    // The bar covers the bottom 20 rows.
    EXPECT_EQ(frame.pixel(239, 299), kGrey);
    EXPECT_EQ(frame.pixel(10, 250), kGrey);

    // Landscape: turned a quarter turn and at the bottom-left.
    wnd.ReturnToLibrary(false);
    program.ConfirmViewOption(ViewOption());
    ASSERT_TRUE(program.Open(u"tale.cmb"));
    EXPECT_EQ(reader().image().viewWidth, 250);
    EXPECT_EQ(reader().image().viewHeight, 200);
    frame = wnd.viewWnd().ComposeFrame();
    EXPECT_EQ(frame.pixel(10, 119), kGrey);
    // Displayed (dx, dy) shows stored (200 - 1 - dy, dx), left of the bar.
    for (int dy : {0, 50, 199}) {
        for (int dx : {0, 60, 219}) {
            const int level = grey[static_cast<size_t>(dx) * 200 + static_cast<size_t>(199 - dy)];
            ASSERT_EQ(frame.pixel(dx, 120 + dy), qRgb(level, level, level)) << dx << "," << dy;
        }
    }

    // Scrolled, the visible part follows scrollX.
    frame.fill(kGrey);
    DrawPage(frame, reader().image(), 10, reader().position().scrollY);
    const int level = grey[static_cast<size_t>(10) * 200 + 199];
    EXPECT_EQ(frame.pixel(0, 120), qRgb(level, level, level));

    if (!test::ShotDir().isEmpty()) {
        wnd.ReturnToLibrary(false);
        program.ConfirmViewOption(portrait);
        program.Open(u"tale.cmb");
        EXPECT_TRUE(wnd.grab().save(test::ShotDir() + "/page.png"));
    }
}

TEST_F(SwitchScreen, DeactivationPausesAutoScrollAndActivationResumesIt) {
    BackWnd& wnd = program.Start();
    ASSERT_TRUE(program.Open(u"tale.cmb"));
    ReaderModel& model = wnd.viewWnd().model();

    wnd.OnActivate(false);
    wnd.OnActivate(true);
    EXPECT_EQ(model.autoScroll().autoScrollOn, 0);  // was off, stays off

    model.ToggleAutoScroll();
    wnd.OnActivate(false);
    EXPECT_EQ(model.autoScroll().autoScrollOn, 0);
    EXPECT_TRUE(program.keys.held.empty());
    wnd.OnActivate(true);
    EXPECT_EQ(model.autoScroll().autoScrollOn, 1);
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.viewWnd());
    // Resumed once only.
    wnd.OnActivate(true);
    EXPECT_EQ(model.autoScroll().autoScrollOn, 1);
}

TEST(CardPoll, OnlyTheLooxPollsAndOnlyTheListRefreshes) {
    Program plain;
    plain.Start();
    plain.InsertCardQuietly(u"Storage Card2");
    plain.dev.clock().Advance(2000);
    EXPECT_EQ(plain.CardsListed(), 0);

    Program loox(u"FUJITSU Pocket LOOX");
    ASSERT_TRUE(
        test::WriteTestBook(loox.dev.Host(u"\\My Documents\\InkVISTA\\tale.cmb"), 1, 240, 320));
    BackWnd& wnd = loox.Start();
    EXPECT_EQ(wnd.card2Present(), 0);
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(loox.CardsListed(), 0);

    loox.InsertCardQuietly(u"Storage Card2");
    loox.dev.clock().Advance(499);
    EXPECT_EQ(loox.CardsListed(), 0);
    loox.dev.clock().Advance(1);
    EXPECT_EQ(loox.CardsListed(), 1);
    EXPECT_EQ(wnd.card2Present(), 1);
    // The second card stays unchanged: no refresh, so another card inserted
    // meanwhile is not seen.
    loox.InsertCardQuietly(u"Storage Card");
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(loox.CardsListed(), 1);
    EXPECT_EQ(wnd.card1Present(), 0);

    // While the viewer is up the poll leaves the list alone; going back
    // refreshes and records what is there now.
    ASSERT_TRUE(loox.Open(u"tale.cmb"));
    loox.dev.device().RemoveCard(u"Storage Card2");
    loox.dev.clock().Advance(1000);
    EXPECT_EQ(loox.CardsListed(), 1);
    EXPECT_EQ(wnd.card2Present(), 1);
    wnd.ReturnToLibrary(false);
    EXPECT_EQ(loox.CardsListed(), 1);
    EXPECT_EQ(wnd.listWnd().model().cardNames()[0], u"Storage Card");
    EXPECT_EQ(wnd.card1Present(), 1);
    EXPECT_EQ(wnd.card2Present(), 0);
}

TEST(DeviceChange, CardsRefreshTheListOnlyWhileItIsShown) {
    Program program;
    ASSERT_TRUE(
        test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\tale.cmb"), 1, 240, 320));
    BackWnd& wnd = program.Start();
    const uint64_t start = program.dev.clock().NowMs();

    program.dev.AddCard(u"Storage Card");
    wnd.OnDeviceChange(DBT_DEVICEARRIVAL);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);  // waited for the card first
    EXPECT_EQ(program.CardsListed(), 1);
    EXPECT_EQ(wnd.listWnd().model().cardNames()[0], u"Storage Card");

    program.dev.device().RemoveCard(u"Storage Card");
    wnd.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(program.CardsListed(), 0);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);

    program.InsertCardQuietly(u"Storage Card");
    wnd.OnDeviceChange(0x0007);  // some other device event
    EXPECT_EQ(program.CardsListed(), 0);
    ASSERT_TRUE(program.Open(u"tale.cmb"));
    wnd.OnDeviceChange(DBT_DEVICEARRIVAL);
    wnd.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(program.CardsListed(), 0);
    EXPECT_EQ(program.dev.clock().NowMs(), start + 100);
}

}  // namespace
}  // namespace inkvista
