// The inner loops of the resampler, on one plane of 8-bit samples at a time.
// All arithmetic is unsigned 32-bit and wraps, exactly as the weighted sums
// of the resampler are defined; each loop has a plain version and, on
// x86-64, one using SSE2, SSSE3 or SSE4.1 where the processor has it, with
// the same results bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace inkvista {

// Down a column: sums[i] = Σ weights[k] × rows[k][i] over k < count, for
// i < length. Zero rows give sums of 0.
using WeighRowsKernel = void (*)(const uint8_t* const* rows, const uint32_t* weights,
                                 uint32_t count, size_t length, uint32_t* sums);

// Across a row: out[t] = (Σ weights[t × taps + k] × sums[starts[t] + k] over
// k < taps) >> 24, for t < targets. `sums` must be readable up to
// starts[t] + taps for every t; `taps` is a multiple of 4.
using WeighColumnsKernel = void (*)(const uint32_t* sums, const uint32_t* starts,
                                    const uint32_t* weights, uint32_t taps, uint32_t targets,
                                    uint8_t* out);

// Blue, green and red of every colour index, one plane each.
struct ColourPlanes {
    uint8_t plane[3][256];
};

// One row of colour indices into its three planes.
using SplitColoursKernel = void (*)(const uint8_t* indices, size_t width,
                                    const ColourPlanes& colours, uint8_t* const planes[3]);

struct ScaleKernels {
    WeighRowsKernel weighRows;
    WeighColumnsKernel weighColumns;
    SplitColoursKernel splitColours;
};

struct NamedScaleKernels {
    const char* name;
    ScaleKernels kernels;
};

// The plain versions; every set this processor can run, the plain one first
// and the fastest last; and the fastest.
const ScaleKernels& PlainScaleKernels();
std::vector<NamedScaleKernels> ScaleKernelSets();
const ScaleKernels& FastScaleKernels();

}  // namespace inkvista
