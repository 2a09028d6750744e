#include "bookwriter/Quantise.h"

#include <algorithm>
#include <limits>
#include <map>

#include "bookwriter/Refine.h"

namespace inkvista::bookwriter {
namespace {

constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

// Squared distance with the eye's weights for red, green and blue.
// Squared distance with per-channel weights.
struct Weights {
    int r, g, b;
};
// The eye's weights for red, green and blue.
constexpr Weights kEyeWeights{3, 4, 2};
constexpr Weights kEqualWeights{1, 1, 1};

// The palette sorted by green, searched outwards from the query's green:
// once the green difference alone costs more than the second best found,
// nothing further that way can be nearer. Gives what a search of every
// entry gives (ties to the lower index), a few entries looked at instead of
// 32.
class PaletteSearch {
  public:
    PaletteSearch(const std::vector<uint8_t>& palette, Weights w) : palette_(palette), w_(w) {
        for (size_t i = 0; i * 3 < palette.size(); ++i) order_.push_back(static_cast<int>(i));
        std::stable_sort(order_.begin(), order_.end(),
                         [&](int a, int b) { return Green(a) < Green(b); });
        for (int i : order_) greens_.push_back(Green(i));
    }

    // The nearest entry and the next nearest (the same when there is one).
    std::pair<int, int> TwoNearest(int r, int g, int b) const {
        Best best;
        const auto start = static_cast<size_t>(std::lower_bound(greens_.begin(), greens_.end(), g) -
                                               greens_.begin());
        for (size_t k = start; k < order_.size(); ++k)
            if (!best.Try(*this, order_[k], r, g, b)) break;
        for (size_t k = start; k-- > 0;)
            if (!best.Try(*this, order_[k], r, g, b)) break;
        return {best.first, best.second >= 0 ? best.second : best.first};
    }
    int Nearest(int r, int g, int b) const {
        int best = -1, bestD = 0;
        auto tryEntry = [&](int i) {
            const int dg = g - Green(i);
            if (best >= 0 && w_.g * dg * dg > bestD) return false;
            const uint8_t* p = &palette_[static_cast<size_t>(i) * 3];
            const int dr = r - p[0], db = b - p[2];
            const int d = w_.r * dr * dr + w_.g * dg * dg + w_.b * db * db;
            if (best < 0 || d < bestD || (d == bestD && i < best)) {
                best = i;
                bestD = d;
            }
            return true;
        };
        const auto start = static_cast<size_t>(std::lower_bound(greens_.begin(), greens_.end(), g) -
                                               greens_.begin());
        for (size_t k = start; k < order_.size(); ++k)
            if (!tryEntry(order_[k])) break;
        for (size_t k = start; k-- > 0;)
            if (!tryEntry(order_[k])) break;
        return best;
    }

  private:
    struct Best {
        int first = -1, second = -1;
        int firstD = 0, secondD = 0;
        // False once the entry's green alone puts it past the second best.
        bool Try(const PaletteSearch& s, int i, int r, int g, int b) {
            const int dg = g - s.Green(i);
            if (second >= 0 && s.w_.g * dg * dg > secondD) return false;
            const uint8_t* p = &s.palette_[static_cast<size_t>(i) * 3];
            const int dr = r - p[0], db = b - p[2];
            const int d = s.w_.r * dr * dr + s.w_.g * dg * dg + s.w_.b * db * db;
            if (first < 0 || d < firstD || (d == firstD && i < first)) {
                second = first;
                secondD = firstD;
                first = i;
                firstD = d;
            } else if (second < 0 || d < secondD || (d == secondD && i < second)) {
                second = i;
                secondD = d;
            }
            return true;
        }
    };
    int Green(int i) const { return palette_[static_cast<size_t>(i) * 3 + 1]; }

    const std::vector<uint8_t>& palette_;
    Weights w_;
    std::vector<int> order_;
    std::vector<int> greens_;
};

// One occupied cell of the colour histogram (6 bits per channel).
struct Cell {
    uint64_t count = 0;
    uint64_t sum[3] = {0, 0, 0};
    double Mean(int c) const { return static_cast<double>(sum[c]) / static_cast<double>(count); }
};

struct Box {
    std::vector<const Cell*> cells;
    double error = 0;  // count-weighted variance summed over channels
    int axis = 0;      // channel with the widest spread
};

void Measure(Box& box) {
    double n = 0, mean[3] = {0, 0, 0}, sq[3] = {0, 0, 0};
    for (const Cell* c : box.cells) {
        const double w = static_cast<double>(c->count);
        n += w;
        for (int k = 0; k < 3; ++k) {
            mean[k] += w * c->Mean(k);
            sq[k] += w * c->Mean(k) * c->Mean(k);
        }
    }
    box.error = 0;
    double widest = -1;
    for (int k = 0; k < 3; ++k) {
        const double var = sq[k] - mean[k] * mean[k] / n;
        box.error += var;
        if (var > widest) {
            widest = var;
            box.axis = k;
        }
    }
}

// Rounds of k-means after the median cut: measured on colour comic pages,
// 4 left some pages' palettes short of what 8 reach; more gain little.
constexpr int kMeansRounds = 8;

// Median cut over the histogram cells, then a few rounds of k-means on the
// cells to pull each colour to the centre of what it stands for.
std::vector<uint8_t> BuildPalette(const std::vector<Cell>& cells, int maxColours) {
    std::vector<Box> boxes(1);
    for (const Cell& c : cells) boxes[0].cells.push_back(&c);
    Measure(boxes[0]);
    while (static_cast<int>(boxes.size()) < maxColours) {
        auto it = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return (a.cells.size() > 1 ? a.error : -1) < (b.cells.size() > 1 ? b.error : -1);
        });
        if (it->cells.size() < 2) break;
        Box& box = *it;
        const int axis = box.axis;
        std::sort(box.cells.begin(), box.cells.end(),
                  [axis](const Cell* a, const Cell* b) { return a->Mean(axis) < b->Mean(axis); });
        uint64_t total = 0;
        for (const Cell* c : box.cells) total += c->count;
        uint64_t seen = 0;
        size_t split = 1;
        for (size_t i = 0; i + 1 < box.cells.size(); ++i) {
            seen += box.cells[i]->count;
            split = i + 1;
            if (seen * 2 >= total) break;
        }
        Box upper;
        upper.cells.assign(box.cells.begin() + static_cast<long>(split), box.cells.end());
        box.cells.resize(split);
        Measure(box);
        Measure(upper);
        boxes.push_back(std::move(upper));
    }

    std::vector<std::array<double, 3>> centres;
    for (const Box& box : boxes) {
        std::array<double, 4> acc{};
        for (const Cell* c : box.cells) {
            for (int k = 0; k < 3; ++k) acc[k] += static_cast<double>(c->sum[k]);
            acc[3] += static_cast<double>(c->count);
        }
        centres.push_back({acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3]});
    }
    std::vector<std::array<double, 3>> means(cells.size());
    for (size_t i = 0; i < cells.size(); ++i)
        for (int k = 0; k < 3; ++k) means[i][static_cast<size_t>(k)] = cells[i].Mean(k);
    std::vector<size_t> owner(cells.size(), centres.size());
    for (int round = 0; round < kMeansRounds; ++round) {
        // Centres by green, searched outwards from each cell's green: past a
        // green difference that alone costs more than the best found, no
        // centre can be nearer.
        std::vector<size_t> byGreen(centres.size());
        for (size_t i = 0; i < byGreen.size(); ++i) byGreen[i] = i;
        std::stable_sort(byGreen.begin(), byGreen.end(),
                         [&](size_t a, size_t b) { return centres[a][1] < centres[b][1]; });
        std::vector<std::array<double, 4>> acc(centres.size());
        bool moved = false;
        for (size_t ci = 0; ci < cells.size(); ++ci) {
            const Cell& c = cells[ci];
            const std::array<double, 3>& m = means[ci];
            size_t best = 0;
            double bestD = std::numeric_limits<double>::max();
            auto tryCentre = [&](size_t i) {
                const double dg = m[1] - centres[i][1];
                if (4 * dg * dg > bestD) return false;
                double d = 0;
                const double w[3] = {3, 4, 2};
                for (size_t k = 0; k < 3; ++k)
                    d += w[k] * (m[k] - centres[i][k]) * (m[k] - centres[i][k]);
                if (d < bestD || (d == bestD && i < best)) {
                    bestD = d;
                    best = i;
                }
                return true;
            };
            const auto start = static_cast<size_t>(
                std::lower_bound(byGreen.begin(), byGreen.end(), m[1],
                                 [&](size_t i, double g) { return centres[i][1] < g; }) -
                byGreen.begin());
            for (size_t k = start; k < byGreen.size(); ++k)
                if (!tryCentre(byGreen[k])) break;
            for (size_t k = start; k-- > 0;)
                if (!tryCentre(byGreen[k])) break;
            moved = moved || owner[ci] != best;
            owner[ci] = best;
            for (int k = 0; k < 3; ++k) acc[best][k] += static_cast<double>(c.sum[k]);
            acc[best][3] += static_cast<double>(c.count);
        }
        // Every cell where it was: the centres stand, and so would every
        // round after.
        if (!moved) break;
        for (size_t i = 0; i < centres.size(); ++i)
            if (acc[i][3] > 0)
                for (int k = 0; k < 3; ++k) centres[i][k] = acc[i][k] / acc[i][3];
    }

    // Darkest first, so that books made from the same pictures match.
    std::sort(centres.begin(), centres.end(), [](const auto& a, const auto& b) {
        return 3 * a[0] + 4 * a[1] + 2 * a[2] < 3 * b[0] + 4 * b[1] + 2 * b[2];
    });
    std::vector<uint8_t> palette;
    for (const auto& c : centres)
        for (int k = 0; k < 3; ++k)
            palette.push_back(static_cast<uint8_t>(Clamp255(static_cast<int>(c[k] + 0.5))));
    return palette;
}

// The search of RefinePage over a colour page, each pixel choosing between
// the two palette colours nearest its own.
void Refine(const RasterImage& rgb, IndexedPixels* page) {
    const size_t n = page->indices.size(), entries = page->palette.size() / 3;
    if (entries < 2) return;
    std::vector<uint8_t> choices(2 * n);
    const PaletteSearch search(page->palette, kEqualWeights);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* c = &rgb.data[3 * i];
        const auto [first, second] = search.TwoNearest(c[0], c[1], c[2]);
        choices[2 * i] = static_cast<uint8_t>(first);
        choices[2 * i + 1] = static_cast<uint8_t>(second);
    }
    RefineInput in;
    in.width = page->width;
    in.height = page->height;
    in.channels = 3;
    in.picture = rgb.data.data();
    in.palette = page->palette.data();
    in.entries = static_cast<int>(entries);
    in.choices = choices.data();
    RefinePage(in, page->indices);
}

}  // namespace

PictureRows::PictureRows(const QImage& image) : image_(image) {
    switch (image_.format()) {
        case QImage::Format_RGB888:
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_Grayscale8:
        case QImage::Format_Indexed8:
            break;
        default:
            image_ = image_.convertToFormat(QImage::Format_ARGB32);
            break;
    }
    row_.resize(3 * static_cast<size_t>(std::max(0, image_.width())));
}

const uint8_t* PictureRows::Row(int y) {
    const uint8_t* src = image_.constScanLine(y);
    const int w = image_.width();
    uint8_t* dst = row_.data();
    auto put = [&](int x, QRgb c, bool premultiplied) {
        const int a = qAlpha(c);
        const int channel[3] = {qRed(c), qGreen(c), qBlue(c)};
        for (int k = 0; k < 3; ++k) {
            const int v = premultiplied ? channel[k] + 255 - a
                                        : (channel[k] * a + 255 * (255 - a) + 127) / 255;
            dst[3 * x + k] = static_cast<uint8_t>(v);
        }
    };
    switch (image_.format()) {
        case QImage::Format_RGB888:
            return src;
        case QImage::Format_Grayscale8:
            for (int x = 0; x < w; ++x) std::fill_n(dst + 3 * x, 3, src[x]);
            break;
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = image_.colorTable();
            for (int x = 0; x < w; ++x)
                put(x, src[x] < table.size() ? table[src[x]] : qRgba(0, 0, 0, 255), false);
            break;
        }
        default: {
            const auto* pixels = reinterpret_cast<const QRgb*>(src);
            const bool premultiplied = image_.format() == QImage::Format_ARGB32_Premultiplied;
            const bool opaque = image_.format() == QImage::Format_RGB32;
            for (int x = 0; x < w; ++x) {
                const QRgb c = pixels[x];
                if (opaque || qAlpha(c) == 255) {
                    dst[3 * x] = static_cast<uint8_t>(qRed(c));
                    dst[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
                    dst[3 * x + 2] = static_cast<uint8_t>(qBlue(c));
                } else {
                    put(x, c, premultiplied);
                }
            }
            break;
        }
    }
    return dst;
}

RasterImage LumaOf(const QImage& image) {
    RasterImage out;
    if (image.format() == QImage::Format_Grayscale8) {
        out.width = static_cast<uint32_t>(image.width());
        out.height = static_cast<uint32_t>(image.height());
        out.data.resize(size_t{out.width} * out.height);
        for (uint32_t y = 0; y < out.height; ++y)
            std::copy_n(image.constScanLine(static_cast<int>(y)), out.width,
                        &out.data[size_t{y} * out.width]);
        return out;
    }
    PictureRows rows(image);
    out.width = static_cast<uint32_t>(std::max(0, rows.width()));
    out.height = static_cast<uint32_t>(std::max(0, rows.height()));
    out.grey = true;
    out.data.resize(size_t{out.width} * out.height);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* rgb = rows.Row(static_cast<int>(y));
        uint8_t* dst = &out.data[size_t{y} * out.width];
        for (size_t x = 0; x < out.width; ++x)
            dst[x] = Luma601(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
    }
    return out;
}

RasterImage RgbOf(const QImage& image) {
    PictureRows rows(image);
    RasterImage out;
    out.width = static_cast<uint32_t>(std::max(0, rows.width()));
    out.height = static_cast<uint32_t>(std::max(0, rows.height()));
    out.grey = false;
    const size_t row = size_t{out.width} * 3;
    out.data.resize(row * out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        std::copy_n(rows.Row(static_cast<int>(y)), row, &out.data[y * row]);
    return out;
}

IndexedPixels QuantiseColour(const QImage& image, Dither dither, int maxColours) {
    return QuantiseColour(RgbOf(image), dither, maxColours);
}

IndexedPixels QuantiseColour(const RasterImage& rgb, Dither dither, int maxColours) {
    maxColours = std::clamp(maxColours, 1, 32);
    IndexedPixels out;
    out.width = rgb.width;
    out.height = rgb.height;
    const size_t w = out.width;
    const auto Row = [&](uint32_t y) { return &rgb.data[size_t{y} * w * 3]; };
    out.indices.resize(w * out.height);

    // Few colours: keep them exactly.
    std::map<uint32_t, uint8_t> exact;
    for (uint32_t y = 0; y < out.height && exact.size() <= static_cast<size_t>(maxColours); ++y) {
        const uint8_t* src = Row(y);
        for (size_t x = 0; x < w && exact.size() <= static_cast<size_t>(maxColours); ++x)
            exact.emplace((src[3 * x] << 16) | (src[3 * x + 1] << 8) | src[3 * x + 2], 0);
    }
    if (exact.size() <= static_cast<size_t>(maxColours)) {
        uint8_t next = 0;
        for (auto& [rgb, index] : exact) {
            index = next++;
            out.palette.insert(out.palette.end(),
                               {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                static_cast<uint8_t>(rgb)});
        }
        for (uint32_t y = 0; y < out.height; ++y) {
            const uint8_t* src = Row(y);
            for (size_t x = 0; x < w; ++x)
                out.indices[y * w + x] =
                    exact[(src[3 * x] << 16) | (src[3 * x + 1] << 8) | src[3 * x + 2]];
        }
        return out;
    }

    std::vector<Cell> grid(1 << 18);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* src = Row(y);
        for (size_t x = 0; x < w; ++x) {
            const uint8_t* p = src + 3 * x;
            Cell& c = grid[static_cast<size_t>((p[0] >> 2) << 12 | (p[1] >> 2) << 6 | p[2] >> 2)];
            ++c.count;
            for (int k = 0; k < 3; ++k) c.sum[k] += p[k];
        }
    }
    std::vector<Cell> cells;
    for (const Cell& c : grid)
        if (c.count > 0) cells.push_back(c);
    out.palette = BuildPalette(cells, maxColours);

    const PaletteSearch search(out.palette, kEyeWeights);
    std::vector<int> errNow(3 * (w + 2), 0), errNext(3 * (w + 2), 0);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* src = Row(y);
        uint8_t* dst = out.indices.data() + y * w;
        const bool reverse = (y & 1) != 0;
        for (size_t i = 0; i < w; ++i) {
            const size_t x = reverse ? w - 1 - i : i;
            int want[3];
            for (int k = 0; k < 3; ++k) {
                int v = src[3 * x + k];
                if (dither == Dither::FloydSteinberg) v += errNow[3 * (x + 1) + k] / 16;
                if (dither == Dither::Ordered)
                    v += ((2 * kBayer4[y & 3][x & 3] + 1 - 16) * 24) / 32;
                want[k] = Clamp255(v);
            }
            const int index = search.Nearest(want[0], want[1], want[2]);
            dst[x] = static_cast<uint8_t>(index);
            if (dither != Dither::FloydSteinberg) continue;
            const size_t ahead = reverse ? x : x + 2, behind = reverse ? x + 2 : x;
            for (int k = 0; k < 3; ++k) {
                const int e =
                    want[k] - out.palette[static_cast<size_t>(index) * 3 + static_cast<size_t>(k)];
                errNow[3 * ahead + static_cast<size_t>(k)] += 7 * e;
                errNext[3 * behind + static_cast<size_t>(k)] += 3 * e;
                errNext[3 * (x + 1) + static_cast<size_t>(k)] += 5 * e;
                errNext[3 * ahead + static_cast<size_t>(k)] += e;
            }
        }
        std::swap(errNow, errNext);
        std::fill(errNext.begin(), errNext.end(), 0);
    }
    if (dither == Dither::FloydSteinberg) Refine(rgb, &out);
    return out;
}

}  // namespace inkvista::bookwriter
