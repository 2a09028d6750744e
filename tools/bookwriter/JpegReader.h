// JPEG pictures decoded with libjpeg(-turbo) directly, for what Qt's reader
// cannot do: decoding at a reduced size in the DCT (1/8 to 8/8, far cheaper
// than decoding in full and shrinking), and straight to grey (the luma the
// file stores, without converting colour at all), from any thread with
// nothing said on stderr.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bookwriter/ImageFiles.h"

namespace inkvista::bookwriter {

// Whether `data` starts like a JPEG file.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

struct JpegHeader {
    uint32_t width = 0, height = 0;
    bool colourModel = true;  // false: CMYK or YCCK, which this reader leaves to Qt
};

enum class JpegOutcome { Done, Damaged, Unsupported };

// Reads the header only. Damaged when it cannot be read; Unsupported when
// libjpeg cannot be loaded, as DecodeJpeg then is.
JpegOutcome ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader* header);

// The width or height a side of `full` pixels has when decoded at
// `eighths` / 8 (libjpeg rounds up).
constexpr uint32_t ScaledSide(uint32_t full, int eighths) {
    return static_cast<uint32_t>((uint64_t{full} * static_cast<uint64_t>(eighths) + 7) / 8);
}

// Decodes at `eighths` / 8 of the full size (1 to 8) into `out`, grey (luma)
// or RGB. A file the decoder warns about (data ending early, corrupt
// segments) is Damaged, as is one it cannot decode; Unsupported is a colour
// model it leaves to Qt.
JpegOutcome DecodeJpeg(const uint8_t* data, size_t size, int eighths, bool grey, RasterImage* out);

}  // namespace inkvista::bookwriter
