// The decoded page as the viewer paints it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/PageBuffer.h"

namespace inkvista {

struct PageRecord {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t packedSize = 0;
    uint16_t skipWords = 0;
    uint16_t paletteCount = 0;
    char magic[2] = {0, 0};  // "CX" or "XC"
};

struct RgbQuad {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
};

// BITMAPINFOHEADER; height is negative: every bitmap is top-down.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

struct IndexedBitmapInfo {
    BitmapInfoHeader header;
    std::array<RgbQuad, 256> colours;
};

// How the rows of `pixels` run: the page as stored, or turned a quarter turn
// counter-clockwise for landscape reading.
enum class PixelOrientation : uint8_t { Portrait, Landscape };

struct PageImage {
    PageImage();  // grey ramp colour table, 8- and 24-bit headers

    int32_t currentPage = 0;
    PageRecord pageRecord;
    std::vector<uint8_t> palette;  // paletteCount × (r, g, b)
    uint32_t rowStride = 0;
    uint32_t rotatedStride = 0;
    std::vector<uint8_t> pixels;
    // Set whenever `pixels` are, so that their stride is never paired with
    // the view's orientation of another moment.
    PixelOrientation orientation = PixelOrientation::Portrait;
    uint8_t trueColour = 0;
    IndexedBitmapInfo indexedInfo;
    BitmapInfoHeader colourInfo;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;

    // Bytes per row of `pixels`: rowStride as stored, rotatedStride turned
    // (equal after a fit).
    uint32_t PixelStride() const;
};

}  // namespace inkvista
