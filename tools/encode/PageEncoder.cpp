#include "encode/PageEncoder.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace inkvista::encode {
namespace {

// Anything larger cannot be a page a reader would show; refusing it keeps
// every size below computable in 64 bits without overflow checks per step.
constexpr uint64_t kMaxBufferBytes = uint64_t{1} << 40;

// Appends values of up to 9 bits to a byte stream, least significant bit first.
class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, int bits) {
        acc_ |= value << fill_;
        fill_ += bits;
        while (fill_ >= 8) {
            out_.push_back(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            fill_ -= 8;
        }
    }
    // Pads the current byte with zero bits.
    void Align() {
        if (fill_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        fill_ = 0;
    }

  private:
    std::vector<uint8_t>& out_;
    uint32_t acc_ = 0;
    int fill_ = 0;
};

// Length of the run of equal bytes starting at row[x].
uint32_t RunLength(const uint8_t* row, uint32_t x, uint32_t width) {
    uint32_t end = x + 1;
    while (end < width && row[end] == row[x]) ++end;
    return end - x;
}

struct LevelStats {
    std::array<bool, 256> used{};
    std::array<uint64_t, 256> shortPixels{};  // in runs shorter than kMinRun
    std::array<uint64_t, 256> runPixels{};    // in runs of kMinRun or more
    std::vector<uint8_t> levels;              // used levels, ascending
};

LevelStats CountLevels(const uint8_t* grey, uint32_t width, uint32_t height, size_t stride) {
    LevelStats s;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = grey + y * stride;
        for (uint32_t x = 0; x < width;) {
            const uint32_t n = RunLength(row, x, width);
            s.used[row[x]] = true;
            (n < kMinRun ? s.shortPixels : s.runPixels)[row[x]] += n;
            x += n;
        }
    }
    for (int v = 0; v < 256; ++v)
        if (s.used[static_cast<size_t>(v)]) s.levels.push_back(static_cast<uint8_t>(v));
    return s;
}

bool Contains(const std::vector<uint8_t>& set, uint8_t v) {
    return std::find(set.begin(), set.end(), v) != set.end();
}

// The levels given run codes 0 and 1 (at most two) such that every other
// level, and every level with short runs, fits in the six single-pixel codes;
// among those the pair covering most pixels in long runs. nullopt: none fits.
std::optional<std::vector<uint8_t>> ChooseRunLevels(const LevelStats& s) {
    std::optional<std::vector<uint8_t>> best;
    uint64_t bestScore = 0;
    const size_t n = s.levels.size();
    auto consider = [&](std::vector<uint8_t> run) {
        size_t singles = 0;
        for (uint8_t v : s.levels)
            if (s.shortPixels[v] > 0 || !Contains(run, v)) ++singles;
        if (singles > kGreyPaletteEntries - 2) return;
        uint64_t score = 0;
        for (uint8_t v : run) score += s.runPixels[v];
        if (!best || score > bestScore) {
            best = std::move(run);
            bestScore = score;
        }
    };
    consider({});
    for (size_t i = 0; i < n; ++i) {
        consider({s.levels[i]});
        for (size_t j = i + 1; j < n; ++j) consider({s.levels[i], s.levels[j]});
    }
    return best;
}

bool SizeFits(uint64_t rowBytes, uint32_t height) {
    return rowBytes <= kMaxBufferBytes && rowBytes * height <= kMaxBufferBytes;
}

// One row of codes; the row ends on a byte boundary. False on a code above
// 7 or a run code in a run shorter than kMinRun.
bool AppendGreyRow(const uint8_t* row, uint32_t width, BitWriter& bits) {
    for (uint32_t x = 0; x < width;) {
        const uint8_t c = row[x];
        if (c > 7) return false;
        if (c >= 2) {
            bits.Put(c, 3);
            ++x;
            continue;
        }
        uint32_t n = RunLength(row, x, width);
        if (n < kMinRun) return false;
        x += n;
        while (n > 0) {
            // Leave at least kMinRun for the last piece of a long run.
            uint32_t take = std::min(n, kMaxRun);
            if (n - take > 0 && n - take < kMinRun) take = n - kMinRun;
            bits.Put(c, 3);
            bits.Put(take - kMinRun, 6);
            n -= take;
        }
    }
    bits.Align();
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeGreyRuns(const uint8_t* codes, uint32_t width,
                                                   uint32_t height, size_t stride) {
    const uint64_t rowMax = (uint64_t{width} * 3 + 7) / 8;
    if (!SizeFits(rowMax, height)) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(std::min<uint64_t>(rowMax * height, 1 << 20)));
    BitWriter bits(out);
    for (uint32_t y = 0; y < height; ++y)
        if (!AppendGreyRow(codes + y * stride, width, bits)) return std::nullopt;
    return out;
}

std::optional<std::vector<uint8_t>> PackColourRows(const uint8_t* indices, uint32_t width,
                                                   uint32_t height, size_t stride) {
    const uint64_t rowBytes = ColourRowBytes(width);
    if (!SizeFits(rowBytes, height)) return std::nullopt;
    std::vector<uint8_t> out(static_cast<size_t>(rowBytes * height), 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = indices + y * stride;
        uint8_t* dst = out.data() + y * rowBytes;
        uint64_t bit = 0;  // from the most significant bit of dst[0]
        for (uint32_t x = 0; x < width; ++x, bit += 5) {
            const uint8_t v = row[x];
            if (v > 31) return std::nullopt;
            // The 5 bits span at most two bytes.
            const uint32_t shifted = static_cast<uint32_t>(v) << (11 - (bit & 7));
            dst[bit >> 3] |= static_cast<uint8_t>(shifted >> 8);
            if ((bit & 7) > 3) dst[(bit >> 3) + 1] |= static_cast<uint8_t>(shifted);
        }
    }
    return out;
}

std::optional<std::vector<uint8_t>> CompressLzo1x1(const std::vector<uint8_t>& data) {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = lzo_init() == LZO_E_OK; });
    if (!ready) return std::nullopt;
    // Worst case of LZO1X-1 on incompressible data.
    const uint64_t bound = uint64_t{data.size()} + data.size() / 16 + 64 + 3;
    if (bound > kMaxBufferBytes || bound > std::numeric_limits<lzo_uint>::max())
        return std::nullopt;
    std::vector<uint8_t> out(static_cast<size_t>(bound));
    std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint outLen = out.size();
    if (lzo1x_1_compress(data.data(), data.size(), out.data(), &outLen, work.data()) != LZO_E_OK)
        return std::nullopt;
    out.resize(outLen);
    return out;
}

std::optional<PagePlan> GreyPageFromCodes(const uint8_t* codes, uint32_t width, uint32_t height,
                                          size_t stride, const std::array<uint8_t, 8>& levels,
                                          const std::string& record) {
    if (record != "CX" && record != "XC") return std::nullopt;
    std::optional<std::vector<uint8_t>> packed = EncodeGreyRuns(codes, width, height, stride);
    if (!packed || packed->size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    PagePlan page;
    page.record = record;
    page.width = width;
    page.height = height;
    page.bitsPerPixel = 3;
    for (uint8_t level : levels) page.palette.insert(page.palette.end(), {level, level, level});
    page.packed = std::move(*packed);
    return page;
}

std::optional<PagePlan> GreyPage(const uint8_t* grey, uint32_t width, uint32_t height,
                                 size_t stride, const std::string& record) {
    if (record != "CX" && record != "XC") return std::nullopt;
    if (uint64_t{width} * height > kMaxBufferBytes) return std::nullopt;
    const LevelStats s = CountLevels(grey, width, height, stride);
    if (s.levels.size() > kGreyPaletteEntries) return std::nullopt;
    const std::optional<std::vector<uint8_t>> run = ChooseRunLevels(s);
    if (!run) return std::nullopt;

    // Entries 0 and 1: the run levels. Entries 2..7: every level that needs a
    // single-pixel code. Unused entries repeat a level in use.
    const uint8_t filler = s.levels.empty() ? 0 : s.levels.front();
    std::array<uint8_t, 8> palette;
    palette.fill(filler);
    std::array<int, 256> runCode;
    std::array<int, 256> singleCode;
    runCode.fill(-1);
    singleCode.fill(-1);
    for (size_t i = 0; i < run->size(); ++i) {
        palette[i] = (*run)[i];
        runCode[(*run)[i]] = static_cast<int>(i);
    }
    int next = 2;
    for (uint8_t v : s.levels) {
        if (s.shortPixels[v] > 0 || runCode[v] < 0) {
            palette[static_cast<size_t>(next)] = v;
            singleCode[v] = next++;
        }
    }

    // Codes one row at a time, straight into the bit stream.
    std::vector<uint8_t> packed;
    BitWriter bits(packed);
    std::vector<uint8_t> codes(width);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = grey + y * stride;
        for (uint32_t x = 0; x < width;) {
            const uint32_t n = RunLength(row, x, width);
            const uint8_t v = row[x];
            const int code = (n >= kMinRun && runCode[v] >= 0) ? runCode[v] : singleCode[v];
            std::fill_n(codes.data() + x, n, static_cast<uint8_t>(code));
            x += n;
        }
        if (!AppendGreyRow(codes.data(), width, bits)) return std::nullopt;
    }
    if (packed.size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    PagePlan page;
    page.record = record;
    page.width = width;
    page.height = height;
    page.bitsPerPixel = 3;
    for (uint8_t level : palette) page.palette.insert(page.palette.end(), {level, level, level});
    page.packed = std::move(packed);
    return page;
}

std::optional<uint64_t> RestrictGreyForRuns(uint8_t* grey, uint32_t width, uint32_t height,
                                            size_t stride) {
    const LevelStats s = CountLevels(grey, width, height, stride);
    if (s.levels.size() > kGreyPaletteEntries) return std::nullopt;
    const size_t excess = s.levels.size() > 6 ? s.levels.size() - 6 : 0;
    if (excess == 0) return uint64_t{0};

    // The levels with the fewest short-run pixels become run-only.
    std::vector<uint8_t> byShort = s.levels;
    std::stable_sort(byShort.begin(), byShort.end(),
                     [&](uint8_t a, uint8_t b) { return s.shortPixels[a] < s.shortPixels[b]; });
    const std::vector<uint8_t> runOnly(byShort.begin(), byShort.begin() + excess);
    std::vector<uint8_t> kept;
    for (uint8_t v : s.levels)
        if (!Contains(runOnly, v)) kept.push_back(v);

    // Nearest kept level below and above each run-only level; ties alternate
    // so that an area keeps its mean brightness.
    auto nearest = [&](uint8_t v, bool preferUp) {
        int best = -1;
        for (uint8_t k : kept) {
            const int d = std::abs(int{k} - int{v});
            const int bd = best < 0 ? 1 << 30 : std::abs(best - int{v});
            if (d < bd || (d == bd && preferUp == (k > v))) best = k;
        }
        return static_cast<uint8_t>(best);
    };

    uint64_t changed = 0;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = grey + y * stride;
        for (uint32_t x = 0; x < width;) {
            const uint32_t n = RunLength(row, x, width);
            const uint8_t v = row[x];
            if (n < kMinRun && Contains(runOnly, v)) {
                for (uint32_t i = 0; i < n; ++i) row[x + i] = nearest(v, ((x + i + y) & 1) != 0);
                changed += n;
            }
            x += n;
        }
    }
    return changed;
}

std::optional<PagePlan> ColourPage(const uint8_t* indices, uint32_t width, uint32_t height,
                                   size_t stride, const std::vector<uint8_t>& palette) {
    if (palette.size() > kColourPaletteEntries * 3 || palette.size() % 3 != 0) return std::nullopt;
    std::optional<std::vector<uint8_t>> rows = PackColourRows(indices, width, height, stride);
    if (!rows) return std::nullopt;
    std::optional<std::vector<uint8_t>> packed = CompressLzo1x1(*rows);
    if (!packed || packed->size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    PagePlan page;
    page.record = "XC";
    page.width = width;
    page.height = height;
    page.bitsPerPixel = 5;
    page.palette = palette;
    page.palette.resize(kColourPaletteEntries * 3, 0);
    page.packed = std::move(*packed);
    return page;
}

}  // namespace inkvista::encode
