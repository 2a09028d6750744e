// Where the pages of a picture come from and how large they are stored:
// the target size, double-page spreads and plain margins.
#pragma once

#include <cstdint>
#include <vector>

#include "bookwriter/Lanczos.h"

namespace inkvista::bookwriter {

struct PixelSize {
    uint32_t width = 0, height = 0;
    bool operator==(const PixelSize&) const = default;
};

// What size a page is stored at.
struct SizeRule {
    enum class Mode {
        Width,     // `width` wide, as high as the picture's proportions give
        Box,       // inside `width` × `height`, proportions kept, one side equal
        Original,  // the picture's own size
    };
    Mode mode = Mode::Original;
    uint32_t width = 0, height = 0;
    bool upscale = false;  // a smaller picture is enlarged to the target too
};

// The sizes --width and --size take.
constexpr uint32_t kMinTargetSide = 16;
constexpr uint32_t kMaxTargetSide = 4096;

// The stored size of a picture of `source` pixels: rounded to the nearest
// pixel, never 0, and never larger than the picture unless the rule says
// `upscale`.
PixelSize TargetSize(PixelSize source, const SizeRule& rule);

// What becomes of a picture wider than a page.
enum class Spreads {
    Split,   // two pages, left half first (right half first when read right to left)
    Rotate,  // one page turned a quarter turn counter-clockwise, to be read sideways
    Keep,    // one page as it is
};

// A double-page spread: wider than high by more than 1.16, as the common
// converters have it (a page scanned a little wide is not split).
bool IsSpread(PixelSize picture);

// The most a side may lose, as a share of the width or height.
constexpr double kMostCrop = 0.45;

// Crops plain borders: at most `limit` (0 to kMostCrop) of the width or
// height on each side, never into content.
struct CropRule {
    bool enabled = false;
    double limit = 0.10;
};

// The picture without its plain borders: the rows and columns along an edge
// that are all paper (white, or black, within a tolerance for scanner and
// JPEG noise) are dropped up to the limit, keeping a sliver of paper (1 % of
// the side) so that nothing lies flush with the edge. The first line that
// holds anything else (a 1-pixel line, a frame) and all within it are kept.
// A side whose edge line is not all paper is not cropped.
Region FindContent(const RasterImage& picture, double limit);

// The regions of `picture` that become pages, in reading order: the whole
// (cropped) picture, or with `split` its two halves. The halves share the
// crop: the same top and bottom, and the same amount off the outer sides,
// divided at the picture's middle, where the fold is.
std::vector<Region> PageRegions(const RasterImage& picture, const CropRule& crop, bool split,
                                bool rightToLeft);

}  // namespace inkvista::bookwriter
