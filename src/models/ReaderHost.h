// What the reader model asks of the window that shows it.
#pragma once

#include <string_view>

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
    // Shows a message box with `text` and an OK button, returning when it is
    // closed. The reader calls it for its failures, in the order the user
    // is to read them; nothing of the reader acts while one is up.
    virtual void ShowMessage(std::u16string_view text) = 0;
};

}  // namespace inkvista
