// The quantisers: what must survive exactly, and that the rest stays close.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <set>

#include "ToolTestSupport.h"
#include "bookwriter/Quantise.h"

namespace inkvista::bookwriter {
namespace {

using testing::TestRng;

const Dither kAllDithers[] = {Dither::None, Dither::FloydSteinberg, Dither::Ordered};

TEST(GreyQuantiser, EightLevelPicturesComeThroughUnchanged) {
    // Every level in blocks of 4 pixels, so none needs a single-pixel code.
    const int w = 64, h = 6;
    QImage picture(w, h, QImage::Format_RGB32);
    TestRng rng(1);
    std::vector<uint8_t> expected;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 4) {
            const uint8_t v = kGreyLevels[rng.Below(8)];
            for (int i = 0; i < 4; ++i) {
                picture.setPixel(x + i, y, qRgb(v, v, v));
                expected.push_back(v);
            }
        }
    }
    for (Dither d : kAllDithers) {
        const GreyPixels out = QuantiseGrey(picture, d);
        EXPECT_EQ(out.width, static_cast<uint32_t>(w));
        EXPECT_EQ(out.height, static_cast<uint32_t>(h));
        EXPECT_EQ(out.grey, expected);
    }
}

TEST(GreyQuantiser, DitheringKeepsTheToneOfAnArea) {
    // 128 lies between the levels 109 and 146: without dithering the area
    // jumps to 146; dithered, its mean stays at 128.
    QImage flat(64, 64, QImage::Format_RGB32);
    flat.fill(qRgb(128, 128, 128));
    for (Dither d : {Dither::FloydSteinberg, Dither::Ordered}) {
        const GreyPixels out = QuantiseGrey(flat, d);
        double sum = 0;
        for (uint8_t v : out.grey) {
            sum += v;
            ASSERT_TRUE(std::find(kGreyLevels.begin(), kGreyLevels.end(), v) != kGreyLevels.end());
        }
        EXPECT_NEAR(sum / static_cast<double>(out.grey.size()), 128.0, 2.0);
    }
    const GreyPixels plain = QuantiseGrey(flat, Dither::None);
    EXPECT_EQ(std::set<uint8_t>(plain.grey.begin(), plain.grey.end()), std::set<uint8_t>{146});
}

TEST(GreyQuantiser, TransparencyIsWhitePaper) {
    QImage picture(5, 1, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 0, 0));
    picture.setPixel(4, 0, qRgba(0, 0, 0, 255));
    const GreyPixels out = QuantiseGrey(picture, Dither::None);
    EXPECT_EQ(out.grey, (std::vector<uint8_t>{255, 255, 255, 255, 0}));
}

TEST(ColourQuantiser, ThirtyTwoColoursSurviveExactly) {
    TestRng rng(2);
    std::vector<QRgb> colours;
    while (colours.size() < 32) {
        const QRgb c = qRgb(rng.Below(256), rng.Below(256), rng.Below(256));
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
    QImage picture(23, 17, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, colours[(y * 23 + x) % 32]);  // each colour somewhere
    for (Dither d : kAllDithers) {
        const IndexedPixels out = QuantiseColour(picture, d);
        ASSERT_EQ(out.palette.size(), 96u);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const size_t i = out.indices[static_cast<size_t>(y * 23 + x)];
                ASSERT_LT(i, 32u);
                EXPECT_EQ(qRgb(out.palette[3 * i], out.palette[3 * i + 1], out.palette[3 * i + 2]),
                          picture.pixel(x, y));
            }
        }
    }
}

TEST(ColourQuantiser, ManyColoursGetAPaletteThatFitsThem) {
    // 4096 colours of a smooth field: the palette must fit them clearly
    // better than a fixed 4 × 4 × 2 grid of the colour cube does.
    QImage picture(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(x * 4, y * 4, 255 - (x + y) * 2));
    const IndexedPixels a = QuantiseColour(picture, Dither::None);
    EXPECT_EQ(a.palette.size(), 96u);
    auto nearestOnGrid = [](int v, int steps) {
        const int step = 255 / (steps - 1);
        return std::clamp((v + step / 2) / step, 0, steps - 1) * step;
    };
    double error = 0, gridError = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const size_t i = a.indices[static_cast<size_t>(y * 64 + x)];
            ASSERT_LT(i, 32u);
            const QRgb p = picture.pixel(x, y);
            error += std::abs(a.palette[3 * i] - qRed(p)) +
                     std::abs(a.palette[3 * i + 1] - qGreen(p)) +
                     std::abs(a.palette[3 * i + 2] - qBlue(p));
            gridError += std::abs(nearestOnGrid(qRed(p), 4) - qRed(p)) +
                         std::abs(nearestOnGrid(qGreen(p), 4) - qGreen(p)) +
                         std::abs(nearestOnGrid(qBlue(p), 2) - qBlue(p));
        }
    }
    EXPECT_LT(error, gridError * 0.6) << error / 4096 << " against " << gridError / 4096;
    // The same picture gives the same page.
    const IndexedPixels b = QuantiseColour(picture, Dither::None);
    EXPECT_EQ(a.palette, b.palette);
    EXPECT_EQ(a.indices, b.indices);
    const IndexedPixels dithered = QuantiseColour(picture, Dither::FloydSteinberg);
    for (uint8_t i : dithered.indices) ASSERT_LT(i, 32u);
}

TEST(ColourQuantiser, HonoursASmallerColourCount) {
    QImage picture(16, 1, QImage::Format_RGB32);
    for (int x = 0; x < 16; ++x) picture.setPixel(x, 0, qRgb(x * 16, 0, 0));
    const IndexedPixels out = QuantiseColour(picture, Dither::None, 4);
    EXPECT_EQ(out.palette.size(), 12u);
    for (uint8_t i : out.indices) EXPECT_LT(i, 4u);
    // Darkest first: the reds rise along the row.
    EXPECT_TRUE(std::is_sorted(out.indices.begin(), out.indices.end()));
}

}  // namespace
}  // namespace inkvista::bookwriter
