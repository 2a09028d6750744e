// The decoded page as the viewer paints it: its pixels, what they are, how
// their rows run, the size it shows at and its palette. Where the reader is
// in it (the page number, the scroll position) belongs to the reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/PageBuffer.h"

namespace inkvista {

struct RgbQuad {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
};

// What a byte (or three) of `pixels` is.
enum class PixelFormat : uint8_t {
    Grey8,     // a grey level: a grey page
    Indexed8,  // an entry of the palette: a colour page as stored
    Bgr24,     // blue, green, red: a colour page fitted to the screen
};

// How the rows of `pixels` run: the page as stored, or turned a quarter turn
// counter-clockwise for landscape reading.
enum class PixelOrientation : uint8_t { Portrait, Landscape };

struct PageImage {
    PixelFormat format = PixelFormat::Grey8;
    std::vector<uint8_t> pixels;
    uint32_t rowStride = 0;
    uint32_t rotatedStride = 0;
    // Set whenever `pixels` are, so that their stride is never paired with
    // the view's orientation of another moment.
    PixelOrientation orientation = PixelOrientation::Portrait;
    // The page as shown: turned in landscape, fitted when asked for.
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    // The page record's palette: paletteCount x (r, g, b). Grey pages take
    // their levels from it while decoding, colour pages their colours.
    std::vector<uint8_t> palette;

    // Bytes per row of `pixels`: rowStride as stored, rotatedStride turned
    // (equal after a fit).
    uint32_t PixelStride() const;
    bool trueColour() const { return format == PixelFormat::Bgr24; }
};

// The colours an 8-bit page shows, one per byte value: a colour page's
// first 32 entries from its palette (black where it has none), grey levels
// for everything else and for every entry of a grey page.
std::array<RgbQuad, 256> ColourTable(const PageImage& page);

}  // namespace inkvista
