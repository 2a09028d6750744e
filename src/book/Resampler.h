// The resampler behind ShrinkImage, EnlargeImage, ResampleImage, ResampleGrey
// and the page fits, one plane of 8-bit samples at a time.
//
// Every target sample is (Σ p × wx × wy) >> 24 over the source samples p it
// takes, with the weights wx and wy of the two axes' step tables, in unsigned
// 32-bit arithmetic that wraps. Wrapping addition and multiplication are
// associative, commutative and distributive, so any order of that sum gives
// the same 32 bits: here each target row's source rows are weighed down
// first (WeighRows), then across (WeighColumns), with the weights of one axis
// gathered per target pixel beforehand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/ScaleKernels.h"
#include "book/Scaler.h"

namespace inkvista {

// BuildScaleSteps one entry at a time.
class ScaleStepWalk {
  public:
    ScaleStepWalk(uint32_t count, uint32_t other, bool shrink);
    ScaleStep Next();

  private:
    int64_t a_, b_, divisor_, unit_;
    int64_t acc_ = 0;
};

// One axis: target pixel t takes source pixels start[t] .. start[t] +
// count[t] - 1 with the weights weight[t × taps ...]; the weights from
// count[t] up to `taps` are 0. A target the walk never reaches, or (for the
// rows of a shrink) leaves unfinished, takes nothing and comes out 0.
struct AxisTaps {
    uint32_t taps = 0;    // a multiple of 4
    uint32_t widest = 0;  // the largest count
    std::vector<uint32_t> start, count, weight;
};

// How an axis is walked: shrinking (one step per source pixel) or enlarging
// (one per target pixel), and whether it is the axis of rows.
struct AxisWalk {
    uint32_t source = 0;
    uint32_t target = 0;
    bool shrink = true;
    bool rows = false;
};

// `taps` and `widest` of the axis, without building it.
AxisTaps MeasureAxis(const AxisWalk& walk);
// False when the tables cannot be allocated.
bool BuildAxis(const AxisWalk& walk, AxisTaps& axis);

// Where the source rows come from: one plane of samples, 8-bit colour
// indices turned into three planes through `colours`, or 24-bit pixels
// (blue, green, red) split into three planes. Rows are `stride` bytes apart.
struct PlaneSource {
    enum class Kind { Samples, ColourIndices, Bgr };
    Kind kind = Kind::Samples;
    const uint8_t* data = nullptr;
    uint64_t stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    const ColourPlanes* colours = nullptr;

    uint32_t Planes() const { return kind == Kind::Samples ? 1 : 3; }
};

// The target: rows `stride` bytes apart, 1 byte a pixel for a one-plane
// source, else 3 (blue, green, red). Bytes after a row's last pixel are not
// written.
struct PlaneTarget {
    uint8_t* data = nullptr;
    uint64_t stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Resamples in one pass, both axes walked the same way (`shrink`). False,
// having written nothing, when its work memory cannot be allocated.
bool ResamplePass(const PlaneSource& source, const PlaneTarget& target, bool shrink,
                  const ScaleKernels& kernels);

// Picks the pass as ResampleImage does: shrinking when the target is no
// larger in either direction, enlarging when it is no smaller, else
// shrinking the one axis and then enlarging the other through an image in
// between.
bool ResamplePlanes(const PlaneSource& source, const PlaneTarget& target,
                    const ScaleKernels& kernels);

// The most memory ResamplePlanes allocates for these sizes and this kind of
// source, besides the source and target themselves.
uint64_t ResampleWorkBytes(PlaneSource::Kind kind, uint32_t sourceWidth, uint32_t sourceHeight,
                           uint32_t targetWidth, uint32_t targetHeight);

}  // namespace inkvista
