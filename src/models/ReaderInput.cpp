// What the stylus, the keys and the hardware buttons do in the viewer: taps
// on the bar, the jump panel and the page's edges, dragging, and key actions
// resolved by orientation and page size.
#include <algorithm>

#include "models/ReaderModel.h"
#include "settings/KeyAction.h"

namespace inkvista {

// ---------------------------------------------------------------------------
// Shared steps

bool ReaderModel::StopAutoScrollOnInput(bool restoreMenu) {
    if (autoScroll_.autoScrollTimer == 0) return false;
    StopAutoScroll();
    if (restoreMenu) reading_.menuShown = autoScroll_.menuShownBeforeAutoScroll;
    return true;
}

void ReaderModel::SettleHeldRepeats(bool releaseButton) {
    if (reading_.jumpRepeatTimer != 0) {
        device_.timers().KillTimer(this, kJumpRepeatTimerId);
        reading_.jumpRepeatTimer = 0;
        CommitJump();
    }
    if (reading_.pageButtonTimer != 0) {
        if (releaseButton) {
            ReleasePageButton();
        } else {
            device_.timers().KillTimer(this, kPageButtonTimerId);
            reading_.pageButtonTimer = 0;
            Redraw();
        }
    }
}

void ReaderModel::KeyPrelude() {
    reading_.jumpPanelShown = 0;
    reading_.pageButtonHeld = 0;
    reading_.lastPageNotice = 0;
}

// Flags an input cleared without a repaint of its own would leave the old
// frame on the screen: the screen always shows the state an input leaves.
void ReaderModel::RedrawIfStale(uint64_t framesBefore) {
    if (open_ && framesPainted_ == framesBefore) Redraw();
}

// ---------------------------------------------------------------------------
// The stylus

void ReaderModel::TapPanel(int32_t x, int32_t y) {
    const OverlayZone* zone = ZoneAt(LayoutFor(portrait()).panelZones, x, y);
    if (!zone) {
        HideJumpPanel();
    } else if (zone->part == OverlayPart::StepJump) {
        StepJumpTarget(zone->step);
    }
}

// False when the tap closed the book.
bool ReaderModel::TapBar(const OverlayZone& zone) {
    switch (zone.part) {
        case OverlayPart::HideBar:
            ToggleMenu();
            break;
        case OverlayPart::Close:
            CloseAndReturn(true);
            return false;
        case OverlayPart::TurnPage:
            PressPageButton(zone.button);
            break;
        case OverlayPart::Counter:
            ShowJumpPanel();
            break;
        default:  // the fields that only show
            break;
    }
    return true;
}

// The page itself: the hidden bar's strip and the edge zones. False when
// the tap did nothing there.
bool ReaderModel::TapPage(int32_t x, int32_t y) {
    if (!reading_.menuShown && OnHiddenBar(portrait(), x, y)) {
        ToggleMenu();
        return true;
    }
    if (!view_.tabScroll) return false;
    if (x < kEdgeZones.left) {
        StepLeft();
    } else if (x > kEdgeZones.right) {
        StepRight();
    } else if (y < kEdgeZones.top) {
        StepUp();
    } else if (y > kEdgeZones.bottom) {
        StepDown();
    } else {
        return false;
    }
    return true;
}

void ReaderModel::OnTapDown(int32_t x, int32_t y) {
    if (!Showable()) return;
    const uint64_t framesBefore = framesPainted_;
    const ShownOverlays before = reading_;
    const bool wasRunning = StopAutoScrollOnInput(false);
    // A button held without its release seen does not stay drawn held.
    if (reading_.pageButtonTimer != 0) reading_.pageButtonHeld = 0;
    StopRepeatTimers();
    reading_.lastPageNotice = 0;

    const OverlayZone* barZone = ZoneAt(LayoutFor(portrait()).barZones, x, y);
    if (reading_.menuShown && reading_.jumpPanelShown) {
        TapPanel(x, y);
    } else if (reading_.menuShown && barZone) {
        if (!TapBar(*barZone)) return;
    } else if (!wasRunning) {
        TapPage(x, y);
    }
    if (!open_) return;  // a page turn failed and closed the book
    if (wasRunning) {
        reading_.menuShown = autoScroll_.menuShownBeforeAutoScroll;
        if (reading_.menuShown) {
            if (AtFarEnd()) KeepEndAboveMenu();
            Redraw();
        }
    }
    if (ShownOverlays(reading_) != before) RedrawIfStale(framesBefore);
    input_.lastTapX = x;
    input_.lastTapY = y;
}

void ReaderModel::OnDrag(int32_t x, int32_t y) {
    if (!Showable() || reading_.jumpPanelShown || reading_.pageButtonHeld) return;
    const bool bar = reading_.menuShown;
    const int32_t visibleX = (bar && !portrait()) ? kScreenWidth - kBarThickness : kScreenWidth;
    const int32_t visibleY = (bar && portrait()) ? kScreenHeight - kBarThickness : kScreenHeight;
    const int64_t dx = int64_t{x} - input_.lastTapX;
    const int64_t dy = int64_t{y} - input_.lastTapY;
    // The page follows the stylus, along each axis it does not fit.
    auto follow = [](int32_t& scroll, int64_t delta, int32_t extent, int32_t visible) {
        if (delta > 0) {
            scroll = static_cast<int32_t>(std::max<int64_t>(0, scroll - delta));
        } else if (delta < 0) {
            scroll = static_cast<int32_t>(std::min<int64_t>(scroll - delta, extent - visible));
        }
    };
    const bool wide = image_.viewWidth > visibleX;
    const bool tall = image_.viewHeight > visibleY;
    if (wide) follow(position_.scrollX, dx, image_.viewWidth, visibleX);
    if (tall) follow(position_.scrollY, dy, image_.viewHeight, visibleY);
    if (wide || tall) Redraw();
    input_.lastTapX = x;
    input_.lastTapY = y;
}

void ReaderModel::OnRelease() {
    if (!Showable()) return;
    SettleHeldRepeats(true);
}

void ReaderModel::OnDoubleTap() {
    if (!Showable()) return;
    const uint64_t framesBefore = framesPainted_;
    const ShownOverlays before = reading_;
    KeyPrelude();
    StopAutoScrollOnInput(true);
    SettleHeldRepeats(false);
    if (ShownOverlays(reading_) != before) RedrawIfStale(framesBefore);
}

// ---------------------------------------------------------------------------
// Keys and buttons

bool ReaderModel::OnKey(uint32_t virtualKey) {
    if (!Showable()) return false;
    const uint64_t framesBefore = framesPainted_;
    const ShownOverlays before = reading_;
    KeyPrelude();
    StopAutoScrollOnInput(true);
    SettleHeldRepeats(false);
    const ViewerCommand command = ResolveAction(DirectionKeyAction(virtualKey));
    if (command != ViewerCommand::None) Execute(command);
    if (ShownOverlays(reading_) != before) RedrawIfStale(framesBefore);
    return command != ViewerCommand::None;
}

bool ReaderModel::OnKeyCommand(ViewerCommand command) {
    if (!Showable() || command == ViewerCommand::None) return false;
    const uint64_t framesBefore = framesPainted_;
    const ShownOverlays before = reading_;
    KeyPrelude();
    StopAutoScrollOnInput(true);
    SettleHeldRepeats(false);
    Execute(command);
    if (ShownOverlays(reading_) != before) RedrawIfStale(framesBefore);
    return true;
}

void ReaderModel::OnHardwareButton(uint32_t code) {
    if (!Showable()) return;
    const uint64_t framesBefore = framesPainted_;
    const ShownOverlays before = reading_;
    KeyPrelude();
    SettleHeldRepeats(false);
    const int index = HotKeyIndex(code, hotKeyBase_);
    if (index >= 0) Execute(ResolveAction(keyMap_.hotKey(index)));
    if (ShownOverlays(reading_) != before) RedrawIfStale(framesBefore);
}

void ReaderModel::OnCloseRequest() {
    if (!Showable()) return;
    CloseAndReturn(false);
}

uint32_t ReaderModel::DirectionKeyAction(uint32_t virtualKey) const {
    return inkvista::DirectionKeyAction(keyMap_, virtualKey, portrait());
}

ViewerCommand ReaderModel::ResolveAction(uint32_t action) const {
    using C = ViewerCommand;
    const int32_t w = image_.viewWidth;
    const int32_t h = image_.viewHeight;
    const bool wide = w > kScreenWidth;
    const bool tall = h > kScreenHeight;
    const bool p = portrait();
    switch (action) {
        case ScrollUp:
            if (p)
                return h >= w ? (tall ? C::StepUp : C::GoPrevPage)
                              : (wide ? C::StepLeft : C::GoPrevPage);
            return w < h ? (tall ? C::StepDown : C::GoPrevPage)
                         : (wide ? C::StepLeft : C::GoPrevPage);
        case ScrollDown:
            if (p)
                return h >= w ? (tall ? C::StepDown : C::GoNextPage)
                              : (wide ? C::StepRight : C::GoNextPage);
            return w < h ? (tall ? C::StepUp : C::GoNextPage)
                         : (wide ? C::StepRight : C::GoNextPage);
        case ScrollLeft:
            if (p) return wide ? C::StepLeft : C::None;
            return tall ? C::StepDown : C::None;
        case ScrollRight:
            if (p) return wide ? C::StepRight : C::None;
            return tall ? C::StepUp : C::None;
        case PrevPage:
            return C::GoPrevPage;
        case NextPage:
            return C::GoNextPage;
        case FirstPage:
            return C::GoFirstPage;
        case EndPage:
            return C::GoLastPage;
        case MenuOnOff:
            return C::ToggleMenu;
        case ViewModeChange:
            return C::ToggleViewMode;
        case AutoScrollOnOff:
            return C::ToggleAutoScroll;
        default:  // NoMapping and codes no key action has
            return C::None;
    }
}

void ReaderModel::Execute(ViewerCommand command) {
    switch (command) {
        case ViewerCommand::None:
            break;
        case ViewerCommand::StepUp:
            StepUp();
            break;
        case ViewerCommand::StepDown:
            StepDown();
            break;
        case ViewerCommand::StepLeft:
            StepLeft();
            break;
        case ViewerCommand::StepRight:
            StepRight();
            break;
        case ViewerCommand::GoPrevPage:
            GoPrevPage();
            break;
        case ViewerCommand::GoNextPage:
            GoNextPage();
            break;
        case ViewerCommand::GoFirstPage:
            GoFirstPage();
            break;
        case ViewerCommand::GoLastPage:
            GoLastPage();
            break;
        case ViewerCommand::ToggleMenu:
            ToggleMenu();
            break;
        case ViewerCommand::ToggleViewMode:
            ToggleViewMode();
            break;
        case ViewerCommand::ToggleAutoScroll:
            ToggleAutoScroll();
            break;
    }
}

}  // namespace inkvista
