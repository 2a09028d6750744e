// The application object: one per program, holding the one main window.
#pragma once

#include <QSize>

#include "app/BackWnd.h"

namespace inkvista {

class HotKeys;

class ReaderApp {
  public:
    // Constructs the main window object (the device check runs here). A
    // QApplication must exist.
    ReaderApp(Device& device, HotKeys& hotKeys, QSize screenSize = QSize(240, 320));
    ~ReaderApp();
    ReaderApp(const ReaderApp&) = delete;
    ReaderApp& operator=(const ReaderApp&) = delete;

    // The framework's initialisation: creates the main window. Answers
    // success, as the device program always did, even if creation failed.
    bool InitInstance();

    BackWnd& mainWindow() { return backWnd_; }

  private:
    BackWnd backWnd_;
};

// The one application object while it exists, else null.
ReaderApp* TheApp();
// Its main window; only while the application object exists.
BackWnd& TheBackWnd();

}  // namespace inkvista
