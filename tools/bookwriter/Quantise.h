// Turning pictures into what a page can hold: 8 grey levels, or 32 colours.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

namespace inkvista::bookwriter {

enum class Dither {
    None,
    FloydSteinberg,  // error diffusion: best for photographs and tones
    Ordered,         // 4×4 Bayer: regular pattern, compresses better
};

// The 8 grey levels a packed grey page uses, evenly spaced from black to white.
constexpr std::array<uint8_t, 8> kGreyLevels = {0, 36, 73, 109, 146, 182, 219, 255};

// One grey byte per pixel, rows `width` bytes long.
struct GreyPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> grey;
};

// One palette index per pixel, rows `width` bytes long; `palette` holds up to
// 32 entries of red, green, blue.
struct IndexedPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> palette;
};

// Transparent areas are laid on white paper; colours become grey by Qt's
// weights, so an image already in kGreyLevels keeps its values. The result
// is also made encodable exactly (encode::RestrictGreyForRuns): two of the
// eight levels can only stand in runs of 4 pixels or more.
GreyPixels QuantiseGrey(const QImage& image, Dither dither);

// At most `maxColours` (1..32) colours: an image with that few colours keeps
// them exactly; others get a palette by median cut refined by k-means.
IndexedPixels QuantiseColour(const QImage& image, Dither dither, int maxColours = 32);

// `image` as 8-bit RGB rows on white, the form both quantisers start from.
QImage FlattenOnWhite(const QImage& image);

}  // namespace inkvista::bookwriter
