// Turning pictures into what a page can hold: 8 grey levels, or 32 colours.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bookwriter/ImageFiles.h"
#include "encode/BookWriter.h"

namespace inkvista::bookwriter {

enum class Dither {
    None,
    FloydSteinberg,  // error diffusion: best for photographs and tones
    Ordered,         // 4×4 Bayer: regular pattern, compresses better
};

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

// A picture as the quantisers take it: its Rec. 601 luma (grey) or its
// red, green and blue, transparent parts laid on white paper.
RasterImage LumaOf(const QImage& image);
RasterImage RgbOf(const QImage& image);

// The grey values a page of this picture is quantised to, ascending: the
// picture's own when it has 8 or fewer, else 8 from its darkest to its
// lightest, placed where they leave the least dither pattern for the eye
// (most densely at the tones that fill flat areas). Both page records name
// their grey values in the page's palette, so every page has its own.
std::vector<uint8_t> PageGreyLevels(const RasterImage& luma, Dither dither);

// The picture in its PageGreyLevels, and encodable exactly by the grey run code:
// the code can show at most six levels as single pixels, the other two only
// in runs of 4 or more. When a picture needs all eight levels, two become
// run-only, and the dither itself keeps to that (a pixel that cannot stand
// alone takes the nearest level that can, and its error is spread like any
// other), so tones stay as they were. Which two is measured: the pairs of
// the levels that stand alone least often are each dithered, and the one
// with the least error (both blurred, see QuantiseGreyPage) is taken. An
// image of 8 greys or fewer that the code can say comes through as is.
GreyPixels QuantiseGrey(const RasterImage& luma, Dither dither);
GreyPixels QuantiseGrey(const QImage& image, Dither dither);

// How much more error than the free dither a grey-run page may have and
// still be chosen (see QuantiseGreyPage).
constexpr double kRunErrorTolerance = 0.01;

// A grey page and the pixels a reader shows of it.
struct GreyPage {
    encode::PagePlan plan;
    GreyPixels shown;
};

// A grey page in whichever record holds the picture best. The picture is
// dithered freely into its PageGreyLevels and stored exactly as an "XC" record with
// an 8-grey palette (5-bit rows, LZO1X), unless the grey run code (in a
// `record` record) holds it in fewer bytes with at most kRunErrorTolerance
// more error. Error is the squared difference from the picture after both
// are blurred by a Gaussian of about one pixel: the tone the eye sees,
// which the run code's forced runs (dashes in lettering, gaps in thin lines)
// change. A page the free dither already gives in six single levels or
// fewer is the same in both, and the smaller is taken.
std::optional<GreyPage> QuantiseGreyPage(const RasterImage& luma, Dither dither,
                                         const std::string& record);

// At most `maxColours` (1..32) colours: an image with that few colours keeps
// them exactly; others get a palette by median cut refined by k-means.
IndexedPixels QuantiseColour(const RasterImage& rgb, Dither dither, int maxColours = 32);
IndexedPixels QuantiseColour(const QImage& image, Dither dither, int maxColours = 32);

}  // namespace inkvista::bookwriter
