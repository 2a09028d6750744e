// The reader: the open book, its page image, the viewer's copies of the
// settings, the reading, input and auto-scroll state, with the operations
// that change them. The viewer window paints what this holds and turns
// events into its operations. No Qt: timers come from the port layer (with
// the model as their owner) and repainting and the way back to the library
// from the ReaderHost.
//
// Every operation acts only on an open book; on a closed one it does
// nothing. Operations that change what is shown end by repainting at once
// (ReaderHost::Redraw).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "book/BookState.h"
#include "book/PageDecoder.h"
#include "book/PageImage.h"
#include "models/OpenRequest.h"
#include "models/ReaderHost.h"
#include "models/ReaderLayout.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"
#include "settings/ViewOption.h"

namespace inkvista {

class JsonValue;

// The viewer's window timers.
constexpr unsigned kAutoScrollTimerId = 2;
constexpr unsigned kJumpRepeatTimerId = 3;
constexpr unsigned kPageButtonTimerId = 4;
constexpr unsigned kJumpRepeatPeriodMs = 100;
constexpr unsigned kPageButtonPeriodMs = 500;
// Continuous auto scroll: the period while the view moves, and the pause at
// a page's end and at a new page's start.
constexpr unsigned kCreepPeriodMs = 5;
constexpr unsigned kCreepPausePeriodMs = 1000;

// The control panel's back-light values and the event that makes the system
// read them again.
inline constexpr std::u16string_view kBacklightKey = u"ControlPanel\\Backlight";
inline constexpr std::u16string_view kBatteryTimeoutValue = u"BatteryTimeout";
inline constexpr std::u16string_view kBatteryTimeoutUncheckedValue = u"BatteryTimeoutUnchecked";
inline constexpr std::u16string_view kBacklightChangeEvent = u"BackLightChangeEvent";

// What a key action resolves to in the viewer.
enum class ViewerCommand {
    None,
    StepUp,
    StepDown,
    StepLeft,
    StepRight,
    GoPrevPage,
    GoNextPage,
    GoFirstPage,
    GoLastPage,
    ToggleMenu,
    ToggleViewMode,
    ToggleAutoScroll,
};

// What a frame draws over the page: the overlays and the held looks of the
// bar and the panel. An input that changes one of them without a repaint of
// its own repaints.
struct ShownOverlays {
    bool menuShown = true;        // the status bar
    bool lastPageNotice = false;  // the "This is the last page" box
    bool jumpPanelShown = false;  // the page-jump panel
    bool jumpArrowLit = false;    // the last pressed jump arrow is drawn pressed
    bool pageButtonHeld = false;  // a page button of the bar is held

    bool operator==(const ShownOverlays&) const = default;
};

// The overlays with what they show and the repeats of the held controls.
// `menuShown` is kept from book to book.
struct ReadingState : ShownOverlays {
    int32_t jumpTarget = 0;  // the page the jump panel points at, from 0
    JumpArrow litJumpArrow = JumpArrow::None;
    unsigned jumpRepeatTimer = 0;
    int32_t jumpRepeatStep = 0;
    PageButton heldPageButton = PageButton::None;
    unsigned pageButtonTimer = 0;
};

// Where the reader is: the page shown (from 0) and the view's place in the
// page image.
struct ReadingPosition {
    int32_t currentPage = 0;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
};

// Where the stylus last went down or dragged to.
struct InputState {
    int32_t lastTapX = 0;
    int32_t lastTapY = 0;
};

struct AutoScrollState {
    unsigned autoScrollTimer = 0;
    bool autoScrollOn = false;
    // BatteryTimeout as read when auto scroll started; 0: nothing was changed.
    uint32_t savedBatteryTimeout = 0;
    bool menuShownBeforeAutoScroll = false;
    // The period timer 2 was armed with, while it is armed.
    unsigned periodMs = 0;
};

class ReaderModel {
  public:
    ReaderModel(Device& device, ReaderHost& host);
    // Stops the timers as CloseBook does, giving the back-light back.
    ~ReaderModel();
    ReaderModel(const ReaderModel&) = delete;
    ReaderModel& operator=(const ReaderModel&) = delete;

    // The key code of the first hardware button (hotKeyBase), from the main
    // window's device check.
    void SetHotKeyBase(uint32_t hotKeyBase) { hotKeyBase_ = hotKeyBase; }
    uint32_t hotKeyBase() const { return hotKeyBase_; }

    // ---- Opening and closing (ReaderModel.cpp) --------------------------

    // The viewer's part of opening the requested book: OpenBook, copies of the
    // settings, the request's bookmark page as currentPage (the first page
    // when the bookmark lies outside the book), LoadPage. `folders` are
    // those of the library's last scan; a book on a card is looked for
    // there when a page fails. A book still open is closed first. On false
    // the host has been told the failure's messages (the opener's own, or
    // the page's and "File Open Failed" for a page that does not load) and
    // the model is closed with an empty book state; its page fields and
    // settings copies are as they were before the call.
    bool Open(const OpenRequest& request, const BookFolders& folders, TextConversion conversion,
              const ViewOption& viewOption, const KeyMap& keyMap);
    // Decodes page currentPage with the settings copies and answers why it
    // did not load (NotInBook without an open book). On an error the page
    // image is left as it was, so what is shown stays whole. Tells nothing:
    // the operation that loaded the page decides what the user hears.
    PageError LoadPage();
    // While the reader reads: decodes the page the next turn in the
    // direction of the last one shows, so that turn only draws. The page
    // just left is kept too, for a turn back. A page that does not load is
    // left for its turn to tell; nothing is kept of pages above
    // kSparePageBytes, nor decoded ahead of one. Tells nothing.
    void PrepareNextTurn();
    // Drops the pages kept for turns (a benchmark of decoding does).
    void ForgetSparePages();
    static constexpr size_t kSparePageBytes = size_t{8} << 20;
    // Releases the page table and the page buffers, stops auto scroll
    // (giving the back-light back; the bar stays hidden) and the repeat
    // timers. The page fields keep their values.
    void CloseBook();
    // CloseBook, then back to the library through the host
    // (ReturnToLibrary(keepPage)).
    void CloseAndReturn(bool keepPage);

    // ---- Navigation (ReaderNavigation.cpp) ------------------------------

    void GoNextPage();
    void GoPrevPage();
    void GoFirstPage();
    void GoLastPage();
    // One scroll step of scrollRange pixels along a screen axis, snapping to
    // the end within 40 pixels (steps up to 200), animated with
    // smoothScroll; at the end of the page's longer axis the page turns.
    void StepUp();
    void StepDown();
    void StepLeft();
    void StepRight();
    // The view is at the reader's bottom end of the page.
    bool AtFarEnd() const;
    // Puts the view at the reader's bottom end, just before the bar when it
    // is shown.
    void KeepEndAboveMenu();
    void ToggleMenu();
    // Portrait/landscape for the open book only; the position along the
    // reader's vertical axis is carried over.
    void ToggleViewMode();
    void ShowJumpPanel();
    void HideJumpPanel();
    // step: -10, -1, +1 or +10; starts the 100 ms repeat (timer 3).
    void StepJumpTarget(int32_t step);
    void CommitJump();
    // Turns once and starts the 500 ms repeat (timer 4).
    void PressPageButton(PageButton which);
    void ReleasePageButton();
    // "\NAME" of the book's storage card for a book on a card.
    bool CardRootPath(std::u16string* path) const;

    // ---- Input (ReaderInput.cpp) ----------------------------------------

    void OnTapDown(int32_t x, int32_t y);
    // A move of the stylus while it is down.
    void OnDrag(int32_t x, int32_t y);
    void OnRelease();
    void OnDoubleTap();
    // A key press; false when the key does nothing here (default processing).
    bool OnKey(uint32_t virtualKey);
    // A key press that stands for `command` (the desktop's page keys); false
    // for None.
    bool OnKeyCommand(ViewerCommand command);
    // WM_USER + 2: hardware button `code`.
    void OnHardwareButton(uint32_t code);
    // WM_USER + 3: the book closes without a bookmark.
    void OnCloseRequest();
    // The action of a direction key's KeyMap entry in this orientation.
    uint32_t DirectionKeyAction(uint32_t virtualKey) const;
    ViewerCommand ResolveAction(uint32_t action) const;
    void Execute(ViewerCommand command);

    // ---- Auto scroll (ReaderAutoScroll.cpp) -----------------------------

    // Auto scroll on or off; also the main window's pause and resume.
    void ToggleAutoScroll();
    // Continuous scrolling by 3 pixels; true while still moving.
    bool CreepDown();
    bool CreepUp();
    bool CreepRight();
    // BatteryTimeout of the control panel, 0 when it cannot be read.
    uint32_t ReadBatteryTimeout();
    // restore false: the light stays on; true: the saved time-out is back.
    void HoldBacklight(bool restore);

    // ---- State ----------------------------------------------------------

    bool isOpen() const { return open_; }
    const BookState& book() const { return book_; }
    const PageImage& image() const { return image_; }
    const ReadingPosition& position() const { return position_; }
    int32_t currentPage() const { return position_.currentPage; }
    // The view settings copied at the opening (the orientation changes with
    // ToggleViewMode).
    const ViewSettings& view() const { return view_; }
    const KeyMap& keyMap() const { return keyMap_; }
    bool portrait() const { return view_.portrait; }
    const ReadingState& reading() const { return reading_; }
    const InputState& input() const { return input_; }
    const AutoScrollState& autoScroll() const { return autoScroll_; }
    // Frames composed: each Redraw and each frame of a smooth step.
    uint64_t framesPainted() const { return framesPainted_; }

    // The members of the script state's "viewer" object.
    void WriteState(JsonValue& viewer) const;

  private:
    // Repaints and counts the frame.
    void Redraw();
    void AnimationFrame();
    bool Showable() const { return open_ && failure_ == PageError::None; }
    bool OpenBook(std::u16string_view fileName, FolderSlot slot, BookKind kind,
                  const BookFolders& folders, TextConversion conversion);
    // The host shows `text` (nothing for null).
    void Tell(const char16_t* text);
    // A page that did not load, told as the page's own message and then
    // `then`; the model keeps the failure while they are up.
    void TellPageFailure(PageError error, const char16_t* then);

    // Navigation.
    void ReportPageFailure(PageError error);
    void TurnTo(int32_t page);
    void StepForward(bool vertical);
    void StepBackward(bool vertical);
    void Animate(int32_t& position, int32_t start, int32_t final);
    void StopRepeatTimers();
    void OnJumpRepeatTick();
    void OnPageButtonTick();

    // Input.
    bool StopAutoScrollOnInput(bool restoreMenu);
    void SettleHeldRepeats(bool releaseButton);
    void TapPanel(int32_t x, int32_t y);
    bool TapBar(const OverlayZone& zone);
    bool TapPage(int32_t x, int32_t y);
    void KeyPrelude();
    void RedrawIfStale(uint64_t framesBefore);

    // Auto scroll.
    // Continuous scrolling forward along one axis: `position` in a page
    // `extent` long, shown `window` at a time; `barSide` when the bar lies
    // across that axis's end.
    bool CreepForward(int32_t& position, int32_t extent, int32_t window, bool barSide);
    void StopAutoScroll();
    void OnAutoScrollTick();
    ViewerCommand AutoScrollDirection() const;

    Device& device_;
    ReaderHost& host_;
    uint32_t hotKeyBase_ = kHotKeyBaseDefault;

    // Open book, and the folders of the library scan it came from.
    bool open_ = false;
    BookState book_;
    BookFolders folders_;
    // The decoded page, and where the reader is in the book and the page.
    PageImage image_;
    ReadingPosition position_;
    // Which page `image_` is, with which view; -1 before the first.
    int32_t shownPage_ = -1;
    PageView shownView_;
    // Decoded pages besides the shown one: the one left and the one ahead.
    // Each with the size its book file had when it was decoded: a file
    // that changed since (cut short, replaced, gone) is read again, and
    // fails as it would have.
    struct SparePage {
        int32_t page = -1;
        PageView view;
        uint64_t fileSize = 0;
        PageImage image;
    };
    uint64_t shownFileSize_ = 0;
    std::array<SparePage, 2> spares_;
    // -1 after a turn one page back, +1 after any other change of page.
    int32_t lastTurn_ = 1;
    // The book file's size now; nullopt when it cannot be opened.
    std::optional<uint64_t> BookFileSize();
    // The shown page's fields without its pixels, for a page to decode into.
    PageImage ShownPageFields();
    // The kept page `page` in `view`, or null.
    SparePage* FindSpare(int32_t page, PageView view);
    void KeepSpare(int32_t page, PageView view, uint64_t fileSize, PageImage&& image);
    // Settings copies, taken at each opening.
    ViewSettings view_;
    KeyMap keyMap_;
    ReadingState reading_;
    InputState input_;
    AutoScrollState autoScroll_;
    uint64_t framesPainted_ = 0;
    // The page failure being told to the user: the host's message boxes run
    // a message loop, and no timer, hot key or input may act behind them.
    PageError failure_ = PageError::None;
};

}  // namespace inkvista
