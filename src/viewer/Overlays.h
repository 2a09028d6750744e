// What the viewer draws over the page: the status bar along the reader's
// bottom edge, the page-jump panel above it and the last-page box.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>

#include "platform/Services.h"

namespace inkvista {

struct OverlayState {
    bool portrait = false;
    bool menuShown = true;
    bool jumpPanelShown = false;
    bool jumpArrowLit = false;
    int litJumpArrow = 0;  // 1 = -10, 2 = -1, 3 = +1, 4 = +10
    bool pageButtonHeld = false;
    int heldPageButton = 0;  // 1 previous, 2 next
    bool lastPageNotice = false;
    QString title;
    int32_t currentPage = 0;  // from 0
    int32_t pageCount = 0;
    int32_t jumpTarget = 0;        // from 0
    uint8_t batteryPercent = 255;  // 255: unknown
    ClockTime clock;
};

// The battery picture for a main-battery percentage, portrait or landscape:
// unknown for 255, high above 80, middle above 30, else low.
int BatteryPicture(uint8_t percent, bool portrait);

// The bar (with the panel while it is open) when shown, then the last-page
// box, which shows whether or not the bar does.
void DrawOverlays(QImage& target, const OverlayState& state);

// The fonts of the frame's texts: the upright one of portrait and the one
// turned a quarter turn for landscape (the serif face in the metrics of
// "Times New Roman", 14 pixels).
QFont UprightFont();
QFont SideFont();

}  // namespace inkvista
