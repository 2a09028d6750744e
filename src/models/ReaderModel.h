// The reader: the open book, its page image, the viewer's copies of the
// settings and the reading state, with the operations that change them. The
// viewer window paints what this holds and turns events into its operations.
// No Qt: timers come from the port layer (with the model as their owner) and
// repainting and the way back to the library from the ReaderHost.
#pragma once

#include <cstdint>
#include <string_view>

#include "book/BookState.h"
#include "book/PageImage.h"
#include "models/OpenRequest.h"
#include "models/ReaderHost.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"
#include "settings/ViewOption.h"

namespace inkvista {

class JsonValue;

// The overlays over the page. `menuShown` is kept from book to book.
struct ReadingState {
    int menuShown = 1;       // the status bar
    int lastPageNotice = 0;  // the "This is the last page" box
    int jumpPanelShown = 0;  // the page-jump panel
    int32_t jumpTarget = 0;  // the page the jump panel points at, from 0
};

struct AutoScrollState {
    int autoScrollOn = 0;
};

class ReaderModel {
  public:
    ReaderModel(Device& device, ReaderHost& host);
    ReaderModel(const ReaderModel&) = delete;
    ReaderModel& operator=(const ReaderModel&) = delete;

    // ---- Opening and closing --------------------------------------------

    // The viewer's part of SwitchScreen(1002): OpenBook, copies of the
    // settings, the request's bookmark page as currentPage, LoadPage. A book
    // still open is closed first. On false the failure's message has been
    // shown (the opener's own, or "File Open Failed" for a page that does not
    // load) and the model is closed with an empty book state; its page fields
    // and settings copies are as they were before the call.
    bool Open(const OpenRequest& request, const BookFolders& folders, TextConversion conversion,
              const ViewOption& viewOption, const KeyMap& keyMap);
    // Opens `fileName` of folder slot `slotNumber` (1..5); no page is loaded.
    // On false the message has been shown and the book state is empty.
    bool OpenBook(std::u16string_view fileName, int slotNumber, BookKind kind,
                  const BookFolders& folders, TextConversion conversion);
    // Decodes page currentPage with the settings copies; false without an
    // open book.
    bool LoadPage();
    // Releases the page table and the page buffers and stops auto scroll.
    // The page fields keep their values.
    void CloseBook();
    // CloseBook, then back to the library through the host:
    // SwitchScreen(1001, keepPage).
    void CloseAndReturn(bool keepPage);

    // ---- Auto scroll ----------------------------------------------------

    // Auto scroll on or off: the flag the main window pauses and resumes.
    void ToggleAutoScroll();

    // ---- State ----------------------------------------------------------

    bool isOpen() const { return open_; }
    const BookState& book() const { return book_; }
    const PageImage& image() const { return image_; }
    int32_t currentPage() const { return image_.currentPage; }
    const ViewOption& viewOption() const { return viewOption_; }
    const KeyMap& keyMap() const { return keyMap_; }
    bool portrait() const { return viewOption_.portrait != 0; }
    const ReadingState& reading() const { return reading_; }
    const AutoScrollState& autoScroll() const { return autoScroll_; }

    // The members of the script state's "viewer" object.
    void WriteState(JsonValue& viewer) const;

  private:
    Device& device_;
    ReaderHost& host_;

    // Open book.
    bool open_ = false;
    BookState book_;
    // Page image: currentPage, the decoded page, its view and scroll position.
    PageImage image_;
    // Settings copies, taken at each opening.
    ViewOption viewOption_;
    KeyMap keyMap_;
    // Reading state.
    ReadingState reading_;
    // Auto scroll.
    AutoScrollState autoScroll_;
};

}  // namespace inkvista
