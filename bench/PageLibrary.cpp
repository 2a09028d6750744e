#include "PageLibrary.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "book/Scaler.h"
#include "encode/BookWriter.h"

namespace inkvista::bench {
namespace {

// A small deterministic generator, so every run benchmarks the same pages.
struct Random {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

// A comic page drawn in `levels` values: white gutters, panels with black
// frames, a flat background per panel, figures (ellipses), a screen-tone
// gradient dithered between two neighbouring values, and speech bubbles full
// of small letter-like strokes. `ink` is black, `paper` white.
std::vector<uint8_t> DrawPage(Size size, int levels, uint8_t ink, uint8_t paper, uint64_t seed) {
    const int w = static_cast<int>(size.width), h = static_cast<int>(size.height);
    std::vector<uint8_t> image(size_t(w) * h, paper);
    Random random{seed};
    auto at = [&](int x, int y) -> uint8_t& { return image[size_t(y) * w + x]; };
    auto fill = [&](int x0, int y0, int x1, int y1, uint8_t v) {
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) at(x, y) = v;
    };
    auto ellipse = [&](int cx, int cy, int rx, int ry, uint8_t v, int x0, int y0, int x1, int y1) {
        for (int y = std::max(y0, cy - ry); y < std::min(y1, cy + ry); ++y)
            for (int x = std::max(x0, cx - rx); x < std::min(x1, cx + rx); ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) at(x, y) = v;
            }
    };
    const int gutter = std::max(4, w / 60), frame = std::max(2, w / 200);
    const int rows = 3 + (h > 1000);
    int top = gutter;
    for (int r = 0; r < rows; ++r) {
        const int bottom = r + 1 == rows ? h - gutter : top + (h - gutter) / rows - gutter;
        const int columns = 1 + random.Below(3);
        int left = gutter;
        for (int c = 0; c < columns; ++c) {
            const int right =
                c + 1 == columns ? w - gutter : left + (w - gutter) / columns - gutter;
            fill(left, top, right, bottom, ink);
            const int x0 = left + frame, y0 = top + frame, x1 = right - frame, y1 = bottom - frame;
            const auto background = static_cast<uint8_t>(1 + random.Below(levels - 2));
            fill(x0, y0, x1, y1, background);
            // Screen tone: an ordered-dither gradient over the lower third.
            static const int kBayer[4][4] = {
                {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
            const int toneTop = y0 + (y1 - y0) * 2 / 3;
            for (int y = toneTop; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    const int share = 16 * (y - toneTop) / std::max(1, y1 - toneTop);
                    at(x, y) = static_cast<uint8_t>(kBayer[y & 3][x & 3] < share ? background - 1
                                                                                 : background);
                }
            // Figures.
            for (int f = random.Below(3) + 1; f > 0; --f) {
                const int cx = x0 + random.Below(std::max(1, x1 - x0));
                const int cy = y0 + (y1 - y0) / 2 + random.Below(std::max(1, (y1 - y0) / 3));
                const int rx = std::max(3, (x1 - x0) / 8), ry = std::max(3, (y1 - y0) / 3);
                ellipse(cx, cy, rx + frame, ry + frame, ink, x0, y0, x1, y1);
                ellipse(cx, cy, rx, ry, static_cast<uint8_t>(random.Below(levels)), x0, y0, x1, y1);
                ellipse(cx, cy - ry, rx * 2 / 3, rx * 2 / 3, paper, x0, y0, x1, y1);
            }
            // A speech bubble with lettering.
            const int bw = (x1 - x0) / 2, bh = std::max(8, (y1 - y0) / 4);
            const int bx = x0 + random.Below(std::max(1, x1 - x0 - bw)), by = y0 + frame * 2;
            ellipse(bx + bw / 2, by + bh / 2, bw / 2 + frame, bh / 2 + frame, ink, x0, y0, x1, y1);
            ellipse(bx + bw / 2, by + bh / 2, bw / 2, bh / 2, paper, x0, y0, x1, y1);
            const int letter = std::max(3, w / 80);
            for (int ly = by + bh / 4; ly + letter < by + bh * 3 / 4; ly += letter * 2)
                for (int lx = bx + bw / 5; lx + letter < bx + bw * 4 / 5; lx += letter + 1)
                    for (int s = 0; s < 3; ++s) {
                        const int px = lx + random.Below(letter), py = ly + random.Below(letter);
                        fill(px, py, px + 1 + (s == 0), py + letter / 2, ink);
                    }
            left = right + gutter;
        }
        top = bottom + gutter;
    }
    return image;
}

Page MakePage(Size size, bool colour) {
    Page page;
    page.size = size;
    page.colour = colour;
    page.name = std::string(colour ? "colour/" : "grey/") + std::to_string(size.width) + "x" +
                std::to_string(size.height);
    const uint64_t seed = size.width * 31 + size.height + colour;
    const uint32_t w = size.width, h = size.height;
    if (colour) {
        const auto indices = DrawPage(size, 32, 0, 31, seed);
        std::vector<uint8_t> palette;
        for (int i = 0; i < 32; ++i) {
            const int warm = i * 8;
            palette.insert(palette.end(), {static_cast<uint8_t>(std::min(255, warm + 10)),
                                           static_cast<uint8_t>(std::min(255, i * 7 + 20)),
                                           static_cast<uint8_t>(255 - std::min(255, warm))});
        }
        palette[93] = palette[94] = palette[95] = 255;  // paper
        auto plan = encode::ColourPage(indices.data(), w, h, w, palette);
        if (!plan) std::abort();
        page.plan = std::move(*plan);
        page.lzoBlock = page.plan.packed;
        page.lzoOutput = encode::ColourRowBytes(w) * h;
        QImage image(int(w), int(h), QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 32; ++i)
            table.push_back(qRgb(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]));
        image.setColorTable(table);
        for (uint32_t y = 0; y < h; ++y) std::memcpy(image.scanLine(int(y)), &indices[y * w], w);
        QBuffer buffer(&page.png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    } else {
        auto codes = DrawPage(size, 8, 0, 7, seed);
        std::vector<uint8_t> grey(codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            grey[i] = static_cast<uint8_t>(codes[i] * 255 / 7);
        encode::RestrictGreyForRuns(grey.data(), w, h, w);
        auto plan = encode::GreyPage(grey.data(), w, h, w);
        if (!plan) std::abort();
        page.plan = std::move(*plan);
        std::vector<uint8_t> stored(Stride8(w) * h, 0);
        for (uint32_t y = 0; y < h; ++y) std::memcpy(&stored[y * Stride8(w)], &grey[y * w], w);
        auto block = encode::CompressLzo1x1(stored);
        if (!block) std::abort();
        page.lzoBlock = std::move(*block);
        page.lzoOutput = stored.size();
        QImage image(int(w), int(h), QImage::Format_Grayscale8);
        for (uint32_t y = 0; y < h; ++y) std::memcpy(image.scanLine(int(y)), &grey[y * w], w);
        QBuffer buffer(&page.png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    return page;
}

}  // namespace

Library::Library() {
    encode::BookPlan plan;
    for (const Size size : kSizes)
        for (const bool colour : {false, true}) {
            pages.push_back(MakePage(size, colour));
            plan.pages.push_back(pages.back().plan);
        }
    const std::string path = (device.root() / "bench.cmb").string();
    if (!encode::WriteFile(path, encode::BuildBook(plan))) std::abort();
    book.bookPath = u"\\bench.cmb";
    book.pageOffsets = encode::PageOffsets(plan);
    book.pageCount = static_cast<int32_t>(book.pageOffsets.size());
}

Library& TheLibrary() {
    static Library library;
    return library;
}

void SetSourceRate(benchmark::State& state, const Page& page) {
    const double pixels = double(page.size.width) * page.size.height;
    state.counters["MP/s"] =
        benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace inkvista::bench
