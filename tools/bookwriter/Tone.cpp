#include "bookwriter/Tone.h"

#include <cmath>

#include "bookwriter/Quantise.h"

namespace inkvista::bookwriter {
namespace {

constexpr double kIgnoredShare = 0.005;
constexpr int kLeastSpan = 32;

// The darkest and lightest levels once the extreme shares are left out.
std::pair<int, int> Stretch(const RasterImage& p, const Region& r) {
    std::array<uint64_t, 256> histogram{};
    for (uint32_t y = r.y; y < r.y + r.height; ++y) {
        const uint8_t* row = &p.data[size_t{y} * p.width * (p.grey ? 1 : 3)];
        for (uint32_t x = r.x; x < r.x + r.width; ++x)
            ++histogram[p.grey ? row[x] : Luma601(row[3 * x], row[3 * x + 1], row[3 * x + 2])];
    }
    const auto ignored = static_cast<uint64_t>(double(r.width) * r.height * kIgnoredShare);
    int lo = 0, hi = 255;
    for (uint64_t seen = 0; lo < 255 && (seen += histogram[lo]) <= ignored;) ++lo;
    for (uint64_t seen = 0; hi > 0 && (seen += histogram[hi]) <= ignored;) --hi;
    return {lo, hi};
}

}  // namespace

std::optional<ToneCurve> ToneCurveFor(const RasterImage& picture, const Region& region,
                                      const ToneRule& rule) {
    int lo = 0, hi = 255;
    if (rule.autocontrast) {
        const auto [darkest, lightest] = Stretch(picture, region);
        if (lightest - darkest >= kLeastSpan) {
            lo = darkest;
            hi = lightest;
        }
    }
    if (lo == 0 && hi == 255 && (!rule.gamma || *rule.gamma == 1.0)) return std::nullopt;
    ToneCurve curve;
    for (int v = 0; v < 256; ++v) {
        double t = std::clamp(double(v - lo) / double(hi - lo), 0.0, 1.0);
        if (rule.gamma) t = std::pow(t, 1 / *rule.gamma);
        curve[static_cast<size_t>(v)] = static_cast<uint8_t>(std::lround(t * 255));
    }
    return curve;
}

void ApplyTone(const ToneCurve& curve, RasterImage* image) {
    for (uint8_t& v : image->data) v = curve[v];
}

}  // namespace inkvista::bookwriter
