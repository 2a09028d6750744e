// Where the viewer's status bar and page-jump panel lie on the 240 x 320
// window in each orientation, and what each of their places stands for.
// The tap handling and the painter both walk these tables, so a place is
// written once, here.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/Screen.h"

namespace inkvista {

// The viewer's window is the screen (platform/Screen.h), not the host's.
// The status bar's thickness along the reader's bottom edge.
constexpr int32_t kBarThickness = 20;

// The jump panel's arrows and the bar's page buttons; the numbers are those
// the script state writes (0: none yet).
enum class JumpArrow { None = 0, Back10 = 1, Back1 = 2, Forward1 = 3, Forward10 = 4 };
enum class PageButton { None = 0, Previous = 1, Next = 2 };

// The arrow that steps the jump target by `step` (the panel's -10, -1, +1
// and +10; any other step counts as +10).
JumpArrow JumpArrowFor(int32_t step);

// What a place of the bar or the panel is: what is drawn there and what a
// tap there does.
enum class OverlayPart {
    HideBar,     // hides the bar
    Close,       // closes the book, keeping the page as the bookmark
    TurnPage,    // turns a page, again every 500 ms while held (`button`)
    Title,       // the book's title; a tap does nothing
    Counter,     // "page/count"; a tap opens the jump panel
    Battery,     // a tap does nothing
    Clock,       // a tap does nothing
    StepJump,    // steps the jump target by `step`, repeating while held
    JumpNumber,  // the jump target; a tap does nothing
};

struct LayoutRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    // Whether a tap at (x, y) falls here: the rectangle's pixels and those
    // just past its right and bottom edges. A point off the window counts as
    // the window's nearest pixel.
    bool Reaches(int32_t px, int32_t py) const;
};

struct OverlayZone {
    OverlayPart part = OverlayPart::Title;
    LayoutRect place{};
    // The picture drawn 1:1 at the place's corner; 0 for the battery's
    // (chosen by the charge) and for the panel's arrows and number, which
    // the panel's own picture shows.
    int picture = 0;
    // Drawn instead while the page button is held or the arrow is lit.
    int pressedPicture = 0;
    // Where the place's text goes, as the painter lays it out; empty: none.
    LayoutRect text{};
    PageButton button = PageButton::None;  // TurnPage: which one
    int32_t step = 0;                      // StepJump: by how many pages
};

struct OverlayLayout {
    // The bar's strip along the reader's bottom edge.
    LayoutRect bar;
    // The bar's places in the order a tap tests them (where two touch, the
    // one listed first takes the shared edge); together they cover the
    // strip. The painter draws them in this order too: they do not overlap.
    std::array<OverlayZone, 8> barZones;
    // The panel, just off the bar's far end, drawn as one picture with the
    // places of its arrows and its number over it.
    LayoutRect panel;
    int panelPicture = 0;
    std::array<OverlayZone, 5> panelZones;
};

const OverlayLayout& LayoutFor(bool portrait);

// The first of `zones` that a tap at (x, y) falls on; null for none.
const OverlayZone* ZoneAt(std::span<const OverlayZone> zones, int32_t x, int32_t y);

// Whether a tap at (x, y) falls on the strip that brings a hidden bar back:
// the bar's strip without its inner edge.
bool OnHiddenBar(bool portrait, int32_t x, int32_t y);

// Tab scroll's zones along the window's edges: a tap left of `left`, right
// of `right`, above `top` or below `bottom`, tested in that order, steps the
// view toward that edge. Zones of the screen, the same in both orientations.
struct EdgeZones {
    int32_t left, right, top, bottom;
};
inline constexpr EdgeZones kEdgeZones{70, 170, 70, 230};

}  // namespace inkvista
