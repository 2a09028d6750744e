// The application object: one per program, holding the one main window.
// Other windows reach the main window through the interfaces it gives them
// (ScreenSwitcher, the list's settings), never through a global.
#pragma once

#include "app/BackWnd.h"

namespace inkvista {

class HotKeys;

class ReaderApp {
  public:
    // Constructs the main window object (the device check runs here). A
    // QApplication must exist.
    ReaderApp(Device& device, HotKeys& hotKeys);
    ReaderApp(const ReaderApp&) = delete;
    ReaderApp& operator=(const ReaderApp&) = delete;

    // The framework's initialisation: creates the main window. Answers
    // success, as the device program always did, even if creation failed.
    bool InitInstance();

    BackWnd& mainWindow() { return backWnd_; }

  private:
    BackWnd backWnd_;
};

}  // namespace inkvista
