// The scaler as it stood before its kernels were rewritten: a colour page
// widened to a whole 24-bit work image, each source row weighed across one
// pixel at a time, then the rows weighed down. Kept unchanged as the baseline
// the fit benchmarks measure against; the reader does not use it.
// bench/FitBench.cpp checks that both give the same bytes on every page it
// measures, and the book tests (ScalerBaselineTest.cpp) on random ones.
#include "BaselineScaler.h"

#include <algorithm>
#include <array>
#include <optional>

#include "book/PageBuffer.h"

namespace inkvista::baseline {
namespace {

constexpr int32_t kScreenWidth = 240;
constexpr int32_t kScreenHeight = 320;

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

// The walk of one axis, flattened: for every walked pixel, the pixel of the
// other line it starts on and the two weights. A `second` that does not join
// (0 or -1) is stored as weight 0, as is a join that would fall past the other
// line's end; `moves` tells whether the other line moves on.
struct Walk {
    std::vector<uint32_t> at;
    std::vector<uint32_t> first;
    std::vector<uint32_t> second;
    size_t length = 0;  // walked pixels before the other line was used up
};

Walk WalkAxis(const std::vector<ScaleStep>& steps, uint32_t otherLength) {
    Walk walk;
    walk.at.resize(steps.size());
    walk.first.resize(steps.size());
    walk.second.resize(steps.size());
    uint32_t at = 0;
    size_t i = 0;
    for (; i < steps.size() && at < otherLength; ++i) {
        const ScaleStep& step = steps[i];
        walk.at[i] = at;
        walk.first[i] = static_cast<uint32_t>(step.first);
        walk.second[i] =
            step.second > 0 && at + 1 < otherLength ? static_cast<uint32_t>(step.second) : 0;
        if (step.second != 0) ++at;
    }
    walk.length = i;
    return walk;
}

// Both resamplers work channel by channel with unsigned 32-bit sums. The
// per-pixel products of the two axis weights are regrouped (the horizontal
// weights applied first, the vertical ones to the row sums); in arithmetic
// modulo 2^32 that regrouping gives exactly the same sums.
template <int C>
void Shrink(const uint8_t* source, uint64_t sourceStride, uint32_t sourceWidth,
            uint32_t sourceHeight, uint8_t* target, uint64_t targetStride, uint32_t targetWidth,
            uint32_t targetHeight) {
    const Walk x = WalkAxis(BuildScaleSteps(sourceWidth, targetWidth, true), targetWidth);
    const std::vector<ScaleStep> y = BuildScaleSteps(sourceHeight, targetHeight, true);
    const size_t rowSums = static_cast<size_t>(targetWidth) * C;
    std::vector<uint32_t> across(rowSums + C);  // one spare pixel for joins that are weight 0
    std::vector<uint32_t> current(rowSums), next(rowSums);

    uint32_t targetRow = 0;
    for (uint32_t sy = 0; sy < sourceHeight && targetRow < targetHeight; ++sy) {
        const uint8_t* row = source + sy * sourceStride;
        std::fill(across.begin(), across.end(), 0u);
        uint32_t* sums = across.data();
        for (size_t p = 0; p < x.length; ++p) {
            uint32_t* at = sums + static_cast<size_t>(x.at[p]) * C;
            const uint32_t first = x.first[p];
            const uint32_t second = x.second[p];
            for (int ch = 0; ch < C; ++ch) {
                const uint32_t value = row[p * C + ch];
                at[ch] += value * first;
                at[C + ch] += value * second;
            }
        }
        const uint32_t yFirst = static_cast<uint32_t>(y[sy].first);
        const int32_t ySecond = y[sy].second;
        for (size_t i = 0; i < rowSums; ++i) current[i] += across[i] * yFirst;
        if (ySecond > 0) {
            const auto weight = static_cast<uint32_t>(ySecond);
            for (size_t i = 0; i < rowSums; ++i) next[i] += across[i] * weight;
        }
        if (ySecond != 0) {
            uint8_t* out = target + targetRow * targetStride;
            for (size_t i = 0; i < rowSums; ++i) out[i] = static_cast<uint8_t>(current[i] >> 24);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0u);
            ++targetRow;
        }
    }
    // Only a size the callers never ask for leaves rows unwritten.
    for (; targetRow < targetHeight; ++targetRow)
        std::fill_n(target + targetRow * targetStride, rowSums, uint8_t{0});
}

template <int C>
void Enlarge(const uint8_t* source, uint64_t sourceStride, uint32_t sourceWidth,
             uint32_t sourceHeight, uint8_t* target, uint64_t targetStride, uint32_t targetWidth,
             uint32_t targetHeight) {
    const Walk x = WalkAxis(BuildScaleSteps(targetWidth, sourceWidth, false), sourceWidth);
    const std::vector<ScaleStep> y = BuildScaleSteps(targetHeight, sourceHeight, false);
    const size_t rowBytes = static_cast<size_t>(targetWidth) * C;
    std::vector<uint32_t> down(static_cast<size_t>(sourceWidth) * C + C);  // spare pixel: weight 0

    uint32_t sourceRow = 0;
    uint32_t targetRow = 0;
    for (; targetRow < targetHeight && sourceRow < sourceHeight; ++targetRow) {
        const uint32_t yFirst = static_cast<uint32_t>(y[targetRow].first);
        const int32_t ySecond = y[targetRow].second;
        const uint8_t* a = source + sourceRow * sourceStride;
        const bool joinsB = ySecond > 0 && sourceRow + 1 < sourceHeight;
        const size_t sourceSums = static_cast<size_t>(sourceWidth) * C;
        if (joinsB) {
            const uint8_t* b = a + sourceStride;
            const auto ySecondWeight = static_cast<uint32_t>(ySecond);
            for (size_t i = 0; i < sourceSums; ++i) down[i] = a[i] * yFirst + b[i] * ySecondWeight;
        } else {
            for (size_t i = 0; i < sourceSums; ++i) down[i] = a[i] * yFirst;
        }
        uint8_t* out = target + targetRow * targetStride;
        for (size_t t = 0; t < x.length; ++t) {
            const uint32_t* at = down.data() + static_cast<size_t>(x.at[t]) * C;
            const uint32_t first = x.first[t];
            const uint32_t second = x.second[t];
            for (int ch = 0; ch < C; ++ch)
                out[t * C + ch] =
                    static_cast<uint8_t>((at[ch] * first + at[C + ch] * second) >> 24);
        }
        std::fill(out + x.length * C, out + rowBytes, uint8_t{0});
        if (ySecond != 0) ++sourceRow;
    }
    for (; targetRow < targetHeight; ++targetRow)
        std::fill_n(target + targetRow * targetStride, rowBytes, uint8_t{0});
}

template <int C>
bool Fits(size_t bytes, uint64_t stride, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return false;
    if (stride < uint64_t{width} * C) return false;
    return bytes >= stride * (height - 1) + uint64_t{width} * C;
}

template <int C>
bool Resample(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
              uint64_t sourceStride, std::span<uint8_t> target, uint32_t targetWidth,
              uint32_t targetHeight, uint64_t targetStride) {
    if (!Fits<C>(source.size(), sourceStride, sourceWidth, sourceHeight) ||
        !Fits<C>(target.size(), targetStride, targetWidth, targetHeight))
        return false;
    const bool narrower = targetWidth <= sourceWidth;
    const bool lower = targetHeight <= sourceHeight;
    if (narrower && lower) {
        Shrink<C>(source.data(), sourceStride, sourceWidth, sourceHeight, target.data(),
                  targetStride, targetWidth, targetHeight);
    } else if (targetWidth >= sourceWidth && targetHeight >= sourceHeight) {
        Enlarge<C>(source.data(), sourceStride, sourceWidth, sourceHeight, target.data(),
                   targetStride, targetWidth, targetHeight);
    } else {
        // Shrink the one axis first, then enlarge the other; each pass keeps
        // its other axis at the same size, where the tables are the identity.
        const uint32_t midWidth = narrower ? targetWidth : sourceWidth;
        const uint32_t midHeight = lower ? targetHeight : sourceHeight;
        const uint64_t midStride = uint64_t{midWidth} * C;
        std::vector<uint8_t> middle;
        if (!AllocatePageBuffer(middle, midStride * midHeight)) return false;
        Shrink<C>(source.data(), sourceStride, sourceWidth, sourceHeight, middle.data(), midStride,
                  midWidth, midHeight);
        Enlarge<C>(middle.data(), midStride, midWidth, midHeight, target.data(), targetStride,
                   targetWidth, targetHeight);
    }
    return true;
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
    const int64_t a = count;
    const int64_t b = other;
    const int64_t divisor = shrink ? a : b;
    const int64_t unit = shrink ? 4096 * b / a : 4096;
    auto weight = [](int64_t w) {
        return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
    };
    std::vector<ScaleStep> steps(count);
    int64_t acc = 0;
    for (ScaleStep& step : steps) {
        const int64_t next = acc + b;
        if (next > a) {
            step.first = weight(4096 * (a - acc) / divisor);
            step.second = weight(4096 * (next - a) / divisor);
            // Past 4096 pixels the share of the next pixel can round to 0;
            // the walk must still move on, or it never reaches the end.
            if (step.second == 0) step.second = -1;
            acc = next - a;
        } else if (next == a) {
            step.first = weight(unit);
            step.second = -1;
            acc = 0;
        } else {
            step.first = weight(unit);
            step.second = 0;
            acc = next;
        }
    }
    return steps;
}

namespace {

using Walk24 = void (*)(const uint8_t*, uint64_t, uint32_t, uint32_t, uint8_t*, uint64_t, uint32_t,
                        uint32_t);

// One direction on whole 24-bit images, after checking both buffers.
bool WalkImage24(Walk24 walk, std::span<const uint8_t> source, uint32_t sourceWidth,
                 uint32_t sourceHeight, std::span<uint8_t> target, uint32_t targetWidth,
                 uint32_t targetHeight) {
    const uint64_t sourceStride = Stride24(sourceWidth);
    const uint64_t targetStride = Stride24(targetWidth);
    if (!Fits<3>(source.size(), sourceStride, sourceWidth, sourceHeight) ||
        !Fits<3>(target.size(), targetStride, targetWidth, targetHeight))
        return false;
    walk(source.data(), sourceStride, sourceWidth, sourceHeight, target.data(), targetStride,
         targetWidth, targetHeight);
    return true;
}

}  // namespace

bool ShrinkImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                 std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    return WalkImage24(&Shrink<3>, source, sourceWidth, sourceHeight, target, targetWidth,
                       targetHeight);
}

bool EnlargeImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    return WalkImage24(&Enlarge<3>, source, sourceWidth, sourceHeight, target, targetWidth,
                       targetHeight);
}

bool ResampleImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                   std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight) {
    return Resample<3>(source, sourceWidth, sourceHeight, Stride24(sourceWidth), target,
                       targetWidth, targetHeight, Stride24(targetWidth));
}

bool ResampleGrey(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  uint64_t sourceStride, std::span<uint8_t> target, uint32_t targetWidth,
                  uint32_t targetHeight, uint64_t targetStride) {
    return Resample<1>(source, sourceWidth, sourceHeight, sourceStride, target, targetWidth,
                       targetHeight, targetStride);
}

// The three channels of a grey page are equal and resampled alike, so the
// page is resampled as one channel; the result is the same byte for byte.
bool FitGreyPage(PageImage& page) {
    const std::optional<FitSize> size = ComputeFitSize(page.viewWidth, page.viewHeight);
    if (!size || !HasViewPixels(page)) return false;
    const uint64_t stride = Stride8(static_cast<uint64_t>(size->width));
    std::vector<uint8_t> fitted;
    if (!AllocatePageBuffer(fitted, stride * static_cast<uint64_t>(size->height))) return false;
    if (!ResampleGrey(page.pixels, static_cast<uint32_t>(page.viewWidth),
                      static_cast<uint32_t>(page.viewHeight), page.PixelStride(), fitted,
                      static_cast<uint32_t>(size->width), static_cast<uint32_t>(size->height),
                      stride))
        return false;
    page.pixels = std::move(fitted);
    page.rowStride = page.rotatedStride = static_cast<uint32_t>(stride);
    SetViewAfterFit(page, *size);
    return true;
}

bool FitColourPage(PageImage& page) {
    const std::optional<FitSize> size = ComputeFitSize(page.viewWidth, page.viewHeight);
    if (!size || !HasViewPixels(page)) return false;
    const auto width = static_cast<uint32_t>(page.viewWidth);
    const auto height = static_cast<uint32_t>(page.viewHeight);
    const uint64_t workStride = Stride24(width);
    const uint64_t fittedStride = Stride24(static_cast<uint64_t>(size->width));
    std::vector<uint8_t> work, fitted;
    if (!AllocatePageBuffer(work, workStride * height) ||
        !AllocatePageBuffer(fitted, fittedStride * static_cast<uint64_t>(size->height))) {
        return false;
    }

    // Blue, green, red of every index a byte can hold; entries the page's
    // palette does not have are black.
    std::array<std::array<uint8_t, 3>, 256> colours{};
    for (size_t i = 0; i < colours.size() && 3 * i + 2 < page.palette.size(); ++i)
        colours[i] = {page.palette[3 * i + 2], page.palette[3 * i + 1], page.palette[3 * i]};
    const uint64_t sourceStride = page.PixelStride();
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = page.pixels.data() + y * sourceStride;
        uint8_t* out = work.data() + y * workStride;
        for (uint32_t x = 0; x < width; ++x) {
            const auto& bgr = colours[in[x]];
            out[3 * x] = bgr[0];
            out[3 * x + 1] = bgr[1];
            out[3 * x + 2] = bgr[2];
        }
    }
    page.pixels.clear();
    page.pixels.shrink_to_fit();

    ResampleImage(work, width, height, fitted, static_cast<uint32_t>(size->width),
                  static_cast<uint32_t>(size->height));
    page.pixels = std::move(fitted);
    page.format = PixelFormat::Bgr24;
    page.rowStride = page.rotatedStride = static_cast<uint32_t>(fittedStride);
    SetViewAfterFit(page, *size);
    return true;
}

}  // namespace inkvista::baseline
