// Taps, drags, keys and hardware buttons turned into the reader's
// operations, in both orientations.
#include "ReaderFixture.h"
#include "platform/Win32.h"

namespace inkvista::test {
namespace {

using Input = ReaderFixture;

void Tap(ReaderModel& reader, int x, int y) {
    reader.OnTapDown(x, y);
    reader.OnRelease();
}

TEST_F(Input, PortraitBarZones) {
    OpenPage(240, 320, true, 10, 5, true);
    reader.OnTapDown(40, 310);  // previous page, held
    EXPECT_EQ(Page(), 4);
    test.clock().Advance(500);
    EXPECT_EQ(Page(), 3);
    reader.OnRelease();
    EXPECT_EQ(reader.reading().pageButtonHeld, 0);
    Tap(reader, 55, 310);  // next page
    EXPECT_EQ(Page(), 4);
    Tap(reader, 100, 310);  // the title: nothing
    Tap(reader, 220, 310);  // the clock: nothing
    EXPECT_EQ(Page(), 4);
    EXPECT_EQ(reader.reading().jumpPanelShown, 0);
    Tap(reader, 160, 310);  // the counter opens the panel
    EXPECT_EQ(reader.reading().jumpPanelShown, 1);
    EXPECT_EQ(reader.reading().jumpTarget, 4);

    // The panel's own zones.
    Tap(reader, 140, 290);
    EXPECT_EQ(Page(), 0);  // -10 from 4 clamps to 0 and commits on release
    Tap(reader, 230, 290);
    EXPECT_EQ(reader.reading().jumpTarget, 9);
    EXPECT_EQ(Page(), 9);
    Tap(reader, 185, 290);  // the number field: nothing
    EXPECT_EQ(Page(), 9);
    EXPECT_EQ(reader.reading().jumpPanelShown, 1);
    Tap(reader, 100, 200);  // off the panel: it closes
    EXPECT_EQ(reader.reading().jumpPanelShown, 0);

    Tap(reader, 10, 310);  // hide the bar
    EXPECT_EQ(reader.reading().menuShown, 0);
    Tap(reader, 100, 310);  // the hidden bar's strip shows it again
    EXPECT_EQ(reader.reading().menuShown, 1);
    Tap(reader, 20, 310);  // close, keeping the page
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(host.switches, (std::vector<std::pair<int, bool>>{{kListWindowId, true}}));
}

TEST_F(Input, LandscapeBarAndPanelZones) {
    OpenPage(320, 240, false, 30, 15, true);
    Tap(reader, 230, 20);  // the clock: nothing
    EXPECT_EQ(reader.reading().jumpPanelShown, 0);
    Tap(reader, 230, 60);  // the counter
    EXPECT_EQ(reader.reading().jumpPanelShown, 1);
    Tap(reader, 210, 10);  // +10
    EXPECT_EQ(Page(), 25);
    Tap(reader, 210, 100);  // -10
    EXPECT_EQ(Page(), 15);
    Tap(reader, 210, 80);  // -1
    EXPECT_EQ(Page(), 14);
    Tap(reader, 210, 55);  // the number field
    EXPECT_EQ(Page(), 14);
    Tap(reader, 100, 100);
    EXPECT_EQ(reader.reading().jumpPanelShown, 0);
    Tap(reader, 230, 265);  // next page
    EXPECT_EQ(Page(), 15);
    Tap(reader, 230, 310);  // hide
    EXPECT_EQ(reader.reading().menuShown, 0);
    Tap(reader, 230, 100);  // the strip brings it back
    EXPECT_EQ(reader.reading().menuShown, 1);
}

TEST_F(Input, EdgeZonesStepTowardTheirEdge) {
    view.scrollRange = 80;
    OpenPage(480, 640, true);
    Scroll(160, 160);
    Tap(reader, 60, 50);  // left wins over up
    EXPECT_EQ(X(), 80);
    EXPECT_EQ(Y(), 160);
    Tap(reader, 120, 250);
    EXPECT_EQ(Y(), 240);
    Tap(reader, 200, 160);
    EXPECT_EQ(X(), 160);
    Tap(reader, 120, 20);
    EXPECT_EQ(Y(), 160);
    host.frames.clear();
    Tap(reader, 120, 160);  // the middle: nothing, no frame
    EXPECT_TRUE(host.frames.empty());

    // tabScroll off: the edges are page like the middle.
    view.tabScroll = 0;
    OpenPage(480, 640, true);
    Tap(reader, 200, 160);
    EXPECT_EQ(X(), 0);
}

TEST_F(Input, ATapDismissesTheLastPageBox) {
    OpenPage(240, 320, true, 2, 1);
    reader.GoNextPage();
    ASSERT_EQ(reader.reading().lastPageNotice, 1);
    host.frames.clear();
    view.tabScroll = 1;
    Tap(reader, 120, 160);
    EXPECT_EQ(reader.reading().lastPageNotice, 0);
    EXPECT_EQ(host.frames.size(), 1u);  // the box goes at once
}

TEST_F(Input, DragFollowsTheStylusWithinThePage) {
    OpenPage(480, 640, true, 3, 0, true);
    reader.OnTapDown(120, 160);
    reader.OnDrag(100, 100);  // stylus up-left: the view moves down-right
    EXPECT_EQ(X(), 20);
    EXPECT_EQ(Y(), 60);
    reader.OnDrag(-1000, -1000);
    EXPECT_EQ(X(), 240);
    EXPECT_EQ(Y(), 340);  // 640 - 300 with the bar shown
    reader.OnDrag(2000, 2000);
    EXPECT_EQ(X(), 0);
    EXPECT_EQ(Y(), 0);

    // A page smaller than the window never repaints on a drag.
    OpenPage(160, 240, true);
    reader.OnTapDown(120, 160);
    reader.OnDrag(10, 10);
    EXPECT_TRUE(host.frames.empty());
    EXPECT_EQ(X(), 0);
}

TEST_F(Input, KeysResolveByOrientationAndLongerAxis) {
    keys.hotKey(2) = ScrollLeft;
    OpenPage(240, 320, true, 3, 1);
    EXPECT_EQ(reader.ResolveAction(ScrollLeft), ViewerCommand::None);
    EXPECT_EQ(reader.ResolveAction(ScrollUp), ViewerCommand::GoPrevPage);
    EXPECT_EQ(reader.ResolveAction(ScrollDown), ViewerCommand::GoNextPage);
    EXPECT_EQ(reader.ResolveAction(12), ViewerCommand::None);
    EXPECT_EQ(reader.ResolveAction(NoMapping), ViewerCommand::None);

    OpenPage(480, 320, true);  // wide in portrait: up/down go left/right
    EXPECT_EQ(reader.ResolveAction(ScrollUp), ViewerCommand::StepLeft);
    EXPECT_EQ(reader.ResolveAction(ScrollDown), ViewerCommand::StepRight);
    EXPECT_EQ(reader.ResolveAction(ScrollRight), ViewerCommand::StepRight);

    OpenPage(240, 480, false);  // displayed 480 x 240: wider
    EXPECT_EQ(reader.ResolveAction(ScrollUp), ViewerCommand::StepLeft);
    EXPECT_EQ(reader.ResolveAction(ScrollDown), ViewerCommand::StepRight);
    EXPECT_EQ(reader.ResolveAction(ScrollLeft), ViewerCommand::None);
    OpenPage(480, 240, false);  // displayed 240 x 480: taller
    EXPECT_EQ(reader.ResolveAction(ScrollUp), ViewerCommand::StepDown);
    EXPECT_EQ(reader.ResolveAction(ScrollDown), ViewerCommand::StepUp);
    EXPECT_EQ(reader.ResolveAction(ScrollLeft), ViewerCommand::StepDown);
    EXPECT_EQ(reader.ResolveAction(ScrollRight), ViewerCommand::StepUp);
    OpenPage(320, 240, false);  // displayed 240 x 320: fits
    EXPECT_EQ(reader.ResolveAction(ScrollUp), ViewerCommand::GoPrevPage);
    EXPECT_EQ(reader.ResolveAction(ScrollRight), ViewerCommand::None);

    // A key that resolves to nothing goes to default processing.
    EXPECT_FALSE(reader.OnKey(VK_RETURN));
}

TEST_F(Input, HardwareButtonsGoThroughTheKeyMap) {
    keys.hotKey(0) = NextPage;
    keys.hotKey(1) = EndPage;
    keys.hotKey(2) = NoMapping;
    OpenPage(240, 320, true, 5, 0);
    reader.OnHardwareButton(0xC1);
    EXPECT_EQ(Page(), 1);
    reader.OnHardwareButton(0xC2);
    EXPECT_EQ(Page(), 4);
    reader.OnHardwareButton(0xC3);
    reader.OnHardwareButton(0xC5);  // not one of the four
    EXPECT_EQ(Page(), 4);
    // On the LOOX the buttons start one code later.
    reader.SetHotKeyBase(0xC2);
    reader.OnHardwareButton(0xC1);
    EXPECT_EQ(Page(), 4);
    reader.OnHardwareButton(0xC2);
    EXPECT_EQ(reader.reading().lastPageNotice, 1);

    reader.OnCloseRequest();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(host.switches, (std::vector<std::pair<int, bool>>{{kListWindowId, false}}));
}

TEST_F(Input, TapsAndKeysStopAutoScrollButButtonsDoNot) {
    keys.hotKey(0) = NextPage;
    OpenPage(240, 960, true, 5, 0, true);
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.reading().menuShown, 0);
    reader.OnHardwareButton(0xC1);
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 1);

    // A tap on the edge zone only stops it and brings the bar back.
    Tap(reader, 120, 300);
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.reading().menuShown, 1);
    EXPECT_EQ(Y(), 0);

    // A key stops it and does its own action too.
    reader.ToggleAutoScroll();
    EXPECT_TRUE(reader.OnKey(VK_DOWN));
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.reading().menuShown, 1);
    EXPECT_EQ(Y(), 120);

    // The double tap stops it too.
    reader.ToggleAutoScroll();
    reader.OnDoubleTap();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.reading().menuShown, 1);
}

}  // namespace
}  // namespace inkvista::test
