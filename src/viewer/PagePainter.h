// Composing the viewer's frame: everything here paints into a 240 × 320
// image from what the reader model holds, and nothing else.
#pragma once

#include <QColor>
#include <QImage>

#include "book/PageImage.h"

namespace inkvista {

// The platform's stock grey brush: the viewer's background.
inline const QColor kStockGrey(128, 128, 128);

// Draws the visible part of `image` (the window at `scrollX`, `scrollY`)
// into `target`. A page narrower or shorter than the window sits at the reader's
// top-left corner: the screen's top-left for a page loaded in portrait, its
// bottom-left for one turned for landscape. An image whose buffer does not
// hold what it describes draws nothing.
void DrawPage(QImage& target, const PageImage& image, int32_t scrollX, int32_t scrollY);

}  // namespace inkvista
