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

// The grey background and the visible page of a frame at any scale (the
// device pixel ratio of `target`). At whole ratios each device pixel is a
// block of that many pixels, as the page is stored. Between them each pixel
// of `target` shows the device pixels it covers in proportion to the area
// it covers: every block keeps its average size and stays sharp inside, and
// only the pixel a block's edge cuts through mixes its two sides. `work`
// holds the 240 x 320 frame on the way, kept by the caller across frames.
void DrawPageFrame(QImage& target, QImage& work, const PageImage& image, int32_t scrollX,
                   int32_t scrollY);

// The enlargement alone: the whole of `device` (RGB32) over the whole of
// `target` (RGB32, at least as large either way), as DrawPageFrame shares
// its pixels out.
void EnlargeFrame(const QImage& device, QImage& target);

}  // namespace inkvista
