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
    const uint64_t seconds = viewOption_.autoScrollSec;
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
        if (h <= kViewHeight) return ViewerCommand::None;
        return portrait() ? ViewerCommand::StepDown : ViewerCommand::StepUp;
    }
    return w > kViewWidth ? ViewerCommand::StepRight : ViewerCommand::None;
}

void ReaderModel::OnAutoScrollTick() {
    if (!Showable()) return;
    const ViewerCommand direction = AutoScrollDirection();
    if (viewOption_.autoScrollSec != 0) {
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
    if (!Showable()) return false;
    const int32_t end = image_.viewHeight - kViewHeight;
    if (position_.scrollY >= end) {
        GoNextPage();
        return false;
    }
    bool moving = true;
    if (int64_t{position_.scrollY} + kViewHeight + kCreepPixels < image_.viewHeight) {
        position_.scrollY += kCreepPixels;
    } else {
        position_.scrollY = end;
        moving = false;
    }
    if (reading_.menuShown && portrait() && AtFarEnd()) {
        KeepEndAboveMenu();
        moving = false;
    }
    Redraw();
    return moving;
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
    if (!Showable()) return false;
    const int32_t end = image_.viewWidth - kViewWidth;
    if (position_.scrollX >= end) {
        GoNextPage();
        return false;
    }
    bool moving = true;
    if (int64_t{position_.scrollX} + kViewWidth + kCreepPixels < image_.viewWidth) {
        position_.scrollX += kCreepPixels;
    } else {
        position_.scrollX = end;
        moving = false;
    }
    if (reading_.menuShown && !portrait() && AtFarEnd()) {
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
