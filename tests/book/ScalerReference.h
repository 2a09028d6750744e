// The resampler's fixed-point arithmetic written out plainly, one target
// pixel and one channel at a time, for comparing the real one against: each
// source pixel's value times the product of its two axis weights, summed in
// unsigned 32-bit arithmetic, the top 8 bits kept. A join past the other
// line's end adds nothing, and rows past the walk's end stay 0.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "book/Scaler.h"

namespace inkvista::reference {

inline std::vector<uint8_t> Shrink(const std::vector<uint8_t>& src, uint32_t sw, uint32_t sh,
                                   uint32_t tw, uint32_t th) {
    const auto xs = BuildScaleSteps(sw, tw, true);
    const auto ys = BuildScaleSteps(sh, th, true);
    const uint64_t ss = Stride24(sw), ts = Stride24(tw);
    std::vector<uint8_t> out(ts * th, 0);
    // One spare pixel takes the joins past the last target pixel.
    std::vector<uint32_t> current(3 * tw + 3, 0), next(3 * tw + 3, 0);
    uint32_t ty = 0;
    for (uint32_t sy = 0; sy < sh && ty < th; ++sy) {
        const uint32_t yf = uint32_t(ys[sy].first);
        const int32_t ysec = ys[sy].second;
        uint32_t d = 0;
        for (uint32_t sx = 0; sx < sw && d < tw; ++sx) {
            const uint32_t xf = uint32_t(xs[sx].first);
            const int32_t xsec = xs[sx].second;
            for (uint32_t ch = 0; ch < 3; ++ch) {
                const uint32_t p = src[sy * ss + 3 * sx + ch];
                current[3 * d + ch] += p * (xf * yf);
                if (xsec > 0) current[3 * (d + 1) + ch] += p * (uint32_t(xsec) * yf);
                if (ysec > 0) {
                    next[3 * d + ch] += p * (xf * uint32_t(ysec));
                    if (xsec > 0) next[3 * (d + 1) + ch] += p * (uint32_t(xsec) * uint32_t(ysec));
                }
            }
            if (xsec != 0) ++d;
        }
        if (ysec != 0) {
            for (uint32_t i = 0; i < 3 * tw; ++i) out[ty * ts + i] = uint8_t(current[i] >> 24);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0u);
            ++ty;
        }
    }
    return out;
}

inline std::vector<uint8_t> Enlarge(const std::vector<uint8_t>& src, uint32_t sw, uint32_t sh,
                                    uint32_t tw, uint32_t th) {
    const auto xs = BuildScaleSteps(tw, sw, false);
    const auto ys = BuildScaleSteps(th, sh, false);
    const uint64_t ss = Stride24(sw), ts = Stride24(tw);
    std::vector<uint8_t> out(ts * th, 0);
    uint32_t sr = 0;
    for (uint32_t ty = 0; ty < th && sr < sh; ++ty) {
        const uint32_t yf = uint32_t(ys[ty].first);
        const int32_t ysec = ys[ty].second;
        const bool below = ysec > 0 && sr + 1 < sh;
        const uint8_t* a = src.data() + sr * ss;
        const uint8_t* b = a + ss;
        uint32_t c = 0;
        for (uint32_t tx = 0; tx < tw && c < sw; ++tx) {
            const uint32_t xf = uint32_t(xs[tx].first);
            const int32_t xsec = xs[tx].second;
            const bool right = xsec > 0 && c + 1 < sw;
            for (uint32_t ch = 0; ch < 3; ++ch) {
                uint32_t sum = a[3 * c + ch] * (yf * xf);
                if (right) sum += a[3 * (c + 1) + ch] * (yf * uint32_t(xsec));
                if (below) {
                    sum += b[3 * c + ch] * (uint32_t(ysec) * xf);
                    if (right) sum += b[3 * (c + 1) + ch] * (uint32_t(ysec) * uint32_t(xsec));
                }
                out[ty * ts + 3 * tx + ch] = uint8_t(sum >> 24);
            }
            if (xsec != 0) ++c;
        }
        if (ysec != 0) ++sr;
    }
    return out;
}

// The direction ResampleImage picks: one shrink, one enlargement, or a
// shrink of the one axis followed by an enlargement of the other.
inline std::vector<uint8_t> Resample(const std::vector<uint8_t>& src, uint32_t sw, uint32_t sh,
                                     uint32_t tw, uint32_t th) {
    const bool narrower = tw <= sw, lower = th <= sh;
    if (narrower && lower) return Shrink(src, sw, sh, tw, th);
    if (tw >= sw && th >= sh) return Enlarge(src, sw, sh, tw, th);
    const uint32_t mw = narrower ? tw : sw, mh = lower ? th : sh;
    return Enlarge(Shrink(src, sw, sh, mw, mh), mw, mh, tw, th);
}

}  // namespace inkvista::reference
