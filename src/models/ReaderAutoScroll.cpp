// The viewer reading by itself: timer 2 steps or creeps the view along the
// page's longer axis and turns the pages, while the back-light and the
// session are kept awake.
#include <algorithm>

#include "models/ReaderModel.h"

namespace inkvista {

namespace {

constexpr int32_t kCreepPixels = 3;
// QTimer and the device's timers take periods up to this.
constexpr uint64_t kLongestPeriodMs = 0x7FFFFFFF;

}  // namespace

void ReaderModel::ToggleAutoScroll() {
    if (autoScroll_.autoScrollOn) {
        StopAutoScroll();
        reading_.menuShown = autoScroll_.menuShownBeforeAutoScroll;
        if (reading_.menuShown && open_) {
            if (AtFarEnd()) KeepEndAboveMenu();
            Redraw();
        }
        return;
    }
    if (!Showable()) return;
    autoScroll_.savedBatteryTimeout = ReadBatteryTimeout();
    if (autoScroll_.savedBatteryTimeout != 0) HoldBacklight(false);
    const uint64_t seconds = view_.autoScrollSec;
    const auto period = static_cast<unsigned>(
        seconds == 0 ? kCreepPeriodMs : std::min(seconds * 1000, kLongestPeriodMs));
    autoScroll_.autoScrollTimer =
        device_.timers().SetTimer(this, kAutoScrollTimerId, period, [this] { OnAutoScrollTick(); });
    autoScroll_.periodMs = period;
    autoScroll_.autoScrollOn = 1;
    device_.power().KeepAwake(true);
    autoScroll_.menuShownBeforeAutoScroll = reading_.menuShown;
    reading_.menuShown = 0;
}

// Timer 2 off, the back-light and the session given back; the bar stays as
// it is.
void ReaderModel::StopAutoScroll() {
    if (autoScroll_.autoScrollTimer != 0) device_.timers().KillTimer(this, kAutoScrollTimerId);
    autoScroll_.autoScrollTimer = 0;
    autoScroll_.autoScrollOn = 0;
    if (autoScroll_.savedBatteryTimeout != 0) HoldBacklight(true);
    device_.power().KeepAwake(false);
}

ViewerCommand ReaderModel::AutoScrollDirection() const {
    const int32_t w = image_.viewWidth;
    const int32_t h = image_.viewHeight;
    if (h >= w) {
        if (h <= kScreenHeight) return ViewerCommand::None;
        return portrait() ? ViewerCommand::StepDown : ViewerCommand::StepUp;
    }
    return w > kScreenWidth ? ViewerCommand::StepRight : ViewerCommand::None;
}

void ReaderModel::OnAutoScrollTick() {
    if (!Showable()) return;
    const ViewerCommand direction = AutoScrollDirection();
    if (view_.autoScrollSec != 0) {
        Execute(direction);
        device_.power().ResetIdleTimer();
        return;
    }
    device_.timers().KillTimer(this, kAutoScrollTimerId);
    autoScroll_.autoScrollTimer = 0;
    bool moving = true;
    switch (direction) {
        case ViewerCommand::StepDown:
            moving = CreepDown();
            break;
        case ViewerCommand::StepUp:
            moving = CreepUp();
            break;
        case ViewerCommand::StepRight:
            moving = CreepRight();
            break;
        default:
            break;
    }
    if (autoScroll_.autoScrollOn) {
        const unsigned period = moving ? kCreepPeriodMs : kCreepPausePeriodMs;
        autoScroll_.autoScrollTimer = device_.timers().SetTimer(this, kAutoScrollTimerId, period,
                                                                [this] { OnAutoScrollTick(); });
        autoScroll_.periodMs = period;
    }
    device_.power().ResetIdleTimer();
}

bool ReaderModel::CreepDown() {
    return CreepForward(position_.scrollY, image_.viewHeight, kScreenHeight, portrait());
}

bool ReaderModel::CreepUp() {
    if (!Showable()) return false;
    if (position_.scrollY <= 0) {
        portrait() ? GoPrevPage() : GoNextPage();
        return false;
    }
    bool moving = true;
    if (position_.scrollY - kCreepPixels < 0) {
        position_.scrollY = 0;
        moving = false;
    } else {
        position_.scrollY -= kCreepPixels;
    }
    Redraw();
    return moving;
}

bool ReaderModel::CreepRight() {
    return CreepForward(position_.scrollX, image_.viewWidth, kScreenWidth, !portrait());
}

bool ReaderModel::CreepForward(int32_t& position, int32_t extent, int32_t window, bool barSide) {
    if (!Showable()) return false;
    const int32_t end = extent - window;
    if (position >= end) {
        GoNextPage();
        return false;
    }
    bool moving = true;
    if (int64_t{position} + window + kCreepPixels < extent) {
        position += kCreepPixels;
    } else {
        position = end;
        moving = false;
    }
    if (reading_.menuShown && barSide && AtFarEnd()) {
        KeepEndAboveMenu();
        moving = false;
    }
    Redraw();
    return moving;
}

uint32_t ReaderModel::ReadBatteryTimeout() {
    return device_.registry().GetDword(kBacklightKey, kBatteryTimeoutValue).value_or(0);
}

void ReaderModel::HoldBacklight(bool restore) {
    Registry& registry = device_.registry();
    if (registry.KeyExists(kBacklightKey)) {
        const uint32_t saved = autoScroll_.savedBatteryTimeout;
        registry.SetDword(kBacklightKey, kBatteryTimeoutValue, restore ? saved : 0);
        registry.SetDword(kBacklightKey, kBatteryTimeoutUncheckedValue, restore ? 0 : saved);
    }
    device_.power().SetNamedEvent(kBacklightChangeEvent);
}

}  // namespace inkvista
