// The scaler as it was before its kernels were rewritten, in a namespace of
// its own: the baseline of the fit benchmarks. See BaselineScaler.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "book/PageImage.h"
#include "book/Scaler.h"

namespace inkvista::baseline {

std::optional<FitSize> ComputeFitSize(int32_t viewWidth, int32_t viewHeight);
std::vector<ScaleStep> BuildScaleSteps(uint32_t count, uint32_t other, bool shrink);
bool ShrinkImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                 std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);
bool EnlargeImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);
bool ResampleImage(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                   std::span<uint8_t> target, uint32_t targetWidth, uint32_t targetHeight);
bool ResampleGrey(std::span<const uint8_t> source, uint32_t sourceWidth, uint32_t sourceHeight,
                  uint64_t sourceStride, std::span<uint8_t> target, uint32_t targetWidth,
                  uint32_t targetHeight, uint64_t targetStride);
bool FitGreyPage(PageImage& page);
bool FitColourPage(PageImage& page);

}  // namespace inkvista::baseline
