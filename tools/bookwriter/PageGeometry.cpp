#include "bookwriter/PageGeometry.h"

#include <algorithm>
#include <cmath>

#include "bookwriter/Quantise.h"

namespace inkvista::bookwriter {
namespace {

// Light enough to be white paper, dark enough to be black: JPEG noise and
// scanner grain stay within this of the paper's value.
constexpr int kPaperTolerance = 16;

enum class Paper { None, White, Black };

uint8_t LumaAt(const RasterImage& p, uint32_t x, uint32_t y) {
    if (p.grey) return p.data[size_t{y} * p.width + x];
    const uint8_t* c = &p.data[(size_t{y} * p.width + x) * 3];
    return Luma601(c[0], c[1], c[2]);
}

Paper PaperOf(uint8_t v) {
    if (v >= 255 - kPaperTolerance) return Paper::White;
    if (v <= kPaperTolerance) return Paper::Black;
    return Paper::None;
}

// A line of `n` pixels, `at(i)` each: its paper, or None when it holds
// anything but one paper.
template <typename At>
Paper LinePaper(uint32_t n, const At& at) {
    const Paper first = n > 0 ? PaperOf(at(0)) : Paper::None;
    if (first == Paper::None) return first;
    for (uint32_t i = 1; i < n; ++i)
        if (PaperOf(at(i)) != first) return Paper::None;
    return first;
}

// How many lines from one edge are plain, of the same paper as the edge
// line, looking at no more than `most` of them.
template <typename Line>
uint32_t PlainLines(uint32_t most, const Line& line) {
    if (most == 0) return 0;
    const Paper paper = line(0);
    if (paper == Paper::None) return 0;
    uint32_t n = 1;
    while (n < most && line(n) == paper) ++n;
    return n;
}

// Whether `r` holds nothing but one paper.
bool Blank(const RasterImage& p, const Region& r) {
    const Paper paper = PaperOf(LumaAt(p, r.x, r.y));
    for (uint32_t y = r.y; y < r.y + r.height; ++y)
        for (uint32_t x = r.x; x < r.x + r.width; ++x)
            if (PaperOf(LumaAt(p, x, y)) != paper) return false;
    return paper != Paper::None;
}

// The paper kept along a side of `length` lines.
uint32_t Sliver(uint32_t length) {
    return std::max<uint32_t>(1, (length + 99) / 100);
}

// Lines to drop along a side of `length`: the plain ones but the sliver, at
// most `limit`. The lines looked at reach past the limit by the sliver, so a
// cut at the limit still leaves paper before the content.
template <typename Line>
uint32_t Cut(uint32_t limit, uint32_t length, const Line& line) {
    const uint32_t sliver = Sliver(length);
    const uint32_t plain = PlainLines(std::min(length, limit + sliver), line);
    return plain > sliver ? std::min(limit, plain - sliver) : 0;
}

}  // namespace

PixelSize TargetSize(PixelSize source, const SizeRule& rule) {
    const uint64_t w = std::max<uint32_t>(source.width, 1),
                   h = std::max<uint32_t>(source.height, 1);
    auto scaled = [](uint64_t side, uint64_t to, uint64_t from) {
        return static_cast<uint32_t>(std::max<uint64_t>(1, (2 * side * to + from) / (2 * from)));
    };
    PixelSize target{static_cast<uint32_t>(w), static_cast<uint32_t>(h)};
    switch (rule.mode) {
        case SizeRule::Mode::Original:
            return target;
        case SizeRule::Mode::Width:
            target = {rule.width, scaled(h, rule.width, w)};
            break;
        case SizeRule::Mode::Box:
            // Width-bound when W / w <= H / h.
            if (uint64_t{rule.width} * h <= uint64_t{rule.height} * w)
                target = {rule.width, std::min(rule.height, scaled(h, rule.width, w))};
            else
                target = {std::min(rule.width, scaled(w, rule.height, h)), rule.height};
            break;
    }
    if (!rule.upscale && target.width > w)
        return {static_cast<uint32_t>(w), static_cast<uint32_t>(h)};
    return target;
}

bool IsSpread(PixelSize picture) {
    return uint64_t{picture.width} * 100 > uint64_t{picture.height} * 116;
}

Region FindContent(const RasterImage& p, double limit) {
    limit = std::clamp(limit, 0.0, kMostCrop);
    const auto limitX = static_cast<uint32_t>(p.width * limit);
    const auto limitY = static_cast<uint32_t>(p.height * limit);
    auto row = [&](uint32_t y) {
        return LinePaper(p.width, [&](uint32_t x) { return LumaAt(p, x, y); });
    };
    auto column = [&](uint32_t x) {
        return LinePaper(p.height, [&](uint32_t y) { return LumaAt(p, x, y); });
    };
    const uint32_t top = Cut(limitY, p.height, row);
    const uint32_t bottom =
        Cut(limitY, p.height, [&](uint32_t i) { return row(p.height - 1 - i); });
    const uint32_t left = Cut(limitX, p.width, column);
    const uint32_t right =
        Cut(limitX, p.width, [&](uint32_t i) { return column(p.width - 1 - i); });
    const Region content{left, top, p.width - left - right, p.height - top - bottom};
    if (top + bottom >= p.height || left + right >= p.width) return Whole(p);
    // Paper to the limit on every side may be a blank page: it stays whole.
    if (top == limitY && bottom == limitY && left == limitX && right == limitX && Blank(p, content))
        return Whole(p);
    return content;
}

std::vector<Region> PageRegions(const RasterImage& picture, const CropRule& crop, bool split,
                                bool rightToLeft) {
    Region all = Whole(picture);
    if (crop.enabled && picture.width > 0 && picture.height > 0)
        all = FindContent(picture, crop.limit);
    if (!split || picture.width < 2) return {all};
    // Both halves lose the same amount at their outer sides, so that they
    // keep the same width and are scaled alike.
    const uint32_t middle = picture.width / 2;
    const uint32_t outer = std::min({all.x, picture.width - (all.x + all.width), middle - 1});
    Region left{outer, all.y, middle - outer, all.height};
    Region right{middle, all.y, picture.width - outer - middle, all.height};
    if (rightToLeft) return {right, left};
    return {left, right};
}

}  // namespace inkvista::bookwriter
