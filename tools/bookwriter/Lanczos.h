// Resizing pictures to the size they are stored at: a separable Lanczos-3
// filter (a sinc windowed by a sinc three times as wide), the quality of the
// usual image tools, with fixed-point weights and integer sums: fast, and the
// same bytes for the same picture on every run.
#pragma once

#include <cstdint>

#include "bookwriter/ImageFiles.h"

namespace inkvista::bookwriter {

// A rectangle of a picture, in pixels.
struct Region {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Region&) const = default;
};

inline Region Whole(const RasterImage& image) {
    return {0, 0, image.width, image.height};
}

// `region` of `source` (grey or RGB) resized to `width` × `height`. Weights
// are in units of 1/16384 and sum to exactly that for every target pixel, so
// a flat area stays flat; the result of each pass is rounded and clamped to
// 0..255, as the filter's negative lobes overshoot at sharp edges. A region
// of the target's size comes back unchanged. Empty when a size is 0 or the
// region passes the picture's edge.
RasterImage ResizeLanczos3(const RasterImage& source, const Region& region, uint32_t width,
                           uint32_t height);

// The same in linear light: each value is turned into light (sRGB curve)
// before filtering and back afterwards. Fine hatching keeps its brightness
// instead of averaging darker, at several times the cost; the benchmark
// measures both.
RasterImage ResizeLanczos3Linear(const RasterImage& source, const Region& region, uint32_t width,
                                 uint32_t height);

}  // namespace inkvista::bookwriter
