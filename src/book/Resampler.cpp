#include "book/Resampler.h"

#include <algorithm>
#include <new>

#include "book/PageBuffer.h"

namespace inkvista {
namespace {

int32_t Weight(int64_t w) {
    return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
}

template <class T>
bool Allocate(std::vector<T>& buffer, uint64_t size) {
    try {
        buffer.assign(static_cast<size_t>(size), T{});
    } catch (const std::bad_alloc&) {
        buffer = std::vector<T>();
        return false;
    }
    return true;
}

// Calls join(target, source, weight) for every pair of pixels the walk of
// one axis joins: in order of target, and within a target in order of
// source, each target's sources consecutive. Joins past the other line's
// end are left out, and the walk stops when the other line is used up, as
// the pixel-by-pixel walk does. Answers how often the walk moved on.
template <class Join>
uint32_t WalkJoins(const AxisWalk& walk, Join&& join) {
    const uint32_t walked = walk.shrink ? walk.source : walk.target;
    const uint32_t other = walk.shrink ? walk.target : walk.source;
    if (walked == 0 || other == 0) return 0;
    ScaleStepWalk steps(walked, other, walk.shrink);
    uint32_t at = 0;
    for (uint32_t i = 0; i < walked && at < other; ++i) {
        const ScaleStep step = steps.Next();
        const auto first = static_cast<uint32_t>(step.first);
        const bool joinsNext = step.second > 0 && at + 1 < other;
        const auto second = static_cast<uint32_t>(step.second);
        if (walk.shrink) {
            join(at, i, first);
            if (joinsNext) join(at + 1, i, second);
        } else {
            join(i, at, first);
            if (joinsNext) join(i, at + 1, second);
        }
        if (step.second != 0) ++at;
    }
    return at;
}

// The converted rows of the window of source rows one target row takes. Row
// y lives in slot y modulo the slots, so a window of consecutive rows no
// longer than the slots never pushes out rows of its own.
class RowCache {
  public:
    bool Prepare(const PlaneSource& source, uint32_t slots) {
        source_ = &source;
        if (source.kind == PlaneSource::Kind::Samples) return true;
        slots_ = std::max(slots, 1u);
        if (!Allocate(bytes_, uint64_t{slots_} * 3 * source.width) || !Allocate(held_, slots_))
            return false;
        std::fill(held_.begin(), held_.end(), UINT32_MAX);
        return true;
    }

    const uint8_t* Row(uint32_t y, uint32_t plane, const ScaleKernels& kernels) {
        const PlaneSource& source = *source_;
        const uint8_t* row = source.data + y * source.stride;
        if (source.kind == PlaneSource::Kind::Samples) return row;
        const uint32_t slot = y % slots_;
        const size_t width = source.width;
        uint8_t* planes = bytes_.data() + size_t{slot} * 3 * width;
        if (held_[slot] != y) {
            uint8_t* const split[3] = {planes, planes + width, planes + 2 * width};
            if (source.kind == PlaneSource::Kind::ColourIndices) {
                kernels.splitColours(row, width, *source.colours, split);
            } else {
                for (size_t x = 0; x < width; ++x)
                    for (int c = 0; c < 3; ++c) split[c][x] = row[3 * x + c];
            }
            held_[slot] = y;
        }
        return planes + plane * width;
    }

  private:
    const PlaneSource* source_ = nullptr;
    uint32_t slots_ = 0;
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> held_;
};

AxisWalk Across(const PlaneSource& source, uint32_t width, bool shrink) {
    return {source.width, width, shrink, false};
}
AxisWalk Down(const PlaneSource& source, uint32_t height, bool shrink) {
    return {source.height, height, shrink, true};
}

// Working memory of one pass.
uint64_t PassWorkBytes(PlaneSource::Kind kind, uint32_t sourceWidth, uint32_t sourceHeight,
                       uint32_t targetWidth, uint32_t targetHeight, bool shrink) {
    const AxisTaps x = MeasureAxis({sourceWidth, targetWidth, shrink, false});
    const AxisTaps y = MeasureAxis({sourceHeight, targetHeight, shrink, true});
    const uint64_t word = sizeof(uint32_t);
    uint64_t bytes = word * targetWidth * (2 + uint64_t{x.taps});
    bytes += word * targetHeight * (2 + uint64_t{y.taps});
    bytes += word * (uint64_t{sourceWidth} + x.taps);          // sums
    bytes += sizeof(const uint8_t*) * std::max(y.widest, 1u);  // row pointers
    if (kind != PlaneSource::Kind::Samples) {
        bytes += 3 * uint64_t{targetWidth};  // one target row's planes
        bytes += (3 * uint64_t{sourceWidth} + word) * std::max(y.widest, 1u);  // row cache
    }
    return bytes;
}

}  // namespace

ScaleStepWalk::ScaleStepWalk(uint32_t count, uint32_t other, bool shrink)
    : a_(count),
      b_(other),
      divisor_(shrink ? count : other),
      unit_(shrink ? 4096 * int64_t{other} / std::max<int64_t>(count, 1) : 4096) {}

ScaleStep ScaleStepWalk::Next() {
    ScaleStep step;
    const int64_t next = acc_ + b_;
    if (next > a_) {
        step.first = Weight(4096 * (a_ - acc_) / divisor_);
        step.second = Weight(4096 * (next - a_) / divisor_);
        // Past 4096 pixels the share of the next pixel can round to 0; the
        // walk must still move on, or it never reaches the end.
        if (step.second == 0) step.second = -1;
        acc_ = next - a_;
    } else if (next == a_) {
        step.first = Weight(unit_);
        step.second = -1;
        acc_ = 0;
    } else {
        step.first = Weight(unit_);
        step.second = 0;
        acc_ = next;
    }
    return step;
}

AxisTaps MeasureAxis(const AxisWalk& walk) {
    AxisTaps axis;
    uint32_t run = 0;
    uint32_t last = UINT32_MAX;
    WalkJoins(walk, [&](uint32_t target, uint32_t, uint32_t) {
        run = target == last ? run + 1 : 1;
        last = target;
        axis.widest = std::max(axis.widest, run);
    });
    axis.taps = std::max(4u, (axis.widest + 3) & ~3u);
    return axis;
}

bool BuildAxis(const AxisWalk& walk, AxisTaps& axis) {
    axis = MeasureAxis(walk);
    const uint32_t taps = axis.taps;
    if (!Allocate(axis.start, walk.target) || !Allocate(axis.count, walk.target) ||
        !Allocate(axis.weight, uint64_t{walk.target} * taps))
        return false;
    const uint32_t moves = WalkJoins(walk, [&](uint32_t target, uint32_t source, uint32_t weight) {
        uint32_t& count = axis.count[target];
        if (count == 0) axis.start[target] = source;
        axis.weight[size_t{target} * taps + count++] = weight;
    });
    // A shrink writes a target row when the walk moves past it: a row the
    // walk leaves unfinished (only where the target is the larger) stays 0.
    if (walk.shrink && walk.rows && moves < walk.target) {
        axis.count[moves] = 0;
        std::fill_n(axis.weight.begin() + size_t{moves} * taps, taps, 0u);
    }
    return true;
}

bool ResamplePass(const PlaneSource& source, const PlaneTarget& target, bool shrink,
                  const ScaleKernels& kernels) {
    AxisTaps x, y;
    if (!BuildAxis(Across(source, target.width, shrink), x) ||
        !BuildAxis(Down(source, target.height, shrink), y))
        return false;
    const uint32_t planes = source.Planes();
    const size_t width = target.width;
    std::vector<uint32_t> sums;  // past the source width: 0 for the taps of weight 0
    std::vector<const uint8_t*> rows;
    std::vector<uint8_t> line;
    RowCache cache;
    if (!Allocate(sums, uint64_t{source.width} + x.taps) ||
        !Allocate(rows, std::max(y.widest, 1u)) || !Allocate(line, planes > 1 ? 3 * width : 0) ||
        !cache.Prepare(source, y.widest))
        return false;
    for (uint32_t u = 0; u < target.height; ++u) {
        uint8_t* out = target.data + u * target.stride;
        const uint32_t count = y.count[u];
        for (uint32_t p = 0; p < planes; ++p) {
            for (uint32_t k = 0; k < count; ++k) rows[k] = cache.Row(y.start[u] + k, p, kernels);
            kernels.weighRows(rows.data(), &y.weight[size_t{u} * y.taps], count, source.width,
                              sums.data());
            kernels.weighColumns(sums.data(), x.start.data(), x.weight.data(), x.taps, target.width,
                                 planes == 1 ? out : line.data() + p * width);
        }
        for (size_t t = 0; planes > 1 && t < width; ++t) {
            out[3 * t] = line[t];
            out[3 * t + 1] = line[width + t];
            out[3 * t + 2] = line[2 * width + t];
        }
    }
    return true;
}

bool ResamplePlanes(const PlaneSource& source, const PlaneTarget& target,
                    const ScaleKernels& kernels) {
    const bool narrower = target.width <= source.width;
    const bool lower = target.height <= source.height;
    if (narrower && lower) return ResamplePass(source, target, true, kernels);
    if (target.width >= source.width && target.height >= source.height)
        return ResamplePass(source, target, false, kernels);
    // Shrink the one axis first, then enlarge the other; each pass keeps its
    // other axis at the same size, where the tables are the identity.
    const uint32_t planes = source.Planes();
    PlaneTarget middle;
    middle.width = narrower ? target.width : source.width;
    middle.height = lower ? target.height : source.height;
    middle.stride = uint64_t{middle.width} * planes;
    std::vector<uint8_t> between;
    if (!AllocatePageBuffer(between, middle.stride * middle.height)) return false;
    middle.data = between.data();
    if (!ResamplePass(source, middle, true, kernels)) return false;
    PlaneSource next;
    next.kind = planes == 1 ? PlaneSource::Kind::Samples : PlaneSource::Kind::Bgr;
    next.data = between.data();
    next.stride = middle.stride;
    next.width = middle.width;
    next.height = middle.height;
    return ResamplePass(next, target, false, kernels);
}

uint64_t ResampleWorkBytes(PlaneSource::Kind kind, uint32_t sourceWidth, uint32_t sourceHeight,
                           uint32_t targetWidth, uint32_t targetHeight) {
    const bool narrower = targetWidth <= sourceWidth;
    const bool lower = targetHeight <= sourceHeight;
    if (narrower && lower)
        return PassWorkBytes(kind, sourceWidth, sourceHeight, targetWidth, targetHeight, true);
    if (targetWidth >= sourceWidth && targetHeight >= sourceHeight)
        return PassWorkBytes(kind, sourceWidth, sourceHeight, targetWidth, targetHeight, false);
    const uint32_t midWidth = narrower ? targetWidth : sourceWidth;
    const uint32_t midHeight = lower ? targetHeight : sourceHeight;
    const PlaneSource::Kind between =
        kind == PlaneSource::Kind::Samples ? kind : PlaneSource::Kind::Bgr;
    const uint64_t planes = kind == PlaneSource::Kind::Samples ? 1 : 3;
    return planes * midWidth * midHeight +
           std::max(PassWorkBytes(kind, sourceWidth, sourceHeight, midWidth, midHeight, true),
                    PassWorkBytes(between, midWidth, midHeight, targetWidth, targetHeight, false));
}

}  // namespace inkvista
