// What reading a page may hold at once: every byte the page loader and the
// fits allocate is counted in their plans (PlanPageMemory, FitWorkBytes),
// so that checking the plans against the page limit bounds the real peak.
// The peaks themselves, on pages near the limit, are measured by
// scripts/peak-memory.
#include <algorithm>
#include <random>

#include "AllocationPeak.h"
#include "book/PageBuffer.h"
#include "book/Scaler.h"
#include "support/LoadPageFixture.h"

namespace inkvista {
namespace {

using testing::AllocationPeak;

// Room for what the loader holds besides its page buffers: the book path,
// the open file, a decoder's tables.
constexpr uint64_t kSmallThings = 16 << 10;

class PageMemoryTest : public LoadPageTest {
  protected:
    // A grey and a colour page of each shape, upright and lying.
    void SetUp() override {
        std::vector<encode::PagePlan> pages;
        for (const auto& [w, h] : kShapes) {
            pages.push_back(GreyCodes(SomeCodes(w, h), w, h));
            pages.push_back(Colour(SomeIndices(w, h), w, h));
        }
        PutPages(std::move(pages));
    }

    // The most the plan allows for page `index` read in this view.
    uint64_t Allowed(int index, bool portrait, bool fit) {
        const auto [w, h] = kShapes[size_t(index) / 2];
        PageLayout layout;
        layout.grey = index % 2 == 0;
        layout.record.width = w;
        layout.record.height = h;
        layout.record.paletteCount = layout.grey ? 8 : 32;
        // The packed size is the page's own: read it back from the book.
        File file = test_.device().files().Open(book_.bookPath, FileAccess::Read,
                                                FileCreation::OpenExisting);
        PageRecord record;
        ReadPageRecord(file, book_.pageOffsets[static_cast<size_t>(index)], record);
        layout.record.packedSize = record.packedSize;
        PageView view;
        view.portrait = portrait;
        EXPECT_EQ(ReadPage(test_.device().files(), book_, index, page_, view).error,
                  PageError::None);
        const PageMemory memory = PlanPageMemory(layout, portrait);
        uint64_t most = std::max({memory.read, memory.decode, memory.store});
        if (fit) most = std::max(most, page_.pixels.capacity() + FitWorkBytes(page_, !layout.grey));
        return most;
    }

    static constexpr std::pair<uint32_t, uint32_t> kShapes[] = {
        {1500, 1100}, {1200, 1800}, {1800, 1200}, {700, 700}, {200, 200}};
};

TEST_F(PageMemoryTest, ReadingAPageHoldsNoMoreThanItsPlan) {
    for (const bool portrait : {true, false})
        for (const bool fit : {false, true})
            for (int index = 0; index < int(std::size(kShapes)) * 2; ++index) {
                SCOPED_TRACE(::testing::Message()
                             << "page " << index << ", " << (portrait ? "portrait" : "landscape")
                             << (fit ? ", fitted" : ""));
                const uint64_t allowed = Allowed(index, portrait, fit);
                // The page before: the smallest, so that the page's buffers
                // are new and seen by the count.
                const int smallest = int(std::size(kShapes)) * 2 - 2;
                ASSERT_TRUE(Load(smallest, portrait, fit));
                PageView view;
                view.portrait = portrait;
                view.fitToWindow = fit;
                AllocationPeak peak;
                ASSERT_EQ(ReadPage(test_.device().files(), book_, index, page_, view).error,
                          PageError::None);
                EXPECT_LE(peak.Peak(), allowed + kSmallThings);
                // The count sees the page's buffers at all.
                if (index < smallest) {
                    EXPECT_GE(peak.Peak(), page_.pixels.size());
                }
            }
}

TEST(FitWorkBytes, CountsEverythingTheFitsAllocate) {
    std::mt19937 random(17);
    const std::pair<int32_t, int32_t> views[] = {{320, 480},   {241, 2000},  {2000, 321},
                                                 {1200, 1800}, {1800, 1200}, {100, 100},
                                                 {239, 239},   {5000, 400}};
    for (const auto& [w, h] : views)
        for (const bool colour : {false, true}) {
            PageImage page;
            page.viewWidth = w;
            page.viewHeight = h;
            page.rowStride = uint32_t(Stride8(uint32_t(w)));
            page.pixels.resize(size_t{page.rowStride} * uint32_t(h));
            for (auto& v : page.pixels) v = uint8_t(random() % 32);
            page.palette.assign(96, 200);
            const uint64_t bound = FitWorkBytes(page, colour);
            AllocationPeak peak;
            ASSERT_TRUE(colour ? FitColourPage(page) : FitGreyPage(page)) << w << "x" << h;
            EXPECT_LE(peak.Peak(), bound) << w << "x" << h << (colour ? " colour" : " grey");
            EXPECT_GE(peak.Peak(), page.pixels.size()) << w << "x" << h;
        }
}

TEST(FitWorkBytes, PagesThatNeedNoFitNeedNothing) {
    PageImage page;
    page.viewWidth = 240;
    page.viewHeight = 500;
    EXPECT_EQ(FitWorkBytes(page, true), 0u);
    page.viewWidth = 640;
    page.viewHeight = 320;
    EXPECT_EQ(FitWorkBytes(page, false), 0u);
}

// A fit whose work would take the page past the limit is left undone, like a
// fit whose memory cannot be had: the page stays as it is, and a colour page
// stays 8-bit. What the page holds counts, not only what it shows.
TEST(FitWorkBytes, AFitPastTheLimitLeavesThePageAsItIs) {
    for (const bool colour : {false, true})
        for (const uint64_t over : {0, 1}) {
            PageImage page;
            page.viewWidth = 320;
            page.viewHeight = 480;
            page.rowStride = 320;
            page.format = colour ? PixelFormat::Indexed8 : PixelFormat::Grey8;
            const uint64_t work = FitWorkBytes(page, colour);
            // Memory reserved, not touched.
            page.pixels.reserve(kMaxPageBytes - work + over);
            page.pixels.assign(320 * 480, 5);
            const std::vector<uint8_t> before = page.pixels;
            EXPECT_EQ(colour ? FitColourPage(page) : FitGreyPage(page), over == 0);
            if (over == 0) continue;
            EXPECT_EQ(page.pixels, before);
            EXPECT_EQ(page.viewWidth, 320);
            EXPECT_FALSE(page.trueColour());
        }
}

}  // namespace
}  // namespace inkvista
