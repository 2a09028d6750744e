#include "models/ReaderLayout.h"

#include <algorithm>

namespace inkvista {

namespace {

using P = OverlayPart;

// Portrait: the bar along the bottom edge, read from the left; the panel
// above its right end, listed from the right so that each arrow takes the
// edge it shares with its left neighbour.
constexpr int32_t kBarRow = kScreenHeight - kBarThickness;

constexpr OverlayLayout kPortrait{
    .bar = {0, kBarRow, kScreenWidth, kBarThickness},
    .barZones = {{
        {.part = P::HideBar, .place = {0, kBarRow, 14, 20}, .picture = 150},
        {.part = P::Close, .place = {14, kBarRow, 20, 20}, .picture = 151},
        {.part = P::TurnPage,
         .place = {34, kBarRow, 14, 20},
         .picture = 152,
         .pressedPicture = 176,
         .button = PageButton::Previous},
        {.part = P::TurnPage,
         .place = {48, kBarRow, 14, 20},
         .picture = 153,
         .pressedPicture = 177,
         .button = PageButton::Next},
        {.part = P::Title,
         .place = {62, kBarRow, 84, 20},
         .picture = 157,
         .text = {65, 301, 80, 17}},
        {.part = P::Counter,
         .place = {146, kBarRow, 50, 20},
         .picture = 154,
         .text = {148, 301, 47, 17}},
        {.part = P::Battery, .place = {196, kBarRow, 10, 20}},
        {.part = P::Clock,
         .place = {206, kBarRow, 34, 20},
         .picture = 156,
         .text = {209, 301, 30, 17}},
    }},
    .panel = {130, 280, 110, 20},
    .panelPicture = 174,
    .panelZones = {{
        {.part = P::StepJump, .place = {220, 280, 20, 20}, .pressedPicture = 183, .step = 10},
        {.part = P::StepJump, .place = {200, 280, 20, 20}, .pressedPicture = 182, .step = 1},
        {.part = P::JumpNumber, .place = {170, 280, 30, 20}, .text = {171, 281, 27, 17}},
        {.part = P::StepJump, .place = {150, 280, 20, 20}, .pressedPicture = 181, .step = -1},
        {.part = P::StepJump, .place = {130, 280, 20, 20}, .pressedPicture = 180, .step = -10},
    }},
};

// Landscape: the bar along the right edge, read from the bottom of the
// screen; its buttons are tested from the bottom and its fields from the
// top, so the counter takes the edge it shares with the title. The panel
// left of the bar's top end, listed from the top.
constexpr int32_t kBarColumn = kScreenWidth - kBarThickness;

constexpr OverlayLayout kLandscape{
    .bar = {kBarColumn, 0, kBarThickness, kScreenHeight},
    .barZones = {{
        {.part = P::HideBar, .place = {kBarColumn, 306, 20, 14}, .picture = 158},
        {.part = P::Close, .place = {kBarColumn, 286, 20, 20}, .picture = 159},
        {.part = P::TurnPage,
         .place = {kBarColumn, 272, 20, 14},
         .picture = 160,
         .pressedPicture = 179,
         .button = PageButton::Previous},
        {.part = P::TurnPage,
         .place = {kBarColumn, 258, 20, 14},
         .picture = 161,
         .pressedPicture = 178,
         .button = PageButton::Next},
        {.part = P::Clock,
         .place = {kBarColumn, 0, 20, 34},
         .picture = 165,
         .text = {222, 1, 16, 32}},
        {.part = P::Battery, .place = {kBarColumn, 34, 20, 10}},
        {.part = P::Counter,
         .place = {kBarColumn, 44, 20, 50},
         .picture = 163,
         .text = {222, 45, 16, 48}},
        {.part = P::Title,
         .place = {kBarColumn, 94, 20, 164},
         .picture = 162,
         .text = {222, 97, 16, 158}},
    }},
    .panel = {200, 0, 20, 110},
    .panelPicture = 175,
    .panelZones = {{
        {.part = P::StepJump, .place = {200, 0, 20, 20}, .pressedPicture = 184, .step = 10},
        {.part = P::StepJump, .place = {200, 20, 20, 20}, .pressedPicture = 187, .step = 1},
        {.part = P::JumpNumber, .place = {200, 40, 20, 30}, .text = {201, 41, 18, 28}},
        {.part = P::StepJump, .place = {200, 70, 20, 20}, .pressedPicture = 186, .step = -1},
        {.part = P::StepJump, .place = {200, 90, 20, 20}, .pressedPicture = 185, .step = -10},
    }},
};

}  // namespace

JumpArrow JumpArrowFor(int32_t step) {
    switch (step) {
        case -10:
            return JumpArrow::Back10;
        case -1:
            return JumpArrow::Back1;
        case 1:
            return JumpArrow::Forward1;
        default:
            return JumpArrow::Forward10;
    }
}

bool LayoutRect::Reaches(int32_t px, int32_t py) const {
    px = std::clamp(px, 0, kScreenWidth - 1);
    py = std::clamp(py, 0, kScreenHeight - 1);
    return px >= x && px <= x + width && py >= y && py <= y + height;
}

const OverlayLayout& LayoutFor(bool portrait) {
    return portrait ? kPortrait : kLandscape;
}

const OverlayZone* ZoneAt(std::span<const OverlayZone> zones, int32_t x, int32_t y) {
    const auto zone =
        std::ranges::find_if(zones, [x, y](const OverlayZone& z) { return z.place.Reaches(x, y); });
    return zone == zones.end() ? nullptr : &*zone;
}

bool OnHiddenBar(bool portrait, int32_t x, int32_t y) {
    const LayoutRect& bar = LayoutFor(portrait).bar;
    return portrait ? y > bar.y : x > bar.x;
}

}  // namespace inkvista
