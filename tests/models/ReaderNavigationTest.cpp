// Page turns, scroll steps, the bar, the orientation switch, the jump panel
// and the held page buttons of the reader model.
#include "ReaderFixture.h"

namespace inkvista::test {
namespace {

using Navigation = ReaderFixture;

TEST_F(Navigation, TurnsStopAtTheEndsOfTheBook) {
    OpenPage(240, 320, true, 3, 2);
    reader.GoNextPage();
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(reader.reading().lastPageNotice, 1);
    EXPECT_EQ(host.frames.size(), 1u);

    reader.GoFirstPage();
    EXPECT_EQ(Page(), 0);
    host.frames.clear();
    reader.GoPrevPage();  // at the first page: nothing at all, not even a frame
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(host.frames.empty());
    reader.GoFirstPage();  // loads again even when already there
    EXPECT_EQ(host.frames.size(), 1u);
    reader.GoLastPage();
    EXPECT_EQ(Page(), 2);
    EXPECT_TRUE(test.messages().shown().empty());
}

TEST_F(Navigation, StepsSnapWithinFortyPixelsOnlyUpToRange200) {
    view.scrollRange = 120;
    OpenPage(240, 700, true);
    std::vector<int32_t> seen;
    for (int i = 0; i < 3; ++i) {
        reader.StepDown();
        seen.push_back(Y());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{120, 240, 380}));
    reader.StepDown();  // at the end of the longer axis: the next page
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(Y(), 0);

    // Back up from the end: 380 - 120 = 260, 140, then 20 <= 40 snaps to 0.
    Scroll(0, 380);
    seen.clear();
    for (int i = 0; i < 3; ++i) {
        reader.StepUp();
        seen.push_back(Y());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{260, 140, 0}));
    reader.StepUp();
    EXPECT_EQ(Page(), 0);

    // 200 snaps: from 200, 400 would leave exactly 40 beyond the window.
    view.scrollRange = 200;
    OpenPage(240, 760, true);
    reader.StepDown();
    reader.StepDown();
    EXPECT_EQ(Y(), 440);
    // 240 never does: from 240, 480 leaves 20 for the next step.
    view.scrollRange = 240;
    OpenPage(240, 820, true);
    reader.StepDown();
    reader.StepDown();
    EXPECT_EQ(Y(), 480);
    reader.StepDown();
    EXPECT_EQ(Y(), 500);
}

TEST_F(Navigation, OnlyTheLongerAxisTurnsThePage) {
    // Wide in portrait: down at the bottom stays, right at the right end turns.
    OpenPage(480, 400, true);
    Scroll(0, 80);
    reader.StepDown();
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(host.frames.empty());
    Scroll(240, 80);
    reader.StepRight();
    EXPECT_EQ(Page(), 1);
    reader.StepLeft();  // at x = 0 of a wide page: back one page
    EXPECT_EQ(Page(), 0);

    // Fits the window along its longer axis: any step along it turns at once.
    OpenPage(240, 320, true);
    reader.StepDown();
    EXPECT_EQ(Page(), 1);
    reader.StepLeft();  // 240 x 320 is taller than wide: left does nothing
    EXPECT_EQ(Page(), 1);

    // Landscape, displayed taller than wide: up at 0 is the next page, down
    // at the end the previous one.
    OpenPage(400, 240, false, 3, 1);
    ASSERT_EQ(reader.image().viewHeight, 400);
    ASSERT_EQ(Y(), 80);  // landscape starts at the reader's top-left
    reader.StepDown();
    EXPECT_EQ(Page(), 0);
    Scroll(0, 0);
    reader.StepUp();
    EXPECT_EQ(Page(), 1);
}

TEST_F(Navigation, TheBarKeepsThePagesEndAboveIt) {
    view.scrollRange = 120;
    OpenPage(240, 700, true, 3, 0, true);
    Scroll(0, 240);
    reader.StepDown();
    EXPECT_EQ(Y(), 400);  // 700 - 300: the end just above the bar
    reader.ToggleMenu();
    EXPECT_EQ(Y(), 380);
    reader.ToggleMenu();
    EXPECT_EQ(Y(), 400);
    EXPECT_EQ(host.frames.size(), 3u);
    reader.StepDown();  // 400 >= 380: the end, the next page
    EXPECT_EQ(Page(), 1);

    // Landscape: the bar is on the right, the end is along x.
    OpenPage(240, 600, false, 3, 0, true);  // displayed 600 wide
    reader.StepRight();
    reader.StepRight();
    reader.StepRight();
    EXPECT_EQ(X(), 380);  // 600 - 220
}

TEST_F(Navigation, ASmoothStepPaintsItsGrowingFramesWithoutTheBar) {
    view.scrollRange = 240;
    OpenPage(240, 1200, true, 3, 0, true);
    view.smoothScroll = 1;
    ASSERT_TRUE(Open(u"book.cmb", 0));
    host.frames.clear();
    const uint64_t before = reader.framesPainted();
    reader.StepDown();
    EXPECT_EQ(reader.framesPainted(), before + 6);
    ASSERT_EQ(host.frames.size(), 6u);
    const std::vector<int32_t> expected = {0, 24, 60, 108, 168, 240};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(host.frames[i].scrollY, expected[i]) << i;
        EXPECT_EQ(host.frames[i].animation, i < 5) << i;
        EXPECT_EQ(host.frames[i].menuShown, i < 5 ? 0 : 1) << i;
    }

    // Backward by 240 from 240 to 0: the same six frames in reverse order.
    host.frames.clear();
    reader.StepUp();
    ASSERT_EQ(host.frames.size(), 6u);
    EXPECT_EQ(host.frames[1].scrollY, 216);
    EXPECT_EQ(host.frames[5].scrollY, 0);
}

TEST_F(Navigation, ViewModeCarriesTheReadersVerticalPosition) {
    OpenPage(320, 960, true);  // portrait: tall
    Scroll(40, 300);
    reader.ToggleViewMode();
    EXPECT_FALSE(reader.portrait());
    EXPECT_EQ(reader.image().viewWidth, 960);
    EXPECT_EQ(X(), 300);  // the old scrollY along the reader's vertical axis
    EXPECT_EQ(Y(), 0);    // the other axis at its start (320 - 320)
    Scroll(720, 0);       // the end of a 960-wide displayed page
    reader.ToggleViewMode();
    EXPECT_TRUE(reader.portrait());
    EXPECT_EQ(Y(), 640);  // 720 pulled back to the new end 960 - 320
    EXPECT_EQ(X(), 0);

    // The page cannot be decoded again: the message, the orientation flipped.
    const std::filesystem::path file = test.Host(u"\\My Documents\\InkVISTA\\book.cmb");
    std::filesystem::resize_file(file, reader.book().pageOffsets[0] + 20);
    reader.ToggleViewMode();
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"CMC Data Open Failed"});
    EXPECT_FALSE(reader.portrait());
    EXPECT_TRUE(reader.isOpen());
}

TEST_F(Navigation, JumpTargetsStayInsideTheBookAndRepeatWhileHeld) {
    OpenPage(240, 320, true, 25, 0, true);
    reader.ShowJumpPanel();
    reader.StepJumpTarget(-1);
    EXPECT_EQ(reader.reading().jumpTarget, 0);
    EXPECT_EQ(reader.reading().jumpArrowLit, 0);  // nothing changed, nothing lit
    test.clock().Advance(500);
    EXPECT_EQ(reader.reading().jumpTarget, 0);  // held: the step is 0

    reader.StepJumpTarget(10);
    EXPECT_EQ(reader.reading().jumpTarget, 10);
    EXPECT_EQ(reader.reading().litJumpArrow, JumpArrow::Forward10);
    test.clock().Advance(100);
    EXPECT_EQ(reader.reading().jumpTarget, 20);
    test.clock().Advance(300);
    EXPECT_EQ(reader.reading().jumpTarget, 24);  // stops at the last page
    reader.OnRelease();                          // lifting the stylus commits
    EXPECT_EQ(Page(), 24);
    EXPECT_EQ(reader.reading().jumpArrowLit, 0);
    EXPECT_EQ(reader.reading().jumpRepeatTimer, 0u);
    EXPECT_EQ(reader.reading().jumpPanelShown, 1);  // the panel stays open
    test.clock().Advance(1000);
    EXPECT_EQ(reader.reading().jumpTarget, 24);
}

TEST_F(Navigation, AJumpToAPageThatDoesNotLoadKeepsThePageShown) {
    OpenPage(240, 320, true, 12, 0, true);
    const std::filesystem::path file = test.Host(u"\\My Documents\\InkVISTA\\book.cmb");
    std::filesystem::resize_file(file, reader.book().pageOffsets[10] + 20);
    reader.ShowJumpPanel();
    reader.StepJumpTarget(10);
    reader.OnRelease();
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"CMC Data Open Failed"});
    EXPECT_TRUE(reader.isOpen());
    // The counter and a bookmark name the page still on the screen.
    EXPECT_EQ(Page(), 0);
    EXPECT_FALSE(reader.image().pixels.empty());
    EXPECT_TRUE(host.switches.empty());
}

TEST_F(Navigation, AHeldPageButtonTurnsEveryHalfSecondUntilReleased) {
    OpenPage(240, 320, true, 10, 5, true);
    reader.PressPageButton(PageButton::Previous);
    EXPECT_EQ(Page(), 4);
    EXPECT_EQ(reader.reading().pageButtonHeld, 1);
    EXPECT_EQ(reader.reading().heldPageButton, PageButton::Previous);
    test.clock().Advance(499);
    EXPECT_EQ(Page(), 4);
    test.clock().Advance(1001);
    EXPECT_EQ(Page(), 1);
    reader.ReleasePageButton();
    EXPECT_EQ(reader.reading().pageButtonHeld, 0);
    test.clock().Advance(2000);
    EXPECT_EQ(Page(), 1);
}

TEST_F(Navigation, APageThatFailsToLoadTellsWhereTheBookWentAndReturns) {
    // A book in the main folder whose file vanished.
    OpenPage(240, 320, true);
    std::filesystem::remove(test.Host(u"\\My Documents\\InkVISTA\\book.cmb"));
    reader.GoNextPage();
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"File Open Failed."});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(host.switches, (std::vector<std::pair<int, bool>>{{kListWindowId, false}}));

    // A book on a card that was taken out.
    const std::filesystem::path card = test.AddCard(u"SD Card");
    folders.cardNames[0] = u"SD Card";
    WriteBook(u"card.cmb", 3, 240, 320, u"\\SD Card\\InkVISTA");
    ASSERT_TRUE(Open(u"card.cmb", 0, FolderSlot::Card1));
    std::u16string root;
    ASSERT_TRUE(reader.CardRootPath(&root));
    EXPECT_EQ(root, u"\\SD Card");
    test.device().RemoveCard(u"SD Card");
    test.messages().Clear();
    reader.GoLastPage();
    EXPECT_EQ(test.messages().shown(),
              std::vector<std::u16string>{u"Check the Memory Card Insertion"});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(host.switches.size(), 2u);
}

}  // namespace
}  // namespace inkvista::test
