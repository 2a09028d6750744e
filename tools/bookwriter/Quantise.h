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

// Rec. 601 luma, rounded: grey keeps its value, pure red gives 76.
constexpr uint8_t Luma601(int r, int g, int b) {
    return static_cast<uint8_t>((299 * r + 587 * g + 114 * b + 500) / 1000);
}

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

// The rows of a picture as 8-bit red, green, blue, transparent parts laid
// on white paper, one row at a time: the common formats are read as they
// are, others converted once.
class PictureRows {
  public:
    explicit PictureRows(const QImage& image);
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Valid until the next call.
    const uint8_t* Row(int y);

  private:
    QImage image_;
    std::vector<uint8_t> row_;
};

// The picture in kGreyLevels, by Rec. 601 luma, and encodable exactly: the
// run code can show at most six levels as single pixels, the other two only
// in runs of 4 or more. When a picture needs all eight levels, the two that
// stand alone least often become run-only, and the dither itself keeps to
// that (a pixel that cannot stand alone takes the nearest level that can,
// and its error is spread like any other), so tones stay as they were.
// An image already in kGreyLevels that the code can say comes through as is.
GreyPixels QuantiseGrey(const QImage& image, Dither dither);

// At most `maxColours` (1..32) colours: an image with that few colours keeps
// them exactly; others get a palette by median cut refined by k-means.
IndexedPixels QuantiseColour(const QImage& image, Dither dither, int maxColours = 32);

}  // namespace inkvista::bookwriter
