// What the reader model asks of the window that shows it.
#pragma once

#include "models/Screens.h"

namespace inkvista {

class ReaderHost : public ScreenSwitcher {
  public:
    // Invalidates the whole window without erasing and paints it at once,
    // before returning.
    virtual void Redraw() = 0;
};

}  // namespace inkvista
