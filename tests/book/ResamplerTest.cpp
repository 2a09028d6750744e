// The resampler's kernels against their plain loops, and the whole
// resampler, with every set of kernels this processor runs, against the
// pixel-by-pixel arithmetic: many sizes, both directions, every kind of
// source, lines on both sides of 4096 pixels, and the page fits in both
// orientations.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ScalerReference.h"
#include "book/PageImage.h"
#include "book/Resampler.h"
#include "book/ScaleKernels.h"
#include "book/Scaler.h"
#include "support/RandomData.h"

namespace inkvista {
namespace {

using test::Between;
using test::Random;
using test::RandomBytes;

// Kernels ------------------------------------------------------------------

TEST(ScaleKernels, EverySetWeighsRowsAsThePlainLoopDoes) {
    Random random(1);
    const ScaleKernels& plain = PlainScaleKernels();
    // Weights up to 4096 as the tables give, up to the largest pmaddwd takes,
    // and any, so that sums wrap.
    const uint32_t largest[] = {4096, 32767, UINT32_MAX};
    for (const NamedScaleKernels& set : ScaleKernelSets())
        for (const uint32_t count : {0u, 1u, 2u, 3u, 7u, 64u, 65u, 130u})
            for (const size_t length : {0, 1, 15, 16, 17, 31, 32, 33, 47, 100})
                for (const uint32_t most : largest) {
                    std::vector<std::vector<uint8_t>> rows;
                    std::vector<const uint8_t*> pointers;
                    std::vector<uint32_t> weights;
                    for (uint32_t k = 0; k < count; ++k) {
                        rows.push_back(k % 5 == 0 ? std::vector<uint8_t>(length, 255)
                                                  : RandomBytes(length, random));
                        weights.push_back(Between(random, 0, most));
                    }
                    for (const auto& row : rows) pointers.push_back(row.data());
                    std::vector<uint32_t> expected(length, 7), got(length, 9);
                    plain.weighRows(pointers.data(), weights.data(), count, length,
                                    expected.data());
                    set.kernels.weighRows(pointers.data(), weights.data(), count, length,
                                          got.data());
                    ASSERT_EQ(got, expected) << set.name << ": " << count << " rows of " << length
                                             << ", weights to " << most;
                }
}

TEST(ScaleKernels, EverySetWeighsColumnsAsThePlainLoopDoes) {
    Random random(2);
    const ScaleKernels& plain = PlainScaleKernels();
    for (const NamedScaleKernels& set : ScaleKernelSets())
        for (const uint32_t taps : {4u, 8u, 12u, 16u, 20u})
            for (uint32_t targets = 0; targets < 20; ++targets) {
                std::vector<uint32_t> sums(64 + taps);
                for (auto& s : sums) s = random();
                std::vector<uint32_t> starts(targets), weights(size_t{targets} * taps);
                for (auto& s : starts) s = Between(random, 0, 64);
                // Small weights as the tables give, then any.
                for (size_t i = 0; i < weights.size(); ++i)
                    weights[i] = targets % 2 ? random() : Between(random, 0, 4096);
                std::vector<uint8_t> expected(targets + 8, 0xEE), got(targets + 8, 0xEE);
                plain.weighColumns(sums.data(), starts.data(), weights.data(), taps, targets,
                                   expected.data());
                set.kernels.weighColumns(sums.data(), starts.data(), weights.data(), taps, targets,
                                         got.data());
                ASSERT_EQ(got, expected) << set.name << ": " << targets << " targets of " << taps;
            }
}

TEST(ScaleKernels, EverySetSplitsColoursAsThePlainLoopDoes) {
    Random random(3);
    ColourPlanes colours;
    for (auto& plane : colours.plane)
        for (auto& v : plane) v = uint8_t(random());
    const ScaleKernels& plain = PlainScaleKernels();
    for (const NamedScaleKernels& set : ScaleKernelSets())
        for (const size_t width : {0, 1, 15, 16, 17, 33, 64, 70, 1000}) {
            // Mostly the 32 indices of a colour page, now and then any byte.
            std::vector<uint8_t> indices(width);
            for (auto& i : indices) i = uint8_t(random() % 40 == 0 ? random() : random() % 32);
            std::vector<uint8_t> expected(3 * width + 3, 0xEE), got(3 * width + 3, 0xEE);
            uint8_t* const want[3] = {&expected[0], &expected[width + 1], &expected[2 * width + 2]};
            uint8_t* const have[3] = {&got[0], &got[width + 1], &got[2 * width + 2]};
            plain.splitColours(indices.data(), width, colours, want);
            set.kernels.splitColours(indices.data(), width, colours, have);
            ASSERT_EQ(got, expected) << set.name << ": width " << width;
        }
}

// The whole resampler ------------------------------------------------------

struct Sizes {
    uint32_t sw, sh, tw, th;
};

std::string Describe(const char* set, const Sizes& s) {
    return std::string(set) + ": " + std::to_string(s.sw) + "x" + std::to_string(s.sh) + " to " +
           std::to_string(s.tw) + "x" + std::to_string(s.th);
}

// A 24-bit image: noise, or noise of only 0 and 255, or all white (the
// largest sums).
std::vector<uint8_t> Picture(uint32_t w, uint32_t h, int look, Random& random) {
    std::vector<uint8_t> image = RandomBytes(Stride24(w) * h, random);
    for (auto& v : image) v = look == 0 ? v : look == 1 ? uint8_t(v & 1 ? 255 : 0) : 255;
    return image;
}

// Resamples `picture` (24-bit) with `kernels`, given as 24-bit pixels, as a
// grey plane (its blue bytes, rows of an odd stride) and as colour indices
// naming its pixels; answers the three results as 24-bit images, the grey one
// widened, after checking that no byte past a row's pixels was written.
std::vector<std::vector<uint8_t>> EveryKind(const std::vector<uint8_t>& picture, const Sizes& s,
                                            const ScaleKernels& kernels, int direction) {
    const uint64_t sourceStride = Stride24(s.sw);
    std::vector<uint8_t> grey(size_t{s.sw + 5} * s.sh), indices(grey.size());
    ColourPlanes colours{};
    for (uint32_t y = 0; y < s.sh; ++y)
        for (uint32_t x = 0; x < s.sw; ++x) {
            const uint8_t* bgr = &picture[y * sourceStride + 3 * x];
            grey[y * (s.sw + 5) + x] = bgr[0];
            // Index = the blue byte; green and red follow from it.
            indices[y * (s.sw + 5) + x] = bgr[0];
        }
    for (int v = 0; v < 256; ++v) {
        colours.plane[0][v] = uint8_t(v);
        colours.plane[1][v] = uint8_t(v * 7 + 3);
        colours.plane[2][v] = uint8_t(255 - v);
    }
    std::vector<std::vector<uint8_t>> results;
    for (const auto kind :
         {PlaneSource::Kind::Bgr, PlaneSource::Kind::Samples, PlaneSource::Kind::ColourIndices}) {
        PlaneSource source;
        source.kind = kind;
        source.data = kind == PlaneSource::Kind::Bgr       ? picture.data()
                      : kind == PlaneSource::Kind::Samples ? grey.data()
                                                           : indices.data();
        source.stride = kind == PlaneSource::Kind::Bgr ? sourceStride : s.sw + 5;
        source.width = s.sw;
        source.height = s.sh;
        source.colours = &colours;
        const uint32_t planes = source.Planes();
        PlaneTarget target;
        target.width = s.tw;
        target.height = s.th;
        target.stride = planes == 1 ? Stride8(s.tw) + 4 : Stride24(s.tw);
        std::vector<uint8_t> out(target.stride * s.th, 0xEE);
        target.data = out.data();
        const bool done = direction < 0   ? ResamplePlanes(source, target, kernels)
                          : direction > 0 ? ResamplePass(source, target, true, kernels)
                                          : ResamplePass(source, target, false, kernels);
        EXPECT_TRUE(done);
        std::vector<uint8_t> wide(Stride24(s.tw) * s.th, 0);
        for (uint32_t y = 0; y < s.th; ++y) {
            for (uint64_t i = uint64_t{planes} * s.tw; i < target.stride; ++i)
                EXPECT_EQ(out[y * target.stride + i], 0xEE) << "padding written";
            for (uint32_t x = 0; x < s.tw; ++x)
                for (uint32_t c = 0; c < 3; ++c)
                    wide[y * Stride24(s.tw) + 3 * x + c] =
                        out[y * target.stride + (planes == 1 ? x : 3 * x + c)];
        }
        results.push_back(std::move(wide));
    }
    return results;
}

// What the three kinds should give, from the plain arithmetic.
std::vector<std::vector<uint8_t>> Expected(const std::vector<uint8_t>& picture, const Sizes& s,
                                           int direction) {
    auto run = [&](const std::vector<uint8_t>& image) {
        return direction < 0   ? reference::Resample(image, s.sw, s.sh, s.tw, s.th)
               : direction > 0 ? reference::Shrink(image, s.sw, s.sh, s.tw, s.th)
                               : reference::Enlarge(image, s.sw, s.sh, s.tw, s.th);
    };
    std::vector<uint8_t> grey = picture, colour = picture;
    for (uint32_t y = 0; y < s.sh; ++y)
        for (uint32_t x = 0; x < s.sw; ++x) {
            uint8_t* g = &grey[y * Stride24(s.sw) + 3 * x];
            uint8_t* c = &colour[y * Stride24(s.sw) + 3 * x];
            g[1] = g[2] = g[0];
            c[1] = uint8_t(c[0] * 7 + 3);
            c[2] = uint8_t(255 - c[0]);
        }
    std::vector<std::vector<uint8_t>> results = {run(picture), run(grey), run(colour)};
    // Only the pixels count: the resampler leaves row padding alone.
    for (auto& image : results)
        for (uint32_t y = 0; y < s.th; ++y)
            for (uint64_t i = 3 * uint64_t{s.tw}; i < Stride24(s.tw); ++i)
                image[y * Stride24(s.tw) + i] = 0;
    return results;
}

// `direction`: -1 the direction ResampleImage picks, 1 a shrink and 0 an
// enlargement whatever the sizes.
void ExpectLikeTheReference(const std::vector<Sizes>& cases, int direction, uint32_t seed) {
    Random random(seed);
    for (const Sizes& s : cases) {
        const std::vector<uint8_t> picture = Picture(s.sw, s.sh, int(random() % 3), random);
        const auto expected = Expected(picture, s, direction);
        for (const NamedScaleKernels& set : ScaleKernelSets()) {
            const auto got = EveryKind(picture, s, set.kernels, direction);
            ASSERT_EQ(got[0], expected[0]) << Describe(set.name, s) << ", 24-bit";
            ASSERT_EQ(got[1], expected[1]) << Describe(set.name, s) << ", grey";
            ASSERT_EQ(got[2], expected[2]) << Describe(set.name, s) << ", colour indices";
        }
    }
}

TEST(Resampler, ShrinksEnlargesAndMixesLikeThePixelByPixelArithmetic) {
    Random random(4);
    std::vector<Sizes> cases;
    for (int i = 0; i < 150; ++i) {
        const uint32_t sw = Between(random, 1, 90), sh = Between(random, 1, 90);
        switch (i % 3) {
            case 0:  // shrink, often by a lot
                cases.push_back({sw, sh, Between(random, 1, sw), Between(random, 1, sh)});
                break;
            case 1:
                cases.push_back({sw, sh, Between(random, sw, 3 * sw), Between(random, sh, 3 * sh)});
                break;
            default:  // wider but lower, or narrower but higher
                cases.push_back(i % 2 ? Sizes{sw, sh + 1, sw + Between(random, 1, 20), sh}
                                      : Sizes{sw + 1, sh, sw, sh + Between(random, 1, 20)});
        }
    }
    // Shapes of real fits, portrait and landscape.
    cases.push_back({600, 900, 240, 360});
    cases.push_back({900, 600, 480, 320});
    cases.push_back({200, 200, 240, 240});
    cases.push_back({1, 1, 240, 240});
    ExpectLikeTheReference(cases, -1, 40);
}

TEST(Resampler, WalksTheWrongWayLikeThePixelByPixelArithmetic) {
    // ShrinkImage and EnlargeImage given sizes no caller asks for: weights
    // of any size, negative ones wrapped, rows the walk leaves unfinished.
    Random random(5);
    std::vector<Sizes> growing, shrinking;
    for (int i = 0; i < 40; ++i) {
        const uint32_t sw = Between(random, 1, 40), sh = Between(random, 1, 40);
        growing.push_back({sw, sh, Between(random, sw, 3 * sw), Between(random, sh, 3 * sh)});
        shrinking.push_back({sw, sh, Between(random, 1, sw), Between(random, 1, sh)});
    }
    ExpectLikeTheReference(growing, 1, 50);
    ExpectLikeTheReference(shrinking, 0, 51);
}

TEST(Resampler, LinesOnBothSidesOf4096PixelsMatchThePixelByPixelArithmetic) {
    // From 4096 pixels on, the share of the next pixel can round to 0.
    const std::vector<Sizes> across = {{4095, 2, 4094, 1}, {4096, 2, 4095, 2}, {4097, 2, 4095, 1},
                                       {4097, 1, 2048, 1}, {8193, 2, 4097, 1}, {9001, 2, 4500, 2},
                                       {5000, 1, 7, 1},    {4095, 1, 4097, 2}, {4097, 1, 4099, 1},
                                       {3000, 1, 5001, 2}, {4097, 1, 8191, 1}};
    const std::vector<Sizes> down = {{2, 4097, 1, 4095},
                                     {3, 8193, 2, 4097},
                                     {1, 4096, 1, 7},
                                     {1, 4095, 2, 4097},
                                     {2, 3000, 2, 5001}};
    ExpectLikeTheReference(across, -1, 60);
    ExpectLikeTheReference(down, -1, 61);
}

// The page fits -------------------------------------------------------------

// A page image as LoadPage leaves it: `pixels` rows of the stride of its
// orientation; the other stride is wrong on purpose.
PageImage View(uint32_t w, uint32_t h, bool landscape, bool colour, Random& random) {
    PageImage page;
    page.viewWidth = int32_t(w);
    page.viewHeight = int32_t(h);
    const uint32_t stride = uint32_t(Stride8(w)) + (landscape ? 4 : 0);
    page.orientation = landscape ? PixelOrientation::Landscape : PixelOrientation::Portrait;
    (landscape ? page.rotatedStride : page.rowStride) = stride;
    (landscape ? page.rowStride : page.rotatedStride) = 1;
    page.pixels = RandomBytes(size_t{stride} * h, random);
    if (colour) {
        // Indices of a colour page, a few past its palette of 30 entries.
        for (auto& v : page.pixels) v = uint8_t(random() % 50 == 0 ? random() : random() % 32);
        page.palette = RandomBytes(30 * 3, random);
        page.format = PixelFormat::Indexed8;
    }
    return page;
}

// The view as the 24-bit image the fit is defined on.
std::vector<uint8_t> Widened(const PageImage& page, bool colour) {
    const auto w = uint32_t(page.viewWidth), h = uint32_t(page.viewHeight);
    std::vector<uint8_t> image(Stride24(w) * h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t v = page.pixels[y * page.PixelStride() + x];
            uint8_t* bgr = &image[y * Stride24(w) + 3 * x];
            for (uint32_t c = 0; c < 3; ++c) {
                const size_t at = 3 * size_t{v} + 2 - c;
                bgr[c] = !colour ? v : at < page.palette.size() ? page.palette[at] : 0;
            }
        }
    return image;
}

TEST(FitPages, GreyAndColourFitsMatchThePixelByPixelArithmeticInBothOrientations) {
    Random random(7);
    const std::pair<uint32_t, uint32_t> views[] = {{320, 480},  {241, 700},   {700, 400},
                                                   {1000, 321}, {200, 200},   {17, 17},
                                                   {250, 250},  {1200, 1800}, {1800, 1200}};
    for (const auto& [w, h] : views)
        for (const bool landscape : {false, true})
            for (const bool colour : {false, true}) {
                PageImage page = View(w, h, landscape, colour, random);
                const std::vector<uint8_t> wide = Widened(page, colour);
                const FitSize size = *ComputeFitSize(int32_t(w), int32_t(h));
                const auto tw = uint32_t(size.width), th = uint32_t(size.height);
                const auto expected = reference::Resample(wide, w, h, tw, th);
                ASSERT_TRUE(colour ? FitColourPage(page) : FitGreyPage(page));
                const std::string what = std::to_string(w) + "x" + std::to_string(h) +
                                         (landscape ? " landscape" : " portrait") +
                                         (colour ? " colour" : " grey");
                ASSERT_EQ(page.PixelStride(), colour ? Stride24(tw) : Stride8(tw)) << what;
                ASSERT_EQ(page.pixels.size(), page.PixelStride() * th) << what;
                for (uint32_t y = 0; y < th; ++y)
                    for (uint32_t i = 0; i < page.PixelStride(); ++i) {
                        // Colour rows are the resampled rows; grey rows their
                        // first channel; padding is 0.
                        const bool pixel = i < (colour ? 3 * tw : tw);
                        const uint8_t want =
                            !pixel ? 0 : expected[y * Stride24(tw) + (colour ? i : 3 * i)];
                        ASSERT_EQ(page.pixels[y * page.PixelStride() + i], want)
                            << what << ": byte " << i << " of row " << y;
                    }
            }
}

}  // namespace
}  // namespace inkvista
