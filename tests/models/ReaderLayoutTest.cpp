// Where the bar's and the panel's places meet: which one a tap on their
// shared edge falls on, in both orientations, and taps off the window.
#include <gtest/gtest.h>

#include <optional>

#include "models/ReaderLayout.h"

namespace inkvista {
namespace {

struct Hit {
    bool portrait;
    int32_t x, y;
    std::optional<OverlayPart> part;  // none: no place there
    int32_t step = 0;                 // StepJump
    PageButton button = PageButton::None;
};

constexpr std::nullopt_t kNone = std::nullopt;
constexpr PageButton kPrev = PageButton::Previous;
constexpr PageButton kNext = PageButton::Next;
using P = OverlayPart;

void Check(std::span<const OverlayZone> zones, const Hit& hit) {
    const OverlayZone* zone = ZoneAt(zones, hit.x, hit.y);
    const auto where = testing::Message()
                       << (hit.portrait ? "portrait " : "landscape ") << hit.x << "," << hit.y;
    if (!hit.part) {
        EXPECT_EQ(zone, nullptr) << where;
        return;
    }
    ASSERT_NE(zone, nullptr) << where;
    EXPECT_EQ(zone->part, *hit.part) << where;
    EXPECT_EQ(zone->step, hit.step) << where;
    EXPECT_EQ(zone->button, hit.button) << where;
}

TEST(ReaderLayout, TheBarsSharedEdgesGoToOneField) {
    const Hit hits[] = {
        {true, 14, 310, P::HideBar},
        {true, 34, 310, P::Close},
        {true, 48, 310, P::TurnPage, 0, kPrev},
        {true, 62, 310, P::TurnPage, 0, kNext},
        {true, 146, 310, P::Title},
        {true, 147, 300, P::Counter},
        {true, 196, 319, P::Counter},
        {true, 200, 310, P::Battery},
        {true, 300, 400, P::Clock},  // off the window: its corner
        {true, 100, 299, kNone},
        {false, 230, 306, P::HideBar},
        {false, 230, 305, P::Close},
        {false, 230, 285, P::TurnPage, 0, kPrev},
        {false, 230, 271, P::TurnPage, 0, kNext},
        {false, 230, 257, P::Title},
        {false, 220, 94, P::Counter},
        {false, 239, 44, P::Battery},
        {false, 230, 34, P::Clock},
        {false, 219, 160, kNone},
    };
    for (const Hit& hit : hits) Check(LayoutFor(hit.portrait).barZones, hit);
}

TEST(ReaderLayout, ThePanelsArrowsTakeTheEdgeTowardTheLaterPages) {
    const Hit hits[] = {
        {true, 149, 290, P::StepJump, -10},
        {true, 150, 300, P::StepJump, -1},
        {true, 170, 280, P::JumpNumber},
        {true, 200, 290, P::StepJump, 1},
        {true, 220, 290, P::StepJump, 10},
        {true, 129, 290, kNone},
        {true, 140, 301, kNone},
        {false, 220, 20, P::StepJump, 10},
        {false, 210, 40, P::StepJump, 1},
        {false, 210, 70, P::JumpNumber},
        {false, 210, 90, P::StepJump, -1},
        {false, 200, 110, P::StepJump, -10},
        {false, 210, 111, kNone},
        {false, 221, 10, kNone},
        {false, 210, -5, P::StepJump, 10},
    };
    for (const Hit& hit : hits) Check(LayoutFor(hit.portrait).panelZones, hit);
}

TEST(ReaderLayout, AHiddenBarsStripStopsShortOfItsInnerEdge) {
    EXPECT_FALSE(OnHiddenBar(true, 100, 300));
    EXPECT_TRUE(OnHiddenBar(true, 100, 301));
    EXPECT_FALSE(OnHiddenBar(false, 220, 100));
    EXPECT_TRUE(OnHiddenBar(false, 221, 100));
}

}  // namespace
}  // namespace inkvista
