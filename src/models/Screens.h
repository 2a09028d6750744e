// The two full-screen surfaces and the passages between them.
#pragma once

namespace inkvista {

// Child window ids of the main window.
constexpr int kListWindowId = 1001;
constexpr int kViewerWindowId = 1002;

// The main window's passages between the surfaces, as the list and the
// viewer reach them.
class ScreenSwitcher {
  public:
    virtual ~ScreenSwitcher() = default;
    // The list's open request opens in the viewer, which then covers the
    // screen; a book that does not open leaves the home screen as it was.
    virtual void OpenRequestedBook() = 0;
    // Back from the viewer to the home screen. With `keepPage` the page
    // being read is saved as the book's bookmark; without, the list is
    // refreshed with its first row selected.
    virtual void ReturnToLibrary(bool keepPage) = 0;
};

}  // namespace inkvista
