// The quantisers: what must survive exactly, and that the rest stays close.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <set>

#include "ToolTestSupport.h"
#include "bookwriter/Quantise.h"
#include "encode/PageEncoder.h"

namespace inkvista::bookwriter {
namespace {

using testing::TestRng;

const Dither kAllDithers[] = {Dither::None, Dither::FloydSteinberg, Dither::Ordered};
// The even ramp of 8 greys that pictures drawn for the device's screen use.
constexpr std::array<uint8_t, 8> kGreyLevels = {0, 36, 73, 109, 146, 182, 219, 255};

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

TEST(GreyPages, PicturesAlreadyInEightLevelsAreStoredExactly) {
    // Every level standing alone somewhere, as in lettering on screen
    // tones: the run code could say it only by changing pixels, which drew
    // dashes through letters; the page takes the record that keeps it.
    TestRng rng(3);
    RasterImage luma;
    luma.width = 61;
    luma.height = 40;
    for (uint32_t i = 0; i < luma.width * luma.height; ++i)
        luma.data.push_back(kGreyLevels[rng.Below(8)]);
    EXPECT_NE(QuantiseGrey(luma, Dither::FloydSteinberg).grey, luma.data);
    for (Dither d : kAllDithers) {
        const std::optional<GreyPage> page = QuantiseGreyPage(luma, d, "CX");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->shown.grey, luma.data);
        EXPECT_EQ(page->plan.record, "XC");
    }
}

// A white-to-black gradient, one grey value per row, over patches of flat
// tones: every level is needed as single pixels somewhere, so two of them
// must keep to runs.
QImage GradientPage() {
    QImage page(256, 256 + 64, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) page.setPixel(x, y, qRgb(255 - y, 255 - y, 255 - y));
    const int patches[4] = {128, 200, 30, 240};
    for (int y = 256; y < page.height(); ++y)
        for (int x = 0; x < 256; ++x) {
            const int v = patches[x / 64];
            page.setPixel(x, y, qRgb(v, v, v));
        }
    return page;
}

TEST(GreyQuantiser, KeepsToneWhereTwoLevelsMustKeepToRuns) {
    const QImage page = GradientPage();
    for (Dither d : {Dither::FloydSteinberg, Dither::Ordered}) {
        SCOPED_TRACE(static_cast<int>(d));
        const GreyPixels out = QuantiseGrey(page, d);
        const auto at = [&](int x, int y) { return out.grey[static_cast<size_t>(y * 256 + x)]; };
        EXPECT_EQ(std::set<uint8_t>(out.grey.begin(), out.grey.end()).size(), 8u);
        ASSERT_TRUE(encode::GreyPage(out.grey.data(), out.width, out.height, out.width));

        // Flat patches keep their mean (inside, away from their edges).
        const int patches[4] = {128, 200, 30, 240};
        for (int p = 0; p < 4; ++p) {
            double sum = 0;
            int n = 0;
            for (int y = 256 + 8; y < page.height() - 8; ++y)
                for (int x = p * 64 + 8; x < p * 64 + 56; ++x, ++n) sum += at(x, y);
            EXPECT_NEAR(sum / n, patches[p], 2.0) << patches[p];
        }
        // The gradient keeps its tone band by band, and no level covers
        // whole rows for more than 8 grey values (a quarter of the step
        // between two levels).
        int flatRows = 0, previous = -1;
        for (int y = 0; y < 256; ++y) {
            const std::set<uint8_t> row(&out.grey[static_cast<size_t>(y * 256)],
                                        &out.grey[static_cast<size_t>(y * 256 + 256)]);
            const int level = row.size() == 1 ? *row.begin() : -1;
            flatRows = level >= 0 && level == previous ? flatRows + 1 : level >= 0 ? 1 : 0;
            previous = level;
            EXPECT_LE(flatRows, 8) << "row " << y;
        }
        for (int band = 0; band < 256; band += 8) {
            double sum = 0;
            for (int y = band; y < band + 8; ++y)
                for (int x = 0; x < 256; ++x) sum += at(x, y) - (255 - y);
            EXPECT_NEAR(sum / (8 * 256), 0, 4) << "rows " << band;
        }
    }
}

TEST(GreyPages, FlatTonesGetGreysOfTheirOwn) {
    // The page's greys are its own: four flat tones that fill the page are
    // each one of them and are stored without a pattern, and a strip of
    // every grey below them keeps its darkest and lightest.
    const int tones[4] = {30, 120, 200, 240};
    RasterImage luma;
    luma.width = 256;
    luma.height = 256 + 4;
    for (uint32_t y = 0; y < luma.height; ++y)
        for (uint32_t x = 0; x < luma.width; ++x)
            luma.data.push_back(
                static_cast<uint8_t>(y >= 256 ? x : tones[2 * (y / 128) + x / 128]));
    const std::vector<uint8_t> greys = PageGreyLevels(luma, Dither::FloydSteinberg);
    ASSERT_EQ(greys.size(), 8u);
    EXPECT_TRUE(std::is_sorted(greys.begin(), greys.end()));
    EXPECT_EQ(greys.front(), 0);
    EXPECT_EQ(greys.back(), 255);
    const GreyPixels out = QuantiseGreyPage(luma, Dither::FloydSteinberg, "CX")->shown;
    for (uint32_t y = 8; y < 248; ++y)
        for (uint32_t x = 8; x < 248; ++x)
            if (x % 128 >= 8 && x % 128 < 120 && y % 128 >= 8 && y % 128 < 120) {
                ASSERT_EQ(out.grey[y * 256 + x], tones[2 * (y / 128) + x / 128]) << x << "," << y;
            }
}

TEST(GreyPages, NoTwoGreysSoFarApartThatThinStrokesTurnToDashes) {
    // A night page: nine dark tones fill it, a white balloon holds a
    // 1-pixel stroke of 170. Left to the flat tones, the greys would crowd
    // the dark and the stroke would be a mix of two greys far apart.
    RasterImage luma;
    luma.width = 90;
    luma.height = 60;
    for (uint32_t y = 0; y < luma.height; ++y)
        for (uint32_t x = 0; x < luma.width; ++x)
            luma.data.push_back(static_cast<uint8_t>(y < 40    ? 10 + 10 * (x / 10)
                                                     : x == 45 ? 170
                                                               : 255));
    const std::vector<uint8_t> greys = PageGreyLevels(luma, Dither::FloydSteinberg);
    for (size_t i = 1; i < greys.size(); ++i) EXPECT_LE(greys[i] - greys[i - 1], 64) << i;
}

TEST(GreyQuantiser, ColourBecomesGreyByRec601Luma) {
    const std::pair<QRgb, double> colours[] = {
        {qRgb(255, 0, 0), 76.2}, {qRgb(0, 255, 0), 149.7}, {qRgb(0, 0, 255), 29.1}};
    for (const auto& [colour, luma] : colours) {
        QImage flat(64, 64, QImage::Format_RGB32);
        flat.fill(colour);
        const GreyPixels out = QuantiseGrey(flat, Dither::FloydSteinberg);
        double sum = 0;
        for (uint8_t v : out.grey) sum += v;
        EXPECT_NEAR(sum / static_cast<double>(out.grey.size()), luma, 1.0) << std::hex << colour;
    }
    EXPECT_EQ(Luma601(255, 0, 0), 76);
    EXPECT_EQ(Luma601(173, 173, 173), 173);
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
