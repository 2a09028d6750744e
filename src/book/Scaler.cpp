#include "book/Scaler.h"

#include <algorithm>

#include "book/PageBuffer.h"
#include "book/Resampler.h"
#include "platform/Screen.h"

namespace inkvista {
namespace {

// (1 - (size - limit) / size) × other, every step rounded to single precision
// so that neither x87 excess precision nor a fused multiply-add can move a
// result across an integer.
int32_t ScaleToLimit(int32_t size, int32_t limit, int32_t other) {
    volatile float difference = static_cast<float>(size - limit);
    volatile float whole = static_cast<float>(size);
    volatile float part = difference / whole;
    volatile float keep = 1.0f - part;
    volatile float scaled = keep * static_cast<float>(other);
    return static_cast<int32_t>(scaled);
}

template <int C>
bool Fits(size_t bytes, uint64_t stride, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return false;
    if (stride < uint64_t{width} * C) return false;
    return bytes >= stride * (height - 1) + uint64_t{width} * C;
}

PlaneSource Source(PlaneSource::Kind kind, const uint8_t* data, uint64_t stride, uint32_t width,
                   uint32_t height, const ColourPlanes* colours = nullptr) {
    PlaneSource source;
    source.kind = kind;
    source.data = data;
    source.stride = stride;
    source.width = width;
    source.height = height;
    source.colours = colours;
    return source;
}

PlaneTarget Target(uint8_t* data, uint64_t stride, uint32_t width, uint32_t height) {
    PlaneTarget target;
    target.data = data;
    target.stride = stride;
    target.width = width;
    target.height = height;
    return target;
}

// One direction on whole 24-bit images, after checking both buffers.
bool WalkImage24(bool shrink, std::span<const uint8_t> source, uint32_t sourceWidth,
                 uint32_t sourceHeight, std::span<uint8_t> target, uint32_t targetWidth,
                 uint32_t targetHeight) {
    const uint64_t sourceStride = Stride24(sourceWidth);
    const uint64_t targetStride = Stride24(targetWidth);
    if (!Fits<3>(source.size(), sourceStride, sourceWidth, sourceHeight) ||
        !Fits<3>(target.size(), targetStride, targetWidth, targetHeight))
        return false;
    return ResamplePass(
        Source(PlaneSource::Kind::Bgr, source.data(), sourceStride, sourceWidth, sourceHeight),
        Target(target.data(), targetStride, targetWidth, targetHeight), shrink, FastScaleKernels());
}

void SetViewAfterFit(PageImage& page, const FitSize& size) {
    page.viewWidth = size.width;
    page.viewHeight = size.height;
}

// The source of a fit: the page as it stands, rows of its own stride. False when `pixels` cannot
// hold the view it claims.
bool HasViewPixels(const PageImage& page) {
    if (page.viewWidth <= 0 || page.viewHeight <= 0) return false;
    const uint64_t stride = page.PixelStride();
    return stride >= static_cast<uint64_t>(page.viewWidth) &&
           page.pixels.size() >= stride * static_cast<uint64_t>(page.viewHeight);
}

// Whether the page, with `more` bytes beside it, stays within the page limit.
bool WithinPageLimit(const PageImage& page, uint64_t more) {
    return more <= kMaxPageBytes && page.pixels.capacity() <= kMaxPageBytes - more;
}

}  // namespace

std::optional<FitSize> ComputeFitSize(int32_t viewWidth, int32_t viewHeight) {
    const int32_t w = viewWidth;
    const int32_t h = viewHeight;
    if (w <= 0 || h <= 0) return std::nullopt;
    if (h >= w) {
        if (h > w && w <= kScreenWidth) return std::nullopt;
        return FitSize{kScreenWidth, ScaleToLimit(w, kScreenWidth, h)};
    }
    if (h <= kScreenHeight) return std::nullopt;
    return FitSize{ScaleToLimit(h, kScreenHeight, w), kScreenHeight};
}

std::vector<ScaleStep> BuildScaleSteps(uint32_t count, uint32_t other, bool shrink) {
    if (count == 0 || other == 0) return {};
    std::vector<ScaleStep> steps(count);
    ScaleStepWalk walk(count, other, shrink);
    for (ScaleStep& step : steps) step = walk.Next();
    return steps;
}

bool ShrinkImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                 std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    return WalkImage24(true, source, sourceWidth, sourceHeight, target, targetWidth, targetHeight);
}

bool EnlargeImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    return WalkImage24(false, source, sourceWidth, sourceHeight, target, targetWidth, targetHeight);
}

bool ResampleImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                   std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    const uint64_t sourceStride = Stride24(sourceWidth);
    const uint64_t targetStride = Stride24(targetWidth);
    if (!Fits<3>(source.size(), sourceStride, sourceWidth, sourceHeight) ||
        !Fits<3>(target.size(), targetStride, targetWidth, targetHeight))
        return false;
    return ResamplePlanes(
        Source(PlaneSource::Kind::Bgr, source.data(), sourceStride, sourceWidth, sourceHeight),
        Target(target.data(), targetStride, targetWidth, targetHeight), FastScaleKernels());
}

bool ResampleGrey(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  uint64_t sourceStride, std::span<uint8_t> target, uint32_t targetWidth,
                  uint32_t targetHeight, uint64_t targetStride) {
    if (!Fits<1>(source.size(), sourceStride, sourceWidth, sourceHeight) ||
        !Fits<1>(target.size(), targetStride, targetWidth, targetHeight))
        return false;
    return ResamplePlanes(
        Source(PlaneSource::Kind::Samples, source.data(), sourceStride, sourceWidth, sourceHeight),
        Target(target.data(), targetStride, targetWidth, targetHeight), FastScaleKernels());
}

uint64_t FitWorkBytes(const PageImage& page, bool colour) {
    const std::optional<FitSize> size = ComputeFitSize(page.viewWidth, page.viewHeight);
    if (!size) return 0;
    const auto width = static_cast<uint32_t>(page.viewWidth);
    const auto height = static_cast<uint32_t>(page.viewHeight);
    const auto targetWidth = static_cast<uint32_t>(size->width);
    const auto targetHeight = static_cast<uint32_t>(size->height);
    const uint64_t fitted = (colour ? Stride24(targetWidth) : Stride8(targetWidth)) * targetHeight;
    const auto kind = colour ? PlaneSource::Kind::ColourIndices : PlaneSource::Kind::Samples;
    return fitted + ResampleWorkBytes(kind, width, height, targetWidth, targetHeight);
}

// A grey page is resampled as one plane: its three channels would be equal
// and resampled alike.
bool FitGreyPage(PageImage& page) {
    const std::optional<FitSize> size = ComputeFitSize(page.viewWidth, page.viewHeight);
    if (!size || !HasViewPixels(page) || !WithinPageLimit(page, FitWorkBytes(page, false)))
        return false;
    const auto targetWidth = static_cast<uint32_t>(size->width);
    const auto targetHeight = static_cast<uint32_t>(size->height);
    const uint64_t stride = Stride8(targetWidth);
    std::vector<uint8_t> fitted;
    if (!AllocatePageBuffer(fitted, stride * targetHeight)) return false;
    const PlaneSource source =
        Source(PlaneSource::Kind::Samples, page.pixels.data(), page.PixelStride(),
               static_cast<uint32_t>(page.viewWidth), static_cast<uint32_t>(page.viewHeight));
    if (!ResamplePlanes(source, Target(fitted.data(), stride, targetWidth, targetHeight),
                        FastScaleKernels()))
        return false;
    page.pixels = std::move(fitted);
    page.rowStride = page.rotatedStride = static_cast<uint32_t>(stride);
    SetViewAfterFit(page, *size);
    return true;
}

// The colour indices are looked up a row at a time as the resampler reaches
// them, never widened into a whole 24-bit image first.
bool FitColourPage(PageImage& page) {
    const std::optional<FitSize> size = ComputeFitSize(page.viewWidth, page.viewHeight);
    if (!size || !HasViewPixels(page) || !WithinPageLimit(page, FitWorkBytes(page, true))) {
        return false;
    }
    const auto targetWidth = static_cast<uint32_t>(size->width);
    const auto targetHeight = static_cast<uint32_t>(size->height);
    const uint64_t stride = Stride24(targetWidth);
    // Blue, green, red of every index a byte can hold; entries the page's
    // palette does not have are black.
    ColourPlanes colours{};
    for (size_t i = 0; i < 256 && 3 * i + 2 < page.palette.size(); ++i) {
        colours.plane[0][i] = page.palette[3 * i + 2];
        colours.plane[1][i] = page.palette[3 * i + 1];
        colours.plane[2][i] = page.palette[3 * i];
    }
    std::vector<uint8_t> fitted;
    const PlaneSource source = Source(PlaneSource::Kind::ColourIndices, page.pixels.data(),
                                      page.PixelStride(), static_cast<uint32_t>(page.viewWidth),
                                      static_cast<uint32_t>(page.viewHeight), &colours);
    if (!AllocatePageBuffer(fitted, stride * targetHeight) ||
        !ResamplePlanes(source, Target(fitted.data(), stride, targetWidth, targetHeight),
                        FastScaleKernels())) {
        return false;
    }
    page.pixels = std::move(fitted);
    page.format = PixelFormat::Bgr24;
    page.rowStride = page.rotatedStride = static_cast<uint32_t>(stride);
    SetViewAfterFit(page, *size);
    return true;
}

}  // namespace inkvista
