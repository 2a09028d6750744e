#include "bookwriter/Lanczos.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace inkvista::bookwriter {
namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr double kLobes = 3;

double Lanczos3(double x) {
    x = std::abs(x);
    if (x < 1e-9) return 1;
    if (x >= kLobes) return 0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// The taps of one axis: for target pixel i, `count[i]` source pixels from
// `first[i]` (relative to the region), their weights at i * `stride`.
struct Taps {
    std::vector<uint32_t> first, count;
    std::vector<int32_t> weights;
    uint32_t stride = 0;
};

// When shrinking, the filter is widened by the scale so that it averages
// over every source pixel a target pixel covers.
Taps BuildTaps(uint32_t from, uint32_t to) {
    const double scale = double(from) / double(to);
    const double widen = std::max(scale, 1.0);
    const double support = kLobes * widen;
    Taps t;
    t.stride = static_cast<uint32_t>(std::ceil(support) * 2 + 2);
    t.first.resize(to);
    t.count.resize(to);
    t.weights.assign(size_t{to} * t.stride, 0);
    std::vector<double> w(t.stride);
    for (uint32_t i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale;
        const auto lo = static_cast<uint32_t>(std::max(0.0, std::floor(centre - support)));
        const auto hi = static_cast<uint32_t>(std::min(double(from), std::ceil(centre + support)));
        const uint32_t n = std::min(hi - lo, t.stride);
        double sum = 0;
        for (uint32_t k = 0; k < n; ++k) sum += w[k] = Lanczos3((lo + k + 0.5 - centre) / widen);
        int32_t* q = &t.weights[size_t{i} * t.stride];
        int32_t total = 0;
        uint32_t peak = 0;
        for (uint32_t k = 0; k < n; ++k) {
            q[k] = static_cast<int32_t>(std::lround(w[k] / sum * kOne));
            total += q[k];
            if (q[k] > q[peak]) peak = k;
        }
        q[peak] += kOne - total;
        t.first[i] = lo;
        t.count[i] = n;
    }
    return t;
}

uint8_t Clamp8(int32_t sum) {
    return static_cast<uint8_t>(std::clamp((sum + (kOne >> 1)) >> kWeightBits, 0, 255));
}

// Target rows from the region's rows: each is a weighted sum of whole source
// rows, which the compiler turns into vector code, with AVX2 where the
// processor has it (integer sums: the same bytes either way).
[[gnu::target_clones("avx2", "default")]] void Vertical(const uint8_t* src, size_t srcStride,
                                                        size_t rowBytes, const Taps& taps,
                                                        uint32_t rows, uint8_t* dst) {
    std::vector<int32_t> acc(rowBytes);
    for (uint32_t y = 0; y < rows; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const int32_t* w = &taps.weights[size_t{y} * taps.stride];
        for (uint32_t k = 0; k < taps.count[y]; ++k) {
            const uint8_t* row = src + (taps.first[y] + k) * srcStride;
            const int32_t wk = w[k];
            for (size_t x = 0; x < rowBytes; ++x) acc[x] += wk * row[x];
        }
        uint8_t* out = dst + size_t{y} * rowBytes;
        for (size_t x = 0; x < rowBytes; ++x) out[x] = Clamp8(acc[x]);
    }
}

// Target pixels from the rows the vertical pass left, one weighted sum
// across the row each. Inlined into the two entries below, each built for
// AVX2 too (a template cannot be multiversioned).
template <int Channels>
[[gnu::always_inline]] inline void HorizontalRows(const uint8_t* src, size_t srcStride,
                                                  const Taps& taps, uint32_t width, uint32_t rows,
                                                  uint8_t* dst) {
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* row = src + size_t{y} * srcStride;
        uint8_t* out = dst + size_t{y} * width * Channels;
        for (uint32_t x = 0; x < width; ++x) {
            const int32_t* w = &taps.weights[size_t{x} * taps.stride];
            const uint8_t* p = row + size_t{taps.first[x]} * Channels;
            std::array<int32_t, Channels> sum{};
            for (uint32_t k = 0; k < taps.count[x]; ++k)
                for (int c = 0; c < Channels; ++c) sum[c] += w[k] * p[k * Channels + c];
            for (int c = 0; c < Channels; ++c) out[x * Channels + c] = Clamp8(sum[c]);
        }
    }
}

[[gnu::target_clones("avx2", "default")]] void HorizontalGrey(const uint8_t* src, size_t srcStride,
                                                              const Taps& taps, uint32_t width,
                                                              uint32_t rows, uint8_t* dst) {
    HorizontalRows<1>(src, srcStride, taps, width, rows, dst);
}

[[gnu::target_clones("avx2", "default")]] void HorizontalRgb(const uint8_t* src, size_t srcStride,
                                                             const Taps& taps, uint32_t width,
                                                             uint32_t rows, uint8_t* dst) {
    HorizontalRows<3>(src, srcStride, taps, width, rows, dst);
}

bool Valid(const RasterImage& source, const Region& r, uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && r.width > 0 && r.height > 0 &&
           uint64_t{r.x} + r.width <= source.width && uint64_t{r.y} + r.height <= source.height &&
           source.data.size() >= size_t{source.width} * source.height * (source.grey ? 1 : 3);
}

// Linear light: the sRGB curve and its inverse.
double ToLight(double v) {
    v /= 255;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

uint8_t FromLight(double l) {
    l = std::clamp(l, 0.0, 1.0);
    const double v = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
    return static_cast<uint8_t>(std::lround(v * 255));
}

}  // namespace

RasterImage ResizeLanczos3(const RasterImage& source, const Region& r, uint32_t width,
                           uint32_t height) {
    RasterImage out;
    if (!Valid(source, r, width, height)) return out;
    const size_t c = source.grey ? 1 : 3;
    const size_t srcStride = size_t{source.width} * c;
    const uint8_t* origin = source.data.data() + r.y * srcStride + r.x * c;
    // Rows first: they are summed as whole rows, the cheaper pass, and it
    // leaves fewer rows for the pixel-by-pixel pass.
    std::vector<uint8_t> mid;
    const uint8_t* rows = origin;
    size_t rowsStride = srcStride;
    if (r.height != height) {
        mid.resize(size_t{height} * r.width * c);
        Vertical(origin, srcStride, size_t{r.width} * c, BuildTaps(r.height, height), height,
                 mid.data());
        rows = mid.data();
        rowsStride = size_t{r.width} * c;
    }
    out.width = width;
    out.height = height;
    out.grey = source.grey;
    out.data.resize(size_t{width} * height * c);
    if (r.width == width) {
        for (uint32_t y = 0; y < height; ++y)
            std::copy_n(rows + y * rowsStride, size_t{width} * c, &out.data[y * width * c]);
    } else if (c == 1) {
        HorizontalGrey(rows, rowsStride, BuildTaps(r.width, width), width, height, out.data.data());
    } else {
        HorizontalRgb(rows, rowsStride, BuildTaps(r.width, width), width, height, out.data.data());
    }
    return out;
}

RasterImage ResizeLanczos3Linear(const RasterImage& source, const Region& r, uint32_t width,
                                 uint32_t height) {
    RasterImage out;
    if (!Valid(source, r, width, height)) return out;
    static const std::array<float, 256> light = [] {
        std::array<float, 256> t{};
        for (int v = 0; v < 256; ++v) t[static_cast<size_t>(v)] = static_cast<float>(ToLight(v));
        return t;
    }();
    static const std::vector<uint8_t> back = [] {
        std::vector<uint8_t> t(1 << 16);
        for (size_t i = 0; i < t.size(); ++i) t[i] = FromLight((i + 0.5) / double(t.size()));
        return t;
    }();
    const size_t c = source.grey ? 1 : 3;
    const Taps ty = BuildTaps(r.height, height), tx = BuildTaps(r.width, width);
    const size_t rowValues = size_t{r.width} * c;
    std::vector<float> mid(size_t{height} * rowValues, 0.0f);
    for (uint32_t y = 0; y < height; ++y) {
        float* acc = &mid[y * rowValues];
        for (uint32_t k = 0; k < ty.count[y]; ++k) {
            const uint8_t* row =
                source.data.data() + (size_t{r.y} + ty.first[y] + k) * source.width * c + r.x * c;
            const float w = float(ty.weights[size_t{y} * ty.stride + k]) / kOne;
            for (size_t x = 0; x < rowValues; ++x) acc[x] += w * light[row[x]];
        }
    }
    out.width = width;
    out.height = height;
    out.grey = source.grey;
    out.data.resize(size_t{width} * height * c);
    for (uint32_t y = 0; y < height; ++y) {
        const float* row = &mid[y * rowValues];
        for (uint32_t x = 0; x < width; ++x) {
            for (size_t ch = 0; ch < c; ++ch) {
                float sum = 0;
                for (uint32_t k = 0; k < tx.count[x]; ++k)
                    sum += float(tx.weights[size_t{x} * tx.stride + k]) / kOne *
                           row[(tx.first[x] + k) * c + ch];
                const auto i = static_cast<size_t>(std::clamp(sum, 0.0f, 1.0f) * 65535.0f);
                out.data[(size_t{y} * width + x) * c + ch] = back[i];
            }
        }
    }
    return out;
}

}  // namespace inkvista::bookwriter
