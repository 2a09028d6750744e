// The grey quantiser: dithering into eight levels within what the run code
// can say.
#include <algorithm>
#include <cstdlib>

#include "bookwriter/Quantise.h"
#include "encode/PageEncoder.h"

namespace inkvista::bookwriter {
namespace {

constexpr int kLevelCount = static_cast<int>(kGreyLevels.size());
constexpr uint32_t kMinRun = encode::kMinRun;
constexpr size_t kMostSingleLevels = encode::kGreyPaletteEntries - 2;
constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int Level(int index) {
    return kGreyLevels[static_cast<size_t>(index)];
}

int NearestIndex(int v) {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int value = 0; value < 256; ++value) {
            int best = 0;
            for (int i = 1; i < kLevelCount; ++i)
                if (std::abs(Level(i) - value) < std::abs(Level(best) - value)) best = i;
            t[static_cast<size_t>(value)] = static_cast<uint8_t>(best);
        }
        return t;
    }();
    return table[static_cast<size_t>(std::clamp(v, 0, 255))];
}

// Levels (by index) that may appear only in runs of kMinRun pixels or more.
using RunOnly = std::array<bool, kGreyLevels.size()>;

// One pass of dithering, row by row, serpentine. Errors are kept in
// sixteenths of a grey value, in two rows with a margin of one pixel on
// each side. The
// ordered dither spreads only what the run rule costs it, so its pattern
// stays where no rule applies.
class GreyDither {
  public:
    GreyDither(uint32_t width, Dither dither, const RunOnly& runOnly)
        : width_(width), dither_(dither), runOnly_(runOnly), now_(width + 2), next_(width + 2) {}

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
            int q = NearestIndex(Round(want));
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
                    q = NearestFree(16 * OrderedValue(luma[x], x, y));
                out[x] = static_cast<uint8_t>(q);
            }
        }
        for (size_t x = 0; x < width_;) {
            size_t end = x + 1;
            while (end < width_ && out[end] == out[x]) ++end;
            if (runOnly_[out[x]] && end - x < kMinRun)
                for (size_t k = x; k < end; ++k)
                    out[k] = static_cast<uint8_t>(NearestFree(16 * OrderedValue(luma[k], k, y)));
            x = end;
        }
    }

    static int OrderedValue(int v, size_t x, uint32_t y) {
        return v + ((2 * kBayer4[y & 3][x & 3] + 1 - 16) * (255 / 7)) / 32;
    }
    static int OrderedLevel(int v, size_t x, uint32_t y) {
        return NearestIndex(OrderedValue(v, x, y));
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
        while (lo + 1 < kLevelCount && 4 * Level(lo + 1) <= mean4) ++lo;
        const int hi = std::min(lo + 1, kLevelCount - 1);
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
        for (int i = 0; i < kLevelCount; ++i) {
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

    size_t width_;
    Dither dither_;
    RunOnly runOnly_;
    std::vector<int> now_, next_;
};

void LumaRow(const uint8_t* rgb, size_t width, uint8_t* out) {
    for (size_t x = 0; x < width; ++x) out[x] = Luma601(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
}

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

// The two levels that stood alone least often; on equal counts the outer
// one, as paper and ink are what runs best.
RunOnly ChooseRunOnly(const std::array<uint64_t, 8>& shortPixels) {
    std::array<int, kGreyLevels.size()> order{};
    for (int i = 0; i < kLevelCount; ++i) order[static_cast<size_t>(i)] = i;
    auto middle = [](int i) { return std::abs(2 * i - (kLevelCount - 1)); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const uint64_t sa = shortPixels[static_cast<size_t>(a)];
        const uint64_t sb = shortPixels[static_cast<size_t>(b)];
        return sa != sb ? sa < sb : middle(a) > middle(b);
    });
    RunOnly runOnly{};
    runOnly[static_cast<size_t>(order[0])] = true;
    runOnly[static_cast<size_t>(order[1])] = true;
    return runOnly;
}

// One pass over the picture into `out` (level indices); answers whether
// the result is encodable as it stands, and each level's short-run count.
bool DitherPass(PictureRows& rows, Dither dither, const RunOnly& runOnly, uint8_t* out,
                std::array<uint64_t, 8>* shortPixels) {
    const auto w = static_cast<size_t>(rows.width());
    GreyDither pass(static_cast<uint32_t>(w), dither, runOnly);
    std::vector<uint8_t> luma(w);
    std::array<bool, 8> used{};
    shortPixels->fill(0);
    for (int y = 0; y < rows.height(); ++y) {
        LumaRow(rows.Row(y), w, luma.data());
        uint8_t* row = out + static_cast<size_t>(y) * w;
        pass.Row(luma.data(), static_cast<uint32_t>(y), row);
        CountShortRuns(row, w, *shortPixels, used);
    }
    const auto single =
        std::count_if(shortPixels->begin(), shortPixels->end(), [](uint64_t n) { return n > 0; });
    return static_cast<size_t>(single) <= kMostSingleLevels;
}

}  // namespace

GreyPixels QuantiseGrey(const QImage& image, Dither dither) {
    PictureRows rows(image);
    GreyPixels out;
    out.width = static_cast<uint32_t>(std::max(0, rows.width()));
    out.height = static_cast<uint32_t>(std::max(0, rows.height()));
    out.grey.resize(size_t{out.width} * out.height);
    std::array<uint64_t, 8> shortPixels{};
    if (!DitherPass(rows, dither, RunOnly{}, out.grey.data(), &shortPixels))
        DitherPass(rows, dither, ChooseRunOnly(shortPixels), out.grey.data(), &shortPixels);
    for (uint8_t& v : out.grey) v = kGreyLevels[v];
    return out;
}

}  // namespace inkvista::bookwriter
