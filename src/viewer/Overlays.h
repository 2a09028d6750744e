// What the viewer draws over the page: the status bar along the reader's
// bottom edge, the page-jump panel above it and the last-page box.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string_view>

#include "models/ReaderModel.h"
#include "platform/Services.h"

namespace inkvista {

// What the overlays show beside the reading state: the orientation, the
// book's title and place, and the battery and the clock as they are at this
// paint.
struct FrameFacts {
    bool portrait = true;
    std::u16string_view title;
    int32_t currentPage = 0;  // from 0
    int32_t pageCount = 0;
    uint8_t batteryPercent = 255;  // 255: unknown
    ClockTime clock;
};

// The battery picture for a main-battery percentage, portrait or landscape:
// unknown for 255, high above 80, middle above 30, else low.
int BatteryPicture(uint8_t percent, bool portrait);

// The bar (with the panel while it is open) when shown, then the last-page
// box, which shows whether or not the bar does.
void DrawOverlays(QImage& target, const ReadingState& reading, const FrameFacts& facts);

// The fonts of the frame's texts: the upright one of portrait and the one
// turned a quarter turn for landscape (the serif face in the metrics of
// "Times New Roman", 14 pixels).
QFont UprightFont();
QFont SideFont();

}  // namespace inkvista
