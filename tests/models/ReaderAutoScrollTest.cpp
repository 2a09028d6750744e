// The reader reading by itself: interval and continuous scrolling, the
// held back-light, and the ways auto scroll ends.
#include "ReaderFixture.h"
#include "models/Json.h"

namespace inkvista::test {
namespace {

class AutoScroll : public ReaderFixture {
  protected:
    std::optional<uint32_t> Backlight(std::u16string_view name) {
        return test.device().registry().GetDword(kBacklightKey, name);
    }
    uint64_t Events() { return test.device().power().EventsSet(kBacklightChangeEvent); }
};

TEST_F(AutoScroll, IntervalStepsHideTheBarAtTheFirstStepAndTurnPages) {
    view.scrollRange = 120;
    OpenPage(240, 500, true, 3, 0, true);  // default: every 2 seconds
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 1);
    EXPECT_EQ(reader.autoScroll().periodMs, 2000u);
    EXPECT_TRUE(host.frames.empty());  // starting does not repaint
    test.clock().Advance(1999);
    EXPECT_EQ(Y(), 0);
    test.clock().Advance(1);
    EXPECT_EQ(Y(), 120);
    ASSERT_FALSE(host.frames.empty());
    EXPECT_EQ(host.frames.back().menuShown, 0);
    test.clock().Advance(2000);
    EXPECT_EQ(Y(), 180);  // 240 would leave 20: snapped to the end
    test.clock().Advance(2000);
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(test.device().power().idleResets(), 3u);

    // Stopping brings the bar back.
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.reading().menuShown, 1);
    test.clock().Advance(10000);
    EXPECT_EQ(Page(), 1);
}

TEST_F(AutoScroll, ContinuousCreepsThreePixelsAndPausesAtEachEnd) {
    view.autoScrollSec = 0;
    OpenPage(900, 240, false, 3, 0);  // displayed 240 wide, 900 high
    ASSERT_EQ(Y(), 580);
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().periodMs, 5u);
    // One creep every 5 ms, as the window's timer runs it.
    test.clock().Advance(4);
    EXPECT_EQ(Y(), 580);
    test.clock().Advance(1);
    EXPECT_EQ(Y(), 577);
    // 193 ticks reach 1, then one to 0 that reports the end.
    test.clock().Advance(5 * 192);
    EXPECT_EQ(Y(), 1);
    test.clock().Advance(5);
    EXPECT_EQ(Y(), 0);
    EXPECT_EQ(reader.autoScroll().periodMs, 1000u);
    test.clock().Advance(999);
    EXPECT_EQ(Page(), 0);
    test.clock().Advance(1);
    EXPECT_EQ(Page(), 1);  // up the screen is the reader's next page
    EXPECT_EQ(Y(), 580);
    EXPECT_EQ(reader.autoScroll().periodMs, 1000u);

    // It never stops by itself: the last page's end shows the box and goes on.
    OpenPage(240, 400, true, 1, 0);
    reader.ToggleAutoScroll();
    test.clock().Advance(5000);
    EXPECT_EQ(Y(), 80);
    EXPECT_EQ(reader.reading().lastPageNotice, 1);
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 1);
}

TEST_F(AutoScroll, APageThatFitsIsNeverAdvanced) {
    OpenPage(240, 320, true, 3, 0);
    reader.ToggleAutoScroll();
    test.clock().Advance(10000);
    EXPECT_EQ(Page(), 0);
    EXPECT_NE(reader.autoScroll().autoScrollTimer, 0u);
    view.autoScrollSec = 0;
    OpenPage(320, 240, true, 3, 0);  // wider than tall: it creeps right
    reader.ToggleAutoScroll();
    test.clock().Advance(5 * 26);
    EXPECT_EQ(X(), 78);
    EXPECT_NE(reader.autoScroll().autoScrollTimer, 0u);
}

TEST_F(AutoScroll, TheBacklightIsHeldAndGivenBack) {
    bool created = false;
    ASSERT_TRUE(test.device().registry().CreateKey(kBacklightKey, &created));
    ASSERT_TRUE(test.device().registry().SetDword(kBacklightKey, kBatteryTimeoutValue, 60));
    OpenPage(240, 960, true);
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().savedBatteryTimeout, 60u);
    EXPECT_EQ(Backlight(kBatteryTimeoutValue), 0u);
    EXPECT_EQ(Backlight(kBatteryTimeoutUncheckedValue), 60u);
    EXPECT_EQ(Events(), 1u);
    EXPECT_TRUE(test.device().power().awake());
    reader.ToggleAutoScroll();
    EXPECT_EQ(Backlight(kBatteryTimeoutValue), 60u);
    EXPECT_EQ(Backlight(kBatteryTimeoutUncheckedValue), 0u);
    EXPECT_EQ(Events(), 2u);
    EXPECT_FALSE(test.device().power().awake());

    // Closing the book gives it back as well (the bar stays hidden).
    reader.ToggleAutoScroll();
    reader.CloseBook();
    EXPECT_EQ(Backlight(kBatteryTimeoutValue), 60u);
    EXPECT_EQ(Events(), 4u);
    EXPECT_EQ(reader.reading().menuShown, 0);
    EXPECT_FALSE(test.device().power().awake());

    // A time-out of 0 keeps the light on already: nothing is written.
    ASSERT_TRUE(test.device().registry().SetDword(kBacklightKey, kBatteryTimeoutValue, 0));
    ASSERT_TRUE(test.device().registry().DeleteValue(kBacklightKey, kBatteryTimeoutUncheckedValue));
    OpenPage(240, 960, true);
    reader.ToggleAutoScroll();
    reader.ToggleAutoScroll();
    EXPECT_EQ(Backlight(kBatteryTimeoutUncheckedValue), std::nullopt);
    EXPECT_EQ(Events(), 4u);
}

TEST_F(AutoScroll, AFailedTurnEndsItEvenInContinuousMode) {
    bool created = false;
    ASSERT_TRUE(test.device().registry().CreateKey(kBacklightKey, &created));
    ASSERT_TRUE(test.device().registry().SetDword(kBacklightKey, kBatteryTimeoutValue, 30));
    view.autoScrollSec = 0;
    OpenPage(240, 330, true, 3, 0);
    std::filesystem::remove(test.Host(u"\\My Documents\\InkVISTA\\book.cmb"));
    reader.ToggleAutoScroll();
    test.clock().Advance(2000);
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"File Open Failed."});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.autoScroll().autoScrollTimer, 0u);
    EXPECT_EQ(Backlight(kBatteryTimeoutValue), 30u);
    EXPECT_EQ(test.clock().TimerCount(), 0u);
}

TEST_F(AutoScroll, StateReportsTheTimersAndTheHold) {
    OpenPage(240, 960, true);
    JsonValue viewer;
    reader.WriteState(viewer);
    EXPECT_EQ(viewer.Find("autoScrollPeriodMs")->kind(), JsonValue::Kind::Null);
    EXPECT_FALSE(viewer.Find("screenSaverInhibited")->boolean());
    reader.ToggleAutoScroll();
    test.clock().Advance(2000);
    JsonValue running;
    reader.WriteState(running);
    EXPECT_EQ(running.Find("autoScrollPeriodMs")->number(), 2000);
    EXPECT_TRUE(running.Find("screenSaverInhibited")->boolean());
    EXPECT_EQ(running.Find("idleResets")->number(), 1);
    EXPECT_EQ(running.Find("framesPainted")->number(), reader.framesPainted());
    EXPECT_FALSE(running.Find("menuShown")->boolean());
}

}  // namespace
}  // namespace inkvista::test
