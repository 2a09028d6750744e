#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Services.h"

namespace inkvista {
namespace {

struct Log {
    std::vector<std::string> events;
    VirtualClock* clock = nullptr;
    TimerService::Callback Note(std::string name) {
        return [this, name] { events.push_back(name + "@" + std::to_string(clock->NowMs())); };
    }
};

class VirtualClockTest : public ::testing::Test {
  protected:
    VirtualClockTest() { log_.clock = &clock_; }
    VirtualClock clock_;
    Log log_;
    const int windowA_ = 0;
    const int windowB_ = 0;
};

using Events = std::vector<std::string>;

TEST_F(VirtualClockTest, FiresInTimeOrderAndRearms) {
    EXPECT_EQ(clock_.SetTimer(&windowA_, 2, 100, log_.Note("scroll")), 2u);
    EXPECT_EQ(clock_.SetTimer(&windowA_, 3, 40, log_.Note("jump")), 3u);
    // The same id on another window is another timer.
    EXPECT_EQ(clock_.SetTimer(&windowB_, 2, 70, log_.Note("b")), 2u);
    clock_.Advance(99);
    EXPECT_EQ(log_.events, (Events{"jump@40", "b@70", "jump@80"}));
    EXPECT_EQ(clock_.NowMs(), 99u);
    log_.events.clear();
    clock_.Advance(1);
    EXPECT_EQ(log_.events, (Events{"scroll@100"}));
}

TEST_F(VirtualClockTest, DueSeveralTimesInOneAdvanceFiresEachTime) {
    clock_.SetTimer(&windowA_, 1, 100, log_.Note("t"));
    clock_.Advance(350);
    EXPECT_EQ(log_.events, (Events{"t@100", "t@200", "t@300"}));
    EXPECT_EQ(clock_.NowMs(), 350u);
    log_.events.clear();
    clock_.Advance(50);
    EXPECT_EQ(log_.events, (Events{"t@400"}));
}

TEST_F(VirtualClockTest, SameMomentFiresInTheOrderSet) {
    clock_.SetTimer(&windowA_, 5, 50, log_.Note("first"));
    clock_.SetTimer(&windowA_, 1, 50, log_.Note("second"));
    clock_.SetTimer(&windowB_, 9, 25, log_.Note("third"));
    clock_.Advance(50);
    EXPECT_EQ(log_.events, (Events{"third@25", "first@50", "second@50", "third@50"}));
}

TEST_F(VirtualClockTest, CallbacksMayKillAndSetTimersIncludingThemselves) {
    int fired = 0;
    // A one-shot: kills itself on the first tick.
    clock_.SetTimer(&windowA_, 1, 10, [&] {
        ++fired;
        EXPECT_TRUE(clock_.KillTimer(&windowA_, 1));
    });
    // Kills another timer due at the same moment, which then must not fire.
    clock_.SetTimer(&windowA_, 2, 20, [&] { clock_.KillTimer(&windowA_, 3); });
    clock_.SetTimer(&windowA_, 3, 20, log_.Note("killed"));
    // Restarts itself with a longer period.
    clock_.SetTimer(&windowA_, 4, 30, [&] {
        log_.events.push_back("slow@" + std::to_string(clock_.NowMs()));
        clock_.SetTimer(&windowA_, 4, 100,
                        [&] { log_.events.push_back("slower@" + std::to_string(clock_.NowMs())); });
    });
    clock_.Advance(300);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(clock_.IsRunning(&windowA_, 1));
    EXPECT_FALSE(clock_.IsRunning(&windowA_, 3));
    EXPECT_TRUE(clock_.IsRunning(&windowA_, 2));
    EXPECT_EQ(log_.events, (Events{"slow@30", "slower@130", "slower@230"}));
}

TEST_F(VirtualClockTest, SettingAgainRestartsTheTimer) {
    clock_.SetTimer(&windowA_, 1, 100, log_.Note("old"));
    clock_.Advance(60);
    clock_.SetTimer(&windowA_, 1, 100, log_.Note("new"));
    clock_.Advance(99);
    EXPECT_TRUE(log_.events.empty());
    clock_.Advance(1);
    EXPECT_EQ(log_.events, (Events{"new@160"}));
    EXPECT_EQ(clock_.TimerCount(), 1u);
}

TEST_F(VirtualClockTest, SleepMovesTheClockWithoutFiring) {
    clock_.SetTimer(&windowA_, 1, 100, log_.Note("t"));
    clock_.Sleep(350);
    EXPECT_TRUE(log_.events.empty());
    EXPECT_EQ(clock_.NowMs(), 350u);
    // The missed ticks arrive as one, then the timer keeps its period.
    clock_.Advance(0);
    EXPECT_EQ(log_.events, (Events{"t@350"}));
    clock_.Advance(100);
    EXPECT_EQ(log_.events, (Events{"t@350", "t@450"}));
}

TEST_F(VirtualClockTest, RefusesWhatCannotRun) {
    EXPECT_EQ(clock_.SetTimer(&windowA_, 0, 10, [] {}), 0u);
    EXPECT_EQ(clock_.SetTimer(&windowA_, 1, 10, nullptr), 0u);
    EXPECT_FALSE(clock_.KillTimer(&windowA_, 1));
    // A zero period does not spin: it fires once per millisecond.
    int n = 0;
    clock_.SetTimer(&windowA_, 1, 0, [&] { ++n; });
    clock_.Advance(100);
    EXPECT_EQ(n, 100);
}

}  // namespace
}  // namespace inkvista
