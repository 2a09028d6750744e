// Where the reader is: page turns and their failure, the scroll steps with
// their snap and animation, the bar, the orientation, the page-jump panel,
// the held page buttons of the bar.
#include <algorithm>
#include <optional>

#include "models/ReaderModel.h"

namespace inkvista {

namespace {

// A step of at most this many pixels leaves no sliver of up to kSnap pixels
// for the next one.
constexpr int64_t kSnapRangeLimit = 200;
constexpr int64_t kSnap = 40;

// The animation's increments start here and grow by kIncrementGrowth while
// they are at most kIncrementLimit.
constexpr int32_t kFirstIncrement = 12;
constexpr int32_t kIncrementGrowth = 12;
constexpr int32_t kIncrementLimit = 80;

}  // namespace

// ---------------------------------------------------------------------------
// Page turns

void ReaderModel::TurnTo(int32_t page) {
    position_.currentPage = page;
    const PageError error = LoadPage();
    if (error == PageError::None) {
        Redraw();
    } else {
        ReportPageFailure(error);
    }
}

void ReaderModel::GoNextPage() {
    if (!Showable()) return;
    if (static_cast<uint32_t>(position_.currentPage) + 1 < static_cast<uint32_t>(book_.pageCount)) {
        TurnTo(position_.currentPage + 1);
        return;
    }
    reading_.lastPageNotice = 1;
    Redraw();
}

void ReaderModel::GoPrevPage() {
    if (!Showable() || position_.currentPage <= 0) return;
    TurnTo(position_.currentPage - 1);
}

void ReaderModel::GoFirstPage() {
    if (!Showable()) return;
    TurnTo(0);
}

void ReaderModel::GoLastPage() {
    if (!Showable() || book_.pageCount <= 0) return;
    TurnTo(book_.pageCount - 1);
}

bool ReaderModel::CardRootPath(std::u16string* path) const {
    const std::optional<size_t> card = CardOf(book_.slot);
    if (!card) return false;
    *path = u"\\" + folders_.cardNames[*card];
    return true;
}

void ReaderModel::ReportPageFailure(PageError error) {
    // The repeats stop before the message boxes, whose own message loop would
    // otherwise let them turn (and fail) again behind them.
    StopRepeatTimers();
    const char16_t* text = u"File Open Failed.";
    std::u16string cardRoot;
    if (CardRootPath(&cardRoot)) {
        FindData found;
        FindHandle search =
            cardRoot.size() > 1 ? device_.files().FindFirst(cardRoot, &found) : FindHandle();
        if (search) {
            search.Close();
        } else {
            text = u"Check the Memory Card Insertion";
        }
    }
    TellPageFailure(error, text);
    CloseBook();
    host_.ReturnToLibrary(false);
}

// ---------------------------------------------------------------------------
// Scroll steps

bool ReaderModel::AtFarEnd() const {
    if (portrait()) return position_.scrollY >= image_.viewHeight - kScreenHeight;
    return position_.scrollX >= image_.viewWidth - kScreenWidth;
}

void ReaderModel::KeepEndAboveMenu() {
    const int32_t bar = reading_.menuShown ? kBarThickness : 0;
    if (portrait()) {
        position_.scrollY = std::max(0, image_.viewHeight - (kScreenHeight - bar));
    } else {
        position_.scrollX = std::max(0, image_.viewWidth - (kScreenWidth - bar));
    }
}

void ReaderModel::Animate(int32_t& position, int32_t start, int32_t final) {
    if (!view_.smoothScroll) return;
    const int savedMenu = reading_.menuShown;
    reading_.menuShown = 0;
    position = start;
    const int32_t direction = final > start ? 1 : -1;
    if (final != start) {
        int32_t increment = kFirstIncrement;
        do {
            if (increment <= kIncrementLimit) increment += kIncrementGrowth;
            AnimationFrame();
            position += direction * increment;
        } while (direction > 0 ? position < final : position > final);
    }
    position = final;
    reading_.menuShown = savedMenu;
}

void ReaderModel::StepForward(bool vertical) {
    int32_t& position = vertical ? position_.scrollY : position_.scrollX;
    const int64_t extent = vertical ? image_.viewHeight : image_.viewWidth;
    const int64_t window = vertical ? kScreenHeight : kScreenWidth;
    const int64_t range = view_.scrollRange;
    const int32_t start = position;
    const int64_t end = extent - window;
    const int64_t target = int64_t{start} + range;
    int64_t next = end;
    if (target + window < extent) {
        next = target;
        if (range <= kSnapRangeLimit && extent <= target + window + kSnap) next = end;
    }
    position = static_cast<int32_t>(next);
    const bool barSide = vertical ? portrait() : !portrait();
    if (reading_.menuShown && barSide && AtFarEnd()) KeepEndAboveMenu();
    Animate(position, start, position);
    Redraw();
}

void ReaderModel::StepBackward(bool vertical) {
    int32_t& position = vertical ? position_.scrollY : position_.scrollX;
    const int64_t range = view_.scrollRange;
    const int32_t start = position;
    const int64_t target = int64_t{start} - range;
    int64_t next = 0;
    if (target >= 0) {
        next = target;
        if (range <= kSnapRangeLimit && target <= kSnap) next = 0;
    }
    position = static_cast<int32_t>(next);
    Animate(position, start, position);
    Redraw();
}

void ReaderModel::StepDown() {
    if (!Showable()) return;
    if (position_.scrollY >= image_.viewHeight - kScreenHeight) {
        if (image_.viewHeight < image_.viewWidth) return;
        portrait() ? GoNextPage() : GoPrevPage();
        return;
    }
    StepForward(true);
}

void ReaderModel::StepUp() {
    if (!Showable()) return;
    if (position_.scrollY <= 0) {
        if (image_.viewHeight < image_.viewWidth) return;
        portrait() ? GoPrevPage() : GoNextPage();
        return;
    }
    StepBackward(true);
}

void ReaderModel::StepRight() {
    if (!Showable()) return;
    if (position_.scrollX >= image_.viewWidth - kScreenWidth) {
        if (image_.viewWidth >= image_.viewHeight) GoNextPage();
        return;
    }
    StepForward(false);
}

void ReaderModel::StepLeft() {
    if (!Showable()) return;
    if (position_.scrollX <= 0) {
        if (image_.viewWidth >= image_.viewHeight) GoPrevPage();
        return;
    }
    StepBackward(false);
}

// ---------------------------------------------------------------------------
// Bar and orientation

void ReaderModel::ToggleMenu() {
    if (!Showable() || autoScroll_.autoScrollOn) return;
    reading_.jumpPanelShown = 0;
    reading_.pageButtonHeld = 0;
    reading_.menuShown = reading_.menuShown ? 0 : 1;
    if (AtFarEnd()) KeepEndAboveMenu();
    Redraw();
}

void ReaderModel::ToggleViewMode() {
    if (!Showable()) return;
    const int32_t oldX = position_.scrollX;
    const int32_t oldY = position_.scrollY;
    view_.portrait = !view_.portrait;
    if (const PageError error = LoadPage(); error != PageError::None) {
        TellPageFailure(error, u"CMC Data Open Failed");
        return;
    }
    if (portrait()) {
        position_.scrollY = oldX;
    } else {
        position_.scrollX = oldY;
    }
    if (AtFarEnd()) KeepEndAboveMenu();
    Redraw();
}

// ---------------------------------------------------------------------------
// Page-jump panel

void ReaderModel::ShowJumpPanel() {
    if (!Showable()) return;
    reading_.jumpPanelShown = 1;
    reading_.jumpTarget = position_.currentPage;
    Redraw();
}

void ReaderModel::HideJumpPanel() {
    if (!Showable()) return;
    reading_.jumpPanelShown = 0;
    Redraw();
}

void ReaderModel::StepJumpTarget(int32_t step) {
    if (!Showable()) return;
    const int32_t before = reading_.jumpTarget;
    const int64_t next = int64_t{before} + step;
    if (next < 0) {
        reading_.jumpTarget = 0;
        reading_.jumpRepeatStep = 0;
    } else if (next >= book_.pageCount) {
        reading_.jumpTarget = std::max(0, book_.pageCount - 1);
        reading_.jumpRepeatStep = 0;
    } else {
        reading_.jumpTarget = static_cast<int32_t>(next);
        reading_.jumpRepeatStep = step;
    }
    reading_.jumpRepeatTimer = device_.timers().SetTimer(
        this, kJumpRepeatTimerId, kJumpRepeatPeriodMs, [this] { OnJumpRepeatTick(); });
    if (reading_.jumpTarget == before) return;
    reading_.jumpArrowLit = 1;
    reading_.litJumpArrow = JumpArrowFor(step);
    Redraw();
}

void ReaderModel::OnJumpRepeatTick() {
    if (!Showable()) return;
    const int32_t before = reading_.jumpTarget;
    const int64_t next = int64_t{before} + reading_.jumpRepeatStep;
    reading_.jumpTarget =
        static_cast<int32_t>(std::clamp<int64_t>(next, 0, std::max(0, book_.pageCount - 1)));
    if (reading_.jumpTarget != before) Redraw();
}

void ReaderModel::CommitJump() {
    if (!Showable()) return;
    reading_.jumpArrowLit = 0;
    const int32_t shown = position_.currentPage;
    position_.currentPage = reading_.jumpTarget;
    const PageError error = LoadPage();
    if (error == PageError::None) {
        Redraw();
        return;
    }
    // The page that is still shown stays the current one, so the counter
    // and a bookmark saved later name the page the reader sees.
    position_.currentPage = shown;
    TellPageFailure(error, u"CMC Data Open Failed");
    Redraw();
}

// ---------------------------------------------------------------------------
// Held page buttons of the bar

void ReaderModel::PressPageButton(PageButton which) {
    if (!Showable()) return;
    reading_.pageButtonHeld = 1;
    reading_.heldPageButton = which;
    which == PageButton::Previous ? GoPrevPage() : GoNextPage();
    // A turn that failed has closed the book: nothing is left to repeat.
    if (!open_) return;
    reading_.pageButtonTimer = device_.timers().SetTimer(
        this, kPageButtonTimerId, kPageButtonPeriodMs, [this] { OnPageButtonTick(); });
}

void ReaderModel::OnPageButtonTick() {
    if (!Showable()) return;
    if (reading_.heldPageButton == PageButton::Previous) {
        GoPrevPage();
    } else if (reading_.heldPageButton == PageButton::Next) {
        GoNextPage();
    }
}

void ReaderModel::ReleasePageButton() {
    if (reading_.pageButtonTimer != 0) device_.timers().KillTimer(this, kPageButtonTimerId);
    reading_.pageButtonTimer = 0;
    reading_.pageButtonHeld = 0;
    if (Showable()) Redraw();
}

void ReaderModel::StopRepeatTimers() {
    if (reading_.jumpRepeatTimer != 0) device_.timers().KillTimer(this, kJumpRepeatTimerId);
    reading_.jumpRepeatTimer = 0;
    if (reading_.pageButtonTimer != 0) device_.timers().KillTimer(this, kPageButtonTimerId);
    reading_.pageButtonTimer = 0;
}

}  // namespace inkvista
