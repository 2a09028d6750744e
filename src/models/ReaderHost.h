// What the reader model asks of the window that shows it.
#pragma once

#include "models/Screens.h"

namespace inkvista {

class ReaderHost : public ScreenSwitcher {
  public:
    // Invalidates the whole window without erasing and paints it at once,
    // before returning.
    virtual void Redraw() = 0;
    // One frame of a smooth scroll step, painted at once like Redraw. A
    // window on a desktop also paces the frames so the movement can be seen.
    virtual void AnimationFrame() { Redraw(); }
};

}  // namespace inkvista
