// Where the handheld's screen stands on the desktop. Whatever is drawn over
// that screen rather than in its windows (a message box) asks here, when it
// opens, for its place and its scale, so that it keeps inside the main window
// however that window is sized.
#pragma once

#include <QRect>

class QWidget;

namespace inkvista {

struct DeviceScreenView {
    // The screen's rectangle in desktop coordinates (the Qt logical pixels
    // of the main window).
    QRect rect;
    // Logical pixels per device pixel.
    qreal scale = 1;
};

// The device screen of `window`'s main window: the 240 x 320 screen at the
// largest scale that fits that window (fractions allowed), centred in it.
// Without a window the screen at scale 1 centred on the primary screen;
// before the window has a size, at scale 1 at the window's corner.
DeviceScreenView DeviceScreenOf(const QWidget* window);

}  // namespace inkvista
