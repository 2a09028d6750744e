// The inner loops of page decoding that work on whole blocks of pixels: the
// quarter turn for landscape reading and the unpacking of 5-bit colour rows.
// Each uses SSE2 (and SSSE3 where the processor has it) on x86-64 and plain
// 64-bit word arithmetic elsewhere, with the same results.
#pragma once

#include <cstdint>
#include <cstring>

namespace inkvista {

// Stored rows firstY .. firstY + count - 1 (rows `rowStride` apart, `width`
// pixels each) into the page turned a quarter turn counter-clockwise:
// stored pixel (x, y) goes to turned row width - 1 - x, column y. `turned`
// holds `width` rows of `turnedStride` bytes.
void TurnRows(const uint8_t* rows, uint64_t rowStride, uint32_t count, uint32_t width,
              uint32_t firstY, uint8_t* turned, uint64_t turnedStride);

// One row of 5-bit colour indices, most significant bit first, into `width`
// bytes at `out`. `row` may be read for `readable` bytes (at least
// `rowBytes`, the row's own length); the last group's bytes past `rowBytes`
// count as 0.
void UnpackColourRow(const uint8_t* row, uint64_t readable, uint64_t rowBytes, uint32_t width,
                     uint8_t* out);

// Clears the bytes after the first `used` of each of `rows` rows.
inline void ClearPadding(uint8_t* image, uint64_t stride, uint64_t rows, uint64_t used) {
    if (stride == used) return;
    for (uint64_t row = 0; row < rows; ++row)
        std::memset(image + row * stride + used, 0, stride - used);
}

}  // namespace inkvista
