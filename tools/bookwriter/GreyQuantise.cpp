// The grey quantiser: dithering into eight levels within what the run code
// can say.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "bookwriter/Quantise.h"
#include "bookwriter/Refine.h"
#include "encode/PageEncoder.h"

namespace inkvista::bookwriter {
namespace {

constexpr uint32_t kMinRun = encode::kMinRun;
constexpr size_t kMostSingleLevels = encode::kGreyPaletteEntries - 2;
constexpr size_t kMostLevels = encode::kGreyPaletteEntries;
constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Index i + k of a line of n, the line's end repeated past either edge.
size_t Beside(size_t i, int k, size_t n) {
    return static_cast<size_t>(
        std::clamp<long>(static_cast<long>(i) + k, 0, static_cast<long>(n) - 1));
}

// The grey values one page is quantised to, ascending, with the nearest
// value and the value at or below each grey value looked up.
class Levels {
  public:
    explicit Levels(const std::vector<uint8_t>& values) : count_(static_cast<int>(values.size())) {
        std::copy(values.begin(), values.end(), value_.begin());
        for (int v = 0, below = 0; v < 256; ++v) {
            while (below + 1 < count_ && value_[static_cast<size_t>(below + 1)] <= v) ++below;
            below_[static_cast<size_t>(v)] = static_cast<uint8_t>(below);
            const int up = std::min(below + 1, count_ - 1);
            nearest_[static_cast<size_t>(v)] = static_cast<uint8_t>(
                std::abs((*this)[up] - v) < std::abs((*this)[below] - v) ? up : below);
        }
    }
    int count() const { return count_; }
    int operator[](int index) const { return value_[static_cast<size_t>(index)]; }
    const uint8_t* data() const { return value_.data(); }
    int Nearest(int v) const { return nearest_[static_cast<size_t>(std::clamp(v, 0, 255))]; }
    int Below(int v) const { return below_[static_cast<size_t>(std::clamp(v, 0, 255))]; }

  private:
    std::array<uint8_t, kMostLevels> value_{};
    int count_;
    std::array<uint8_t, 256> nearest_{}, below_{};
};

// Per grey value, how much the page's structure is worth where that value
// lies: a pixel counts 1 / (local variance + C2), SSIM's own weighing of a
// residual pattern, with the variance that of the picture blurred by about
// one pixel (the eye's view of the stored page) over about one and a half.
// A dither pattern costs little in detail and much in flat tone.
std::array<double, 256> WeightedHistogram(const RasterImage& luma) {
    const size_t w = luma.width, h = luma.height;
    std::array<double, 256> histogram{};
    if (w == 0 || h == 0) return histogram;
    static constexpr float kEye[5] = {1 / 16.f, 4 / 16.f, 6 / 16.f, 4 / 16.f, 1 / 16.f};
    static constexpr float kWindow[9] = {1 / 256.f,  8 / 256.f,  28 / 256.f, 56 / 256.f, 70 / 256.f,
                                         56 / 256.f, 28 / 256.f, 8 / 256.f,  1 / 256.f};
    // One row filtered across, the edge repeated.
    const auto across = [&](const auto* in, const float* taps, int radius, float* out) {
        for (size_t x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += taps[k + radius] * static_cast<float>(in[Beside(x, k, w)]);
            out[x] = sum;
        }
    };
    // Rows are made as the rows below them ask, each kept while a filter
    // down still reaches it: a few rows in hand, whatever the picture's
    // height (an --original page may be tens of megapixels).
    struct Rows {
        size_t count, width;
        std::vector<float> data;
        std::vector<long> row;
        Rows(size_t n, size_t width) : count(n), width(width), data(n * width), row(n, -1) {}
        // The slot of row r, and whether it must still be made.
        std::pair<float*, bool> Slot(size_t r) {
            const size_t slot = r % count;
            const bool make = row[slot] != static_cast<long>(r);
            row[slot] = static_cast<long>(r);
            return {&data[slot * width], make};
        }
    };
    // The window's rows hold the blurred values and then their squares.
    Rows eyeAcross(5, w), windowAcross(9, 2 * w);
    std::vector<float> seen(w), squares(w);
    const auto eyeRow = [&](size_t r) {
        auto [row, make] = eyeAcross.Slot(r);
        if (make) across(&luma.data[r * w], kEye, 2, row);
        return row;
    };
    // Row r of the picture blurred both ways, and of its square, filtered
    // across by the window.
    const auto windowRows = [&](size_t r) {
        auto [values, make] = windowAcross.Slot(r);
        float* squared = values + w;
        if (make) {
            std::fill(seen.begin(), seen.end(), 0.0f);
            for (int k = -2; k <= 2; ++k) {
                const float* row = eyeRow(Beside(r, k, h));
                for (size_t x = 0; x < w; ++x) seen[x] += kEye[k + 2] * row[x];
            }
            for (size_t x = 0; x < w; ++x) squares[x] = seen[x] * seen[x];
            across(seen.data(), kWindow, 4, values);
            across(squares.data(), kWindow, 4, squared);
        }
        return std::pair<const float*, const float*>(values, squared);
    };
    constexpr double kC2 = (0.03 * 255) * (0.03 * 255);
    std::vector<float> mean(w), meanSquare(w);
    for (size_t y = 0; y < h; ++y) {
        std::fill(mean.begin(), mean.end(), 0.0f);
        std::fill(meanSquare.begin(), meanSquare.end(), 0.0f);
        for (int k = -4; k <= 4; ++k) {
            const auto [values, squared] = windowRows(Beside(y, k, h));
            for (size_t x = 0; x < w; ++x) {
                mean[x] += kWindow[k + 4] * values[x];
                meanSquare[x] += kWindow[k + 4] * squared[x];
            }
        }
        for (size_t x = 0; x < w; ++x) {
            const double variance =
                std::max(0.0, double(meanSquare[x]) - double(mean[x]) * mean[x]);
            histogram[luma.data[y * w + x]] += 1 / (variance + kC2);
        }
    }
    return histogram;
}

// No two neighbouring greys of a page lie further apart than this, 7/4 of
// an even ramp's step: a thin stroke or the soft edge of a letter between
// them is drawn as a mix of the two, and a wide gap turns the mix into
// dashes (a night page's greys otherwise crowd its dark tones and leave the
// balloons' lettering to mix 96 with 202). A closer bound takes greys from
// pages whose tones all lie high or all low: at 48, a light colour page
// fell below a plain Floyd-Steinberg remap's SSIM.
constexpr int kMostGap = 64;

// The eight grey values, the darkest and lightest of the picture among
// them, that leave the least dither pattern: a tone t between neighbouring
// values a and b is drawn as a mix of the two whose variance is
// (t - a)(b - t), so the values are placed, exactly by dynamic programming,
// to make that small where the picture has much of its weight, none more
// than kMostGap from the next. Without a dither the tone is rounded
// instead, and the cost is the squared rounding.
std::vector<uint8_t> ChooseLevels(const RasterImage& luma, Dither dither) {
    std::array<bool, 256> present{};
    for (uint8_t v : luma.data) present[v] = true;
    std::vector<uint8_t> values;
    for (int v = 0; v < 256; ++v)
        if (present[static_cast<size_t>(v)]) values.push_back(static_cast<uint8_t>(v));
    if (values.size() <= kMostLevels) return values.empty() ? std::vector<uint8_t>{255} : values;

    const std::array<double, 256> weight = WeightedHistogram(luma);
    // Prefix sums of the weight times 1, t and t² give any interval's cost.
    std::array<double, 257> s0{}, s1{}, s2{};
    for (int t = 0; t < 256; ++t) {
        const double h = weight[static_cast<size_t>(t)];
        s0[static_cast<size_t>(t) + 1] = s0[static_cast<size_t>(t)] + h;
        s1[static_cast<size_t>(t) + 1] = s1[static_cast<size_t>(t)] + h * t;
        s2[static_cast<size_t>(t) + 1] = s2[static_cast<size_t>(t)] + h * t * t;
    }
    // Σ h(t) (t - a)(b - t), or Σ h(t) (t - c)², over lo <= t < hi.
    auto mix = [&](int lo, int hi, double a, double b) {
        const double n = s0[hi] - s0[lo], m1 = s1[hi] - s1[lo], m2 = s2[hi] - s2[lo];
        return -m2 + (a + b) * m1 - a * b * n;
    };
    auto square = [&](int lo, int hi, double c) {
        const double n = s0[hi] - s0[lo], m1 = s1[hi] - s1[lo], m2 = s2[hi] - s2[lo];
        return m2 - 2 * c * m1 + c * c * n;
    };
    auto cost = [&](int a, int b) {  // the tones strictly between values a and b
        if (dither != Dither::None) return mix(a + 1, b, a, b);
        const int middle = (a + b) / 2 + 1;
        return square(a + 1, middle, a) + square(middle, b, b);
    };
    const int lo = values.front(), hi = values.back();
    constexpr double kNone = std::numeric_limits<double>::infinity();
    // best[k][v]: the least cost of the tones from lo to v with value k at v.
    std::vector<std::array<double, 256>> best(kMostLevels);
    std::vector<std::array<uint8_t, 256>> from(kMostLevels);
    best[0].fill(kNone);
    best[0][static_cast<size_t>(lo)] = 0;
    for (size_t k = 1; k < kMostLevels; ++k) {
        best[k].fill(kNone);
        for (int b = lo + 1; b <= hi; ++b)
            for (int a = std::max(lo, b - kMostGap); a < b; ++a) {
                if (best[k - 1][static_cast<size_t>(a)] == kNone) continue;
                const double c = best[k - 1][static_cast<size_t>(a)] + cost(a, b);
                if (c < best[k][static_cast<size_t>(b)]) {
                    best[k][static_cast<size_t>(b)] = c;
                    from[k][static_cast<size_t>(b)] = static_cast<uint8_t>(a);
                }
            }
    }
    std::vector<uint8_t> chosen(kMostLevels);
    int v = hi;
    for (size_t k = kMostLevels; k-- > 0;) {
        chosen[k] = static_cast<uint8_t>(v);
        if (k > 0) v = from[k][static_cast<size_t>(v)];
    }
    return chosen;
}

// Levels (by index) that may appear only in runs of kMinRun pixels or more.
using RunOnly = std::array<bool, kMostLevels>;

// One pass of dithering, row by row, serpentine. Errors are kept in
// sixteenths of a grey value, in two rows with a margin of one pixel on
// each side. The
// ordered dither spreads only what the run rule costs it, so its pattern
// stays where no rule applies.
class GreyDither {
  public:
    GreyDither(uint32_t width, Dither dither, const Levels& levels, const RunOnly& runOnly)
        : width_(width),
          dither_(dither),
          levels_(levels),
          runOnly_(runOnly),
          now_(width + 2),
          next_(width + 2) {}

    // `luma` in, level indices out, both `width` long.
    void Row(const uint8_t* luma, uint32_t y, uint8_t* out) {
        if (dither_ == Dither::Ordered) {
            OrderedRow(luma, y, out);
            return;
        }
        const bool reverse = (y & 1) != 0;
        int forced = 0, previous = -1;
        for (size_t i = 0; i < width_; ++i) {
            const size_t x = reverse ? width_ - 1 - i : i;
            const int want = Want(luma, x, y);
            int q = levels_.Nearest(Round(want));
            if (forced > 0) {
                q = previous;
                --forced;
            } else if (runOnly_[static_cast<size_t>(q)] && q != previous) {
                if (StartsRun(luma, i, y, reverse, q, want))
                    forced = static_cast<int>(kMinRun) - 1;
                else
                    q = NearestFree(want);
            }
            out[x] = static_cast<uint8_t>(q);
            previous = q;
            if (dither_ == Dither::FloydSteinberg) Spread(x, reverse, want - 16 * Level(q));
        }
        std::swap(now_, next_);
        std::fill(next_.begin(), next_.end(), 0);
    }

  private:
    static int Round(int sixteenths) { return (sixteenths + 8) >> 4; }

    // What pixel x asks for, in sixteenths of a grey value.
    int Want(const uint8_t* luma, size_t x, uint32_t) const { return 16 * luma[x] + now_[x + 1]; }

    // The ordered dither has no error to spread, so the run rule goes into
    // the pattern itself: where a block of four pixels lies between a
    // run-only level and its neighbour, the block as a whole is dithered
    // between the two by a Bayer pattern over blocks, which keeps its tone;
    // elsewhere each pixel is dithered as usual. A run-only level left in a
    // run too short (at an edge inside a block) takes the nearest level
    // that may stand alone.
    void OrderedRow(const uint8_t* luma, uint32_t y, uint8_t* out) {
        for (size_t x0 = 0; x0 < width_; x0 += kMinRun) {
            const size_t n = std::min<size_t>(kMinRun, width_ - x0);
            int block = kFree;
            if (n == kMinRun) block = BlockLevel(luma + x0, y, x0 / kMinRun);
            for (size_t x = x0; x < x0 + n; ++x) {
                int q = block >= 0 ? block : OrderedLevel(luma[x], x, y);
                if (block == kFreeOnly && runOnly_[static_cast<size_t>(q)])
                    q = NearestFree(16 * luma[x]);
                out[x] = static_cast<uint8_t>(q);
            }
        }
        for (size_t x = 0; x < width_;) {
            size_t end = x + 1;
            while (end < width_ && out[end] == out[x]) ++end;
            if (runOnly_[out[x]] && end - x < kMinRun)
                for (size_t k = x; k < end; ++k)
                    out[k] = static_cast<uint8_t>(NearestFree(16 * luma[k]));
            x = end;
        }
    }

    // The upper of the two values around v when v's share of the way up
    // passes the pattern's threshold (t + 1/2) / 16.
    int OrderedLevel(int v, size_t x, uint32_t y) const {
        const int lo = levels_.Below(v), hi = std::min(lo + 1, levels_.count() - 1);
        const int threshold = 2 * kBayer4[y & 3][x & 3] + 1;
        return 32 * (v - Level(lo)) > threshold * (Level(hi) - Level(lo)) ? hi : lo;
    }

    // What BlockLevel answers besides a level for the whole block: each
    // pixel is dithered on its own, freely or among the free levels only.
    static constexpr int kFree = -1, kFreeOnly = -2;

    // The level of a whole block when its tone lies next to a run-only
    // level and the pattern gives it that level; kFreeOnly when the pattern
    // gives it the other level; else kFree.
    int BlockLevel(const uint8_t* luma, uint32_t y, size_t block) const {
        int sum = 0;
        for (size_t k = 0; k < kMinRun; ++k) sum += luma[k];
        const int mean4 = sum;  // four times the mean
        int lo = 0;
        while (lo + 1 < levels_.count() && 4 * Level(lo + 1) <= mean4) ++lo;
        const int hi = std::min(lo + 1, levels_.count() - 1);
        if (!runOnly_[static_cast<size_t>(lo)] && !runOnly_[static_cast<size_t>(hi)]) return kFree;
        if (hi == lo) return lo;
        // Upper level when the block's share of the way up passes the
        // threshold (t + 1/2) / 16.
        const int threshold = 2 * kBayer4[y & 3][block & 3] + 1;
        const bool up = 32 * (mean4 - 4 * Level(lo)) > threshold * 4 * (Level(hi) - Level(lo));
        const int chosen = up ? hi : lo;
        return runOnly_[static_cast<size_t>(chosen)] ? chosen : kFreeOnly;
    }

    int NearestFree(int want) const {
        int best = -1;
        for (int i = 0; i < levels_.count(); ++i) {
            if (runOnly_[static_cast<size_t>(i)]) continue;
            if (best < 0 || std::abs(16 * Level(i) - want) < std::abs(16 * Level(best) - want))
                best = i;
        }
        return best;
    }

    // Whether the pixel at step `i` of the row starts a run of `level`: there
    // is room for a whole run, and the tone of its pixels as they stand is
    // nearer that level than the nearest level that may stand alone.
    bool StartsRun(const uint8_t* luma, size_t i, uint32_t y, bool reverse, int level,
                   int want) const {
        if (i + kMinRun > width_) return false;
        int sum = want;
        for (size_t k = 1; k < kMinRun; ++k)
            sum += Want(luma, reverse ? width_ - 1 - (i + k) : i + k, y);
        const int runLevel = static_cast<int>(16 * kMinRun) * Level(level);
        const int freeLevel = static_cast<int>(16 * kMinRun) * Level(NearestFree(want));
        return std::abs(sum - runLevel) <= std::abs(sum - freeLevel);
    }

    // Floyd–Steinberg's shares of `e` (sixteenths), none of it lost.
    void Spread(size_t x, bool reverse, int e) {
        const size_t ahead = reverse ? x : x + 2, behind = reverse ? x + 2 : x;
        const int right = e * 7 / 16, below = e * 5 / 16, belowBehind = e * 3 / 16;
        now_[ahead] += right;
        next_[behind] += belowBehind;
        next_[x + 1] += below;
        next_[ahead] += e - right - below - belowBehind;
    }

    int Level(int index) const { return levels_[index]; }

    size_t width_;
    Dither dither_;
    const Levels& levels_;
    RunOnly runOnly_;
    std::vector<int> now_, next_;
};

// Adds each level's pixels in runs shorter than kMinRun.
void CountShortRuns(const uint8_t* row, size_t width, std::array<uint64_t, 8>& shortPixels,
                    std::array<bool, 8>& used) {
    for (size_t x = 0; x < width;) {
        size_t end = x + 1;
        while (end < width && row[end] == row[x]) ++end;
        used[row[x]] = true;
        if (end - x < kMinRun) shortPixels[row[x]] += end - x;
        x = end;
    }
}

// What a run-only pair costs is measured, not guessed from how rarely the
// levels stand alone: the pairs of the levels that stand alone least often
// are each dithered in full and judged by their error.
constexpr int kRunOnlyCandidates = 4;

// The levels by how rarely they stood alone; on equal counts the outer one,
// as paper and ink are what runs best.
std::array<int, kMostLevels> ByShortPixels(const std::array<uint64_t, 8>& shortPixels) {
    std::array<int, kMostLevels> order{};
    for (int i = 0; i < static_cast<int>(kMostLevels); ++i) order[static_cast<size_t>(i)] = i;
    auto middle = [](int i) { return std::abs(2 * i - (static_cast<int>(kMostLevels) - 1)); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const uint64_t sa = shortPixels[static_cast<size_t>(a)];
        const uint64_t sb = shortPixels[static_cast<size_t>(b)];
        return sa != sb ? sa < sb : middle(a) > middle(b);
    });
    return order;
}

// Each level's pixels in runs shorter than kMinRun over a whole page;
// answers whether the grey run code can say the page as it stands.
bool CountAllShortRuns(const std::vector<uint8_t>& levels, uint32_t width, uint32_t height,
                       std::array<uint64_t, 8>* shortPixels) {
    std::array<bool, 8> used{};
    shortPixels->fill(0);
    for (uint32_t y = 0; y < height; ++y)
        CountShortRuns(&levels[size_t{y} * width], width, *shortPixels, used);
    const auto single =
        std::count_if(shortPixels->begin(), shortPixels->end(), [](uint64_t n) { return n > 0; });
    return static_cast<size_t>(single) <= kMostSingleLevels;
}

// One pass over the luma plane into `out` (level indices); answers whether
// the result is encodable as it stands, and each level's short-run count.
bool DitherPass(const RasterImage& luma, Dither dither, const Levels& levels,
                const RunOnly& runOnly, uint8_t* out, std::array<uint64_t, 8>* shortPixels) {
    const size_t w = luma.width;
    GreyDither pass(luma.width, dither, levels, runOnly);
    std::array<bool, 8> used{};
    shortPixels->fill(0);
    for (uint32_t y = 0; y < luma.height; ++y) {
        uint8_t* row = out + size_t{y} * w;
        pass.Row(&luma.data[size_t{y} * w], y, row);
        CountShortRuns(row, w, *shortPixels, used);
    }
    const auto single =
        std::count_if(shortPixels->begin(), shortPixels->end(), [](uint64_t n) { return n > 0; });
    return static_cast<size_t>(single) <= kMostSingleLevels;
}

// A dithered page: level indices, and its error as the eye sees it.
struct Dithered {
    std::vector<uint8_t> levels;
    bool encodable = false;  // by the run code as it stands
    double error = 0;
};

// The squared error of `levels` against `luma` after both are blurred by
// the binomial filter 1 4 6 4 1 (close to a Gaussian of sigma 1): what is
// left of a dither pattern at arm's length, and what dashes and broken
// lines change.
double BlurredError(const RasterImage& luma, const Levels& values,
                    const std::vector<uint8_t>& levels) {
    const size_t w = luma.width, h = luma.height;
    if (w == 0 || h == 0) return 0;
    std::vector<int32_t> d(w * h), across(w * h);
    for (size_t i = 0; i < w * h; ++i) d[i] = values[levels[i]] - luma.data[i];
    static constexpr int kTaps[5] = {1, 4, 6, 4, 1};
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            int32_t sum = 0;
            for (int k = -2; k <= 2; ++k) sum += kTaps[k + 2] * d[y * w + Beside(x, k, w)];
            across[y * w + x] = sum;
        }
    double total = 0;
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            int64_t sum = 0;
            for (int k = -2; k <= 2; ++k) sum += kTaps[k + 2] * across[Beside(y, k, h) * w + x];
            const double v = double(sum) / 256;
            total += v * v;
        }
    return total;
}

Dithered Dither1(const RasterImage& luma, Dither dither, const Levels& levels,
                 const RunOnly& runOnly, std::array<uint64_t, 8>* shortPixels, bool measure) {
    Dithered d;
    d.levels.resize(size_t{luma.width} * luma.height);
    d.encodable = DitherPass(luma, dither, levels, runOnly, d.levels.data(), shortPixels);
    if (measure) d.error = BlurredError(luma, levels, d.levels);
    return d;
}

// How a free dither's pixels lie in runs, per level: what the grey run code
// would take for it once two levels are made run-only.
struct RunShape {
    std::array<uint64_t, 8> shortPixels{}, longPixels{}, longCodes{};

    RunShape(const std::vector<uint8_t>& levels, uint32_t width, uint32_t height) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = &levels[size_t{y} * width];
            for (uint32_t x = 0; x < width;) {
                uint32_t end = x + 1;
                while (end < width && row[end] == row[x]) ++end;
                const uint32_t n = end - x;
                if (n < kMinRun) {
                    shortPixels[row[x]] += n;
                } else {
                    longPixels[row[x]] += n;
                    longCodes[row[x]] += (n + encode::kMaxRun - 1) / encode::kMaxRun;
                }
                x = end;
            }
        }
    }

    // About the bytes with `runOnly` the two levels given the run codes: 9
    // bits a run for them (their lone pixels go into runs or to other
    // levels), 3 bits a pixel for every other level, in runs or not.
    uint64_t Bytes(const RunOnly& runOnly) const {
        uint64_t bits = 0;
        for (size_t l = 0; l < 8; ++l)
            bits += runOnly[l] ? 9 * longCodes[l] + 3 * shortPixels[l]
                               : 3 * (shortPixels[l] + longPixels[l]);
        return bits / 8;
    }
};

// The dither within the run code's rule with the least error, given the
// free dither's short-run counts; only run-only pairs for which `worth`
// answers true are tried. None when no pair is.
template <typename Worth>
std::optional<Dithered> BestForRuns(const RasterImage& luma, Dither dither, const Levels& levels,
                                    const std::array<uint64_t, 8>& freeShortPixels,
                                    const Worth& worth) {
    const auto order = ByShortPixels(freeShortPixels);
    std::optional<Dithered> best;
    std::array<uint64_t, 8> shortPixels{};
    for (int i = 0; i < kRunOnlyCandidates; ++i) {
        for (int j = i + 1; j < kRunOnlyCandidates; ++j) {
            RunOnly runOnly{};
            runOnly[static_cast<size_t>(order[static_cast<size_t>(i)])] = true;
            runOnly[static_cast<size_t>(order[static_cast<size_t>(j)])] = true;
            if (!worth(runOnly)) continue;
            Dithered d = Dither1(luma, dither, levels, runOnly, &shortPixels, true);
            if (!best || d.error < best->error) best = std::move(d);
        }
    }
    return best;
}

// The search of RefinePage, with each pixel's choices the two levels
// around its picture value.
void Refine(const RasterImage& luma, const Levels& values, std::vector<uint8_t>& levels) {
    std::vector<uint8_t> choices(levels.size() * 2);
    for (size_t i = 0; i < levels.size(); ++i) {
        const int below = values.Below(luma.data[i]);
        choices[2 * i] = static_cast<uint8_t>(below);
        choices[2 * i + 1] = static_cast<uint8_t>(std::min(below + 1, values.count() - 1));
    }
    RefineInput in;
    in.width = luma.width;
    in.height = luma.height;
    in.picture = luma.data.data();
    in.palette = values.data();
    in.entries = values.count();
    in.choices = choices.data();
    RefinePage(in, levels);
}

GreyPixels ToGreyPixels(const RasterImage& luma, const Levels& values,
                        std::vector<uint8_t> levels) {
    GreyPixels out;
    out.width = luma.width;
    out.height = luma.height;
    for (uint8_t& v : levels) v = static_cast<uint8_t>(values[v]);
    out.grey = std::move(levels);
    return out;
}

}  // namespace

std::vector<uint8_t> PageGreyLevels(const RasterImage& luma, Dither dither) {
    return ChooseLevels(luma, dither);
}

GreyPixels QuantiseGrey(const RasterImage& luma, Dither dither) {
    const Levels levels(ChooseLevels(luma, dither));
    std::array<uint64_t, 8> shortPixels{};
    Dithered free = Dither1(luma, dither, levels, RunOnly{}, &shortPixels, false);
    if (!free.encodable)
        free = std::move(
            *BestForRuns(luma, dither, levels, shortPixels, [](const RunOnly&) { return true; }));
    return ToGreyPixels(luma, levels, std::move(free.levels));
}

GreyPixels QuantiseGrey(const QImage& image, Dither dither) {
    return QuantiseGrey(LumaOf(image), dither);
}

std::optional<GreyPage> QuantiseGreyPage(const RasterImage& luma, Dither dither,
                                         const std::string& record) {
    const Levels levels(ChooseLevels(luma, dither));
    std::array<uint64_t, 8> shortPixels{};
    Dithered free = Dither1(luma, dither, levels, RunOnly{}, &shortPixels, false);
    if (dither == Dither::FloydSteinberg) {
        Refine(luma, levels, free.levels);
        free.encodable = CountAllShortRuns(free.levels, luma.width, luma.height, &shortPixels);
    }
    std::vector<uint8_t> palette;
    for (int i = 0; i < levels.count(); ++i)
        palette.insert(palette.end(), 3, static_cast<uint8_t>(levels[i]));
    std::optional<encode::PagePlan> exact =
        encode::ColourPage(free.levels.data(), luma.width, luma.height, luma.width, palette);
    if (!exact) return std::nullopt;
    // Sizes are of whole pages: the grey run code's record carries a row
    // table, the XC record a palette of 32 entries.
    const uint64_t exactBytes = encode::PageSize(*exact);
    GreyPage page;
    auto take = [&](GreyPixels shown) {
        std::optional<encode::PagePlan> coded =
            encode::GreyPage(shown.grey.data(), shown.width, shown.height, shown.width, record);
        if (!coded || encode::PageSize(*coded) >= exactBytes) return false;
        page.plan = std::move(*coded);
        page.shown = std::move(shown);
        return true;
    };
    if (free.encodable) {
        if (take(ToGreyPixels(luma, levels, free.levels))) return page;
    } else {
        // Only pairs that can make the page smaller than the XC record are
        // tried; whether their forced runs cost too much is measured.
        const RunShape shape(free.levels, luma.width, luma.height);
        encode::PagePlan estimate;
        estimate.record = record;
        estimate.height = luma.height;
        estimate.palette.resize(3 * encode::kGreyPaletteEntries);
        const uint64_t frame = encode::PageSize(estimate);
        const std::optional<Dithered> runs = BestForRuns(
            luma, dither, levels, shortPixels,
            [&](const RunOnly& runOnly) { return frame + shape.Bytes(runOnly) < exactBytes; });
        if (runs) {
            free.error = BlurredError(luma, levels, free.levels);
            if (runs->error <= free.error * (1 + kRunErrorTolerance) &&
                take(ToGreyPixels(luma, levels, runs->levels)))
                return page;
        }
    }
    page.plan = std::move(*exact);
    page.shown = ToGreyPixels(luma, levels, std::move(free.levels));
    return page;
}

}  // namespace inkvista::bookwriter
