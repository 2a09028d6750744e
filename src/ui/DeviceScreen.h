// Where the handheld's screen stands on the desktop. Whatever is drawn over
// that screen rather than in its windows (a message box) asks here, when it
// opens, for its place and its scale, so that it keeps inside the main window
// however that window is sized.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace inkvista {

struct DeviceScreenView {
    // The screen's rectangle in desktop coordinates (the Qt logical pixels
    // of the main window).
    QRect rect;
    // Logical pixels per device pixel.
    qreal scale = 1;
};

// The device screen of `window`'s main window, where that window draws it
// now. A main window that has not said where (PublishDeviceScreen): the
// 240 x 320 screen at the largest scale that fits it, centred in it.
// Without a window the screen at scale 1 centred on the primary screen;
// before the window has a size, at scale 1 at the window's corner.
DeviceScreenView DeviceScreenOf(const QWidget* window);

// The main window says where it draws the screen: `inWindow` in its own
// coordinates, `scale` logical pixels per device pixel.
void PublishDeviceScreen(QWidget* mainWindow, const QRect& inWindow, qreal scale);

// The scale arithmetic of the main window. Scales run from 1 (one logical
// pixel per device pixel) to kLargestScale.
inline constexpr qreal kLargestScale = 8;

// The largest scale at which the whole screen fits `area`, fractions
// allowed; 1 when even that does not fit.
qreal FitScale(const QSize& area);
// The screen's size in logical pixels at `scale`.
QSize ScreenSizeAt(qreal scale);
// The screen at `scale` centred in a window of size `window`; a screen
// larger than the window keeps its top-left corner in view.
QRect CentredScreen(const QSize& window, qreal scale);
// One step of Ctrl+plus (`larger`) or Ctrl+minus from `scale`, through
// 1, 1.25, 1.5, 1.75, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 8; a step up stops at
// `limit` (what fits), and from at or above `limit` stays where it is.
qreal StepScale(qreal scale, bool larger, qreal limit);

}  // namespace inkvista
