// Encoders for the two page encodings, and builders of complete page plans
// from pixels. Qt-free: tests, benchmarks and fuzz targets use them directly.
//
// Grey pages have a palette of 8 entries (the grey level in the first byte,
// repeated in the other two). Codes 0 and 1 are run codes: they can stand
// only for runs of 4 to 67 pixels, never for a single pixel. So a page can
// show at most 8 levels, and at most 6 of them may occur in runs shorter than
// 4 pixels. The encoders give the two levels with the most pixels in long
// runs codes 0 and 1 (duplicating them in entries 2..7 when they also occur
// in short runs), which is where the code saves space.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "book/BookFormat.h"
#include "encode/BookWriter.h"

namespace inkvista::encode {

constexpr size_t kGreyPaletteEntries = 8;
constexpr size_t kColourPaletteEntries = 32;
constexpr uint32_t kMinRun = 4;
constexpr uint32_t kMaxRun = 67;

// 3-bit grey run code of `codes` (palette indices 0..7, one byte per pixel,
// rows `stride` bytes apart): a bit stream read least significant bit first,
// each row starting at a byte boundary, no run crossing a row end. Fails
// (nullopt) on a code above 7, on a code 0 or 1 in a run shorter than 4
// pixels, or on a size that does not fit memory.
std::optional<std::vector<uint8_t>> EncodeGreyRuns(const uint8_t* codes, uint32_t width,
                                                   uint32_t height, size_t stride);

// Bytes per row of packed 5-bit colour data.
using inkvista::ColourRowBytes;

// 5-bit colour rows of `indices` (0..31), most significant bit first, each
// row ColourRowBytes(width) long with its tail bits zero. Fails on an index
// above 31 or a size that does not fit memory.
std::optional<std::vector<uint8_t>> PackColourRows(const uint8_t* indices, uint32_t width,
                                                   uint32_t height, size_t stride);

// One LZO1X block made by LZO1X-1.
std::optional<std::vector<uint8_t>> CompressLzo1x1(const std::vector<uint8_t>& data);

// A grey page from codes and the 8 levels they name.
std::optional<PagePlan> GreyPageFromCodes(const uint8_t* codes, uint32_t width, uint32_t height,
                                          size_t stride, const std::array<uint8_t, 8>& levels,
                                          const std::string& record = "CX");

// A grey page from grey levels (one byte per pixel), encoded exactly: the
// palette is chosen from the levels the image uses. Fails when the image
// cannot be encoded exactly (see RestrictGreyForRuns) or `record` is neither
// "CX" nor "XC".
std::optional<PagePlan> GreyPage(const uint8_t* grey, uint32_t width, uint32_t height,
                                 size_t stride, const std::string& record = "CX");

// Makes an image of at most 8 grey levels encodable exactly: picks the two
// levels that leave the fewest pixels in short runs (fewer than 4) and moves
// those pixels to the nearest remaining level. Answers the number of pixels
// changed, or nullopt when the image has more than 8 levels.
std::optional<uint64_t> RestrictGreyForRuns(uint8_t* grey, uint32_t width, uint32_t height,
                                            size_t stride);

// A colour page ("XC", 5 bits per pixel) from colour indices and the palette
// they name: `palette` holds up to 32 entries of red, green, blue and is
// padded to 32 entries with black.
std::optional<PagePlan> ColourPage(const uint8_t* indices, uint32_t width, uint32_t height,
                                   size_t stride, const std::vector<uint8_t>& palette);

}  // namespace inkvista::encode
