// The home screen's picture and its button regions.
#pragma once

#include <QImage>

#include "platform/Services.h"

namespace inkvista {

// The home-screen button held by the stylus (the state's `pressedButton`).
enum class HomeButton : int {
    Close = 0,
    None = 2,
    Options = 4,
    About = 8,
    Keys = 9,
};

// The whole home screen's picture.
constexpr int kHomeScreenBitmapId = 129;

// Hit regions in screen pixels, both ends inclusive.
bool InKeyButton(int x, int y);
// "Option" (x < 180) and "About" share one band.
bool InOptionAboutBand(int x, int y);
bool InCloseBox(int x, int y);

// Composes the home screen into `back`: white, the background picture (129)
// and the pressed look of `pressedButton`. A value that is no button shows
// "Error on DrawBackImage()--> Switch in BackWnd.cpp" and adds no pressed
// look.
void ComposeHomeScreen(QImage& back, HomeButton pressedButton, MessageBoxes& messages);

}  // namespace inkvista
