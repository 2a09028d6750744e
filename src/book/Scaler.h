// Fitting a decoded page to the 240 × 320 screen: the fit size, and an
// area-averaging resampler in 12-bit fixed point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "book/PageImage.h"

namespace inkvista {

struct FitSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FitSize&) const = default;
};

// The size a view of `viewWidth` × `viewHeight` is fitted to, or none when it
// stays as it is. Sizes of 0 or less are never fitted.
std::optional<FitSize> ComputeFitSize(int32_t viewWidth, int32_t viewHeight);

// One axis of the resampler. Weights are in units of 1/4096.
struct ScaleStep {
    int32_t first = 0;   // weight joining the walked pixel with the other line's current pixel
    int32_t second = 0;  // >0: also joins the next pixel and moves on; -1: moves on; 0: stays
    bool operator==(const ScaleStep&) const = default;
};

// `count` entries (a) for a line whose other line is `other` (b) pixels long.
// Shrinking, a is the source length; enlarging, a is the target length. Empty
// when either length is 0.
std::vector<ScaleStep> BuildScaleSteps(uint32_t count, uint32_t other, bool shrink);

// Bytes per row of a 24-bit image: 3 × width rounded up to a multiple of 4.
constexpr uint64_t Stride24(uint64_t width) {
    return (3 * width + 3) & ~uint64_t{3};
}
// Bytes per row of an 8-bit image: width rounded up to a multiple of 4.
constexpr uint64_t Stride8(uint64_t width) {
    return (width + 3) & ~uint64_t{3};
}

// The resamplers work on 24-bit images (blue, green, red; rows of Stride24
// bytes, top row first). They answer false, writing nothing, when a size is
// 0, a buffer is shorter than its image or their work memory cannot be had.
// The bytes after the last pixel of a target row are not written.
//
// ShrinkImage expects a target no larger than the source in either direction,
// EnlargeImage the opposite; given anything else they still stay inside
// their buffers. ResampleImage picks the right one, and resamples a target
// larger in one direction and smaller in the other in two passes.
bool ShrinkImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                 std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);
bool EnlargeImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);
bool ResampleImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                   std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);

// The same arithmetic on an 8-bit grey image with rows of any stride; the
// result equals resampling the image widened to three equal channels.
bool ResampleGrey(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  uint64_t sourceStride, std::span<uint8_t> target, uint32_t targetWidth,
                  uint32_t targetHeight, uint64_t targetStride);

// Fit the freshly decoded (and turned) page in place, in the orientation its
// pixels have. They answer true when the page was resized. A page that needs
// no fit, or whose pixels and FitWorkBytes together would pass the page
// limit (kMaxPageBytes), stays as it is (FitColourPage then leaves it
// Indexed8; a fitted colour page is Bgr24).
bool FitGreyPage(PageImage& page);
bool FitColourPage(PageImage& page);

// The memory a fit of the page's view allocates beside the page: the fitted
// image and the resampler's work memory; 0 when the view needs no fit.
uint64_t FitWorkBytes(const PageImage& page, bool colour);

}  // namespace inkvista
