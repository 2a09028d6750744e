// Keeps a desktop session from blanking or suspending while the reader
// scrolls by itself: the freedesktop screen-saver service on the session
// bus (org.freedesktop.ScreenSaver.Inhibit / UnInhibit).
#pragma once

#include <cstdint>

#include "platform/Power.h"

namespace inkvista {

class ScreenSaverInhibit : public SessionAwake {
  public:
    ~ScreenSaverInhibit() override;
    // False when there is no session bus or no screen-saver service on it;
    // the first such failure is reported once on standard error, and the
    // reader goes on scrolling without the hold.
    bool Hold() override;
    void Release() override;

  private:
    uint32_t cookie_ = 0;
    bool held_ = false;
    bool warned_ = false;
};

}  // namespace inkvista
