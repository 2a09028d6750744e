// The scaler against the one it replaced (bench/BaselineScaler.cpp, kept as
// the benchmarks' baseline), on random sizes and pictures: the same bytes,
// the same answers and the same page fields, with the fastest kernels this
// processor runs. Targets start out as the same random bytes, so a byte one
// writes and the other leaves alone shows too.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "BaselineScaler.h"
#include "book/PageImage.h"
#include "book/Scaler.h"
#include "support/RandomData.h"

namespace inkvista {
namespace {

using test::Between;
using test::Random;
using test::RandomBytes;

// Flat areas, hard edges and noise: what pages hold, and the extremes of
// the weighted sums (all 255 next to all 0).
std::vector<uint8_t> Picture(size_t size, Random& random) {
    std::vector<uint8_t> bytes = RandomBytes(size, random);
    const int look = int(random() % 3);
    for (size_t i = 0; look != 0 && i < size; ++i)
        if (look == 1 || (i / 7) % 3 != 0) bytes[i] = (i / 13) % 2 ? 255 : 0;
    return bytes;
}

struct Sizes {
    uint32_t sw, sh, tw, th;
};

std::string Describe(const Sizes& s) {
    return std::to_string(s.sw) + "x" + std::to_string(s.sh) + " to " + std::to_string(s.tw) + "x" +
           std::to_string(s.th);
}

// Shrinks, enlargements and mixed shapes; some given to the wrong one of
// ShrinkImage and EnlargeImage by the caller.
std::vector<Sizes> RandomSizes(Random& random, int count, uint32_t largest) {
    std::vector<Sizes> cases;
    for (int i = 0; i < count; ++i) {
        const uint32_t sw = Between(random, 1, largest), sh = Between(random, 1, largest);
        const auto any = [&](uint32_t s) { return Between(random, 1, 3 * s); };
        switch (i % 3) {
            case 0:
                cases.push_back({sw, sh, Between(random, 1, sw), Between(random, 1, sh)});
                break;
            case 1:
                cases.push_back({sw, sh, Between(random, sw, 3 * sw), Between(random, sh, 3 * sh)});
                break;
            default:
                cases.push_back({sw, sh, any(sw), any(sh)});
        }
    }
    return cases;
}

using Resampler24 = bool (*)(std::span<const uint8_t>, uint32_t, uint32_t, std::span<uint8_t>,
                             uint32_t, uint32_t);

struct Pair24 {
    const char* name;
    Resampler24 now, before;
};

TEST(ScalerAgainstBaseline, TwentyFourBitImagesComeOutTheSameEveryWay) {
    Random random(11);
    std::vector<Sizes> cases = RandomSizes(random, 240, 70);
    // Lines on both sides of 4096 pixels, where a step's second share can
    // round to nothing.
    cases.push_back({5000, 2, 97, 1});
    cases.push_back({4095, 3, 4097, 5});
    cases.push_back({2, 4100, 3, 4099});
    const Pair24 pairs[] = {{"ResampleImage", ResampleImage, baseline::ResampleImage},
                            {"ShrinkImage", ShrinkImage, baseline::ShrinkImage},
                            {"EnlargeImage", EnlargeImage, baseline::EnlargeImage}};
    for (const Sizes& s : cases) {
        const std::vector<uint8_t> source = Picture(Stride24(s.sw) * s.sh, random);
        const std::vector<uint8_t> target = RandomBytes(Stride24(s.tw) * s.th, random);
        for (const Pair24& pair : pairs) {
            std::vector<uint8_t> now = target, before = target;
            const bool done = pair.now(source, s.sw, s.sh, now, s.tw, s.th);
            ASSERT_EQ(done, pair.before(source, s.sw, s.sh, before, s.tw, s.th))
                << pair.name << " " << Describe(s);
            ASSERT_EQ(now, before) << pair.name << " " << Describe(s);
        }
    }
}

TEST(ScalerAgainstBaseline, GreyImagesWithAnyStrideComeOutTheSame) {
    Random random(12);
    for (const Sizes& s : RandomSizes(random, 240, 70)) {
        const uint64_t sourceStride = s.sw + Between(random, 0, 9);
        const uint64_t targetStride = s.tw + Between(random, 0, 9);
        const std::vector<uint8_t> source = Picture(sourceStride * s.sh, random);
        const std::vector<uint8_t> target = RandomBytes(targetStride * s.th, random);
        std::vector<uint8_t> now = target, before = target;
        const bool done =
            ResampleGrey(source, s.sw, s.sh, sourceStride, now, s.tw, s.th, targetStride);
        ASSERT_EQ(done, baseline::ResampleGrey(source, s.sw, s.sh, sourceStride, before, s.tw, s.th,
                                               targetStride))
            << Describe(s);
        ASSERT_EQ(now, before) << Describe(s);
    }
}

TEST(ScalerAgainstBaseline, RefusesTheSameBuffersAndSizes) {
    const std::vector<uint8_t> source(Stride24(8) * 8, 200);
    std::vector<uint8_t> now(Stride24(4) * 4, 1), before = now;
    const Sizes refused[] = {{0, 8, 4, 4}, {8, 0, 4, 4}, {8, 8, 0, 4}, {8, 8, 4, 0},
                             {9, 8, 4, 4}, {8, 9, 4, 4}, {8, 8, 5, 4}, {8, 8, 4, 5}};
    for (const Sizes& s : refused) {
        EXPECT_EQ(ResampleImage(source, s.sw, s.sh, now, s.tw, s.th),
                  baseline::ResampleImage(source, s.sw, s.sh, before, s.tw, s.th))
            << Describe(s);
        EXPECT_EQ(ResampleGrey(source, s.sw, s.sh, s.sw, now, s.tw, s.th, s.tw),
                  baseline::ResampleGrey(source, s.sw, s.sh, s.sw, before, s.tw, s.th, s.tw))
            << Describe(s);
        EXPECT_EQ(now, before) << Describe(s);
    }
}

TEST(ScalerAgainstBaseline, StepTablesAndFitSizesAreTheSame) {
    Random random(13);
    for (int i = 0; i < 400; ++i) {
        const uint32_t a = Between(random, 0, i < 200 ? 50 : 9000);
        const uint32_t b = Between(random, 0, i < 200 ? 50 : 9000);
        EXPECT_EQ(BuildScaleSteps(a, b, true), baseline::BuildScaleSteps(a, b, true))
            << a << " over " << b;
        EXPECT_EQ(BuildScaleSteps(a, b, false), baseline::BuildScaleSteps(a, b, false))
            << a << " over " << b;
        const auto w = int32_t(Between(random, 0, 5000)) - 2;
        const auto h = int32_t(Between(random, 0, 5000)) - 2;
        EXPECT_EQ(ComputeFitSize(w, h), baseline::ComputeFitSize(w, h)) << w << "x" << h;
    }
}

// A page as LoadPage leaves it before the fit, in either orientation; a
// colour page's indices run past its palette now and then.
PageImage DecodedView(Random& random, bool colour) {
    PageImage page;
    const bool landscape = random() % 2;
    const uint32_t w = Between(random, 1, 900), h = Between(random, 1, 900);
    const auto stride = uint32_t(Stride8(w));
    page.viewWidth = int32_t(w);
    page.viewHeight = int32_t(h);
    page.orientation = landscape ? PixelOrientation::Landscape : PixelOrientation::Portrait;
    page.rowStride = landscape ? uint32_t(Stride8(h)) : stride;
    page.rotatedStride = landscape ? stride : uint32_t(Stride8(h));
    page.pixels = Picture(size_t{stride} * h, random);
    if (colour) {
        const uint32_t entries = Between(random, 1, 32);
        for (auto& v : page.pixels) v = uint8_t(random() % 40 == 0 ? random() : random() % 32);
        page.palette = RandomBytes(3 * size_t{entries}, random);
        page.format = PixelFormat::Indexed8;
    }
    return page;
}

void ExpectSamePage(const PageImage& now, const PageImage& before, const std::string& what) {
    EXPECT_EQ(now.pixels, before.pixels) << what;
    EXPECT_EQ(now.rowStride, before.rowStride) << what;
    EXPECT_EQ(now.rotatedStride, before.rotatedStride) << what;
    EXPECT_EQ(now.format, before.format) << what;
    EXPECT_EQ(now.viewWidth, before.viewWidth) << what;
    EXPECT_EQ(now.viewHeight, before.viewHeight) << what;
}

TEST(ScalerAgainstBaseline, PageFitsLeaveTheSamePageInBothOrientations) {
    Random random(14);
    for (int i = 0; i < 60; ++i) {
        const bool colour = i % 2;
        PageImage now = DecodedView(random, colour);
        PageImage before = now;
        const std::string what =
            std::to_string(now.viewWidth) + "x" + std::to_string(now.viewHeight) +
            (now.orientation == PixelOrientation::Landscape ? " landscape" : " portrait") +
            (colour ? " colour" : " grey");
        const bool fitted = colour ? FitColourPage(now) : FitGreyPage(now);
        EXPECT_EQ(fitted, colour ? baseline::FitColourPage(before) : baseline::FitGreyPage(before))
            << what;
        ExpectSamePage(now, before, what);
    }
}

}  // namespace
}  // namespace inkvista
