// What the library model asks of the window that shows it.
#pragma once

#include <filesystem>
#include <string_view>

#include "models/LibraryInfo.h"

namespace inkvista {

class LibraryHost {
  public:
    virtual ~LibraryHost() = default;
    // Posts WM_USER + 1 to the list window itself: the popup menu comes up
    // from the message loop, not from inside the timer.
    virtual void PostPopupMessage() = 0;
    // RefreshLibrary: the model's refresh and the control filled again.
    virtual void RefreshLibrary() = 0;
    // The Information dialog for a header read fresh; returns when it
    // closes.
    virtual void ShowBookInfo(const ListBookInfo& info) = 0;
    // Asks the main window to open the model's open request
    // (ScreenSwitcher::OpenRequestedBook).
    virtual void OpenRequestedBook() = 0;
    // Moves a book file (a host path) to the desktop's trash; false when its
    // volume has none or the move fails, and the file is then deleted.
    virtual bool MoveToTrash(const std::filesystem::path& hostFile) = 0;
    // A message box with `text` and an OK button; returns when it closes.
    virtual void ShowMessage(std::u16string_view text) = 0;
    // An OK/Cancel question; true for OK.
    virtual bool Confirm(std::u16string_view question) = 0;
};

}  // namespace inkvista
