// 5-bit palette colour: the LZO1X block and its rows of colour indices.
#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>

#include "book/BookFormat.h"
#include "book/PageBuffer.h"
#include "book/PageDecoder.h"
#include "book/PageKernels.h"
#include "book/Scaler.h"

namespace inkvista {
namespace {

struct ColourRows {
    std::span<const uint8_t> data;
    uint32_t width;
    uint64_t rowBytes;
    std::vector<uint8_t> shortRow;

    ColourRows(std::span<const uint8_t> bytes, uint32_t w)
        : data(bytes), width(w), rowBytes(ColourRowBytes(w)) {}

    // The copy buffer for rows the data holds only in part, made before the
    // first row when any of `height` rows needs it; false when it cannot be.
    bool PrepareShortRow(uint32_t height) {
        if (uint64_t{height} * rowBytes <= data.size()) return true;
        return AllocatePageBuffer(shortRow, rowBytes + 8);
    }

    // Row y, with `readable` bytes from its start that may be read (at least
    // rowBytes); a row the data holds only in part is copied with the
    // missing bytes 0.
    const uint8_t* Row(uint32_t y, uint64_t* readable) {
        const uint64_t start = y * rowBytes;
        if (start + rowBytes <= data.size()) {
            *readable = data.size() - start;
            return data.data() + start;
        }
        std::fill(shortRow.begin(), shortRow.end(), uint8_t{0});
        if (start < data.size())
            std::memcpy(shortRow.data(), data.data() + start,
                        static_cast<size_t>(data.size() - start));
        *readable = shortRow.size();
        return shortRow.data();
    }

    void Unpack(uint32_t y, uint8_t* out) {
        uint64_t readable = 0;
        const uint8_t* row = Row(y, &readable);
        UnpackColourRow(row, readable, rowBytes, width, out);
    }
};

// Unpacks sixteen rows at a time, then turns them together. A page of fewer
// rows gets a band of its own height, so that the band never needs more than
// the turned page, whatever width the book claims.
bool UnpackTurned(ColourRows& rows, uint32_t height, uint8_t* pixels, uint64_t rotatedStride) {
    const uint32_t width = rows.width;
    std::vector<uint8_t> band;
    if (!AllocatePageBuffer(band, uint64_t{width} * std::min<uint32_t>(16, height))) return false;
    for (uint32_t y = 0; y < height; y += 16) {
        const uint32_t count = std::min<uint32_t>(16, height - y);
        for (uint32_t k = 0; k < count; ++k) rows.Unpack(y + k, band.data() + size_t{k} * width);
        TurnRows(band.data(), width, count, width, y, pixels, rotatedStride);
    }
    return true;
}

}  // namespace

bool DecompressPageData(std::span<const uint8_t> packed, std::span<uint8_t> out, size_t* produced) {
    static const bool ready = lzo_init() == LZO_E_OK;
    if (produced) *produced = 0;
    // An empty block is no block, and the decompressor reads its first byte
    // unchecked.
    if (!ready || packed.empty()) return false;
    lzo_uint length = out.size();
    const int result =
        lzo1x_decompress_safe(packed.data(), packed.size(), out.data(), &length, nullptr);
    if (result != LZO_E_OK || length > out.size()) return false;
    if (produced) *produced = length;
    return true;
}

uint64_t ColourDataBytes(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return 0;
    return (uint64_t{height} - 1) * ColourRowBytes(width) + (5 * uint64_t{width} + 7) / 8;
}

bool UnpackColourPixels(std::span<const uint8_t> data, uint32_t width, uint32_t height,
                        bool portrait, PageImage& page) {
    const uint64_t rowStride = Stride8(width);
    const uint64_t rotatedStride = Stride8(height);
    const uint64_t size = portrait ? rowStride * height : rotatedStride * width;
    if (width == 0 || height == 0 || !AllocatePageBuffer(page.pixels, size, BufferStart::Reused)) {
        page.pixels = {};
        return false;
    }
    page.rowStride = static_cast<uint32_t>(rowStride);
    page.rotatedStride = static_cast<uint32_t>(rotatedStride);
    page.orientation = portrait ? PixelOrientation::Portrait : PixelOrientation::Landscape;

    ColourRows rows(data, width);
    if (!rows.PrepareShortRow(height)) {
        page.pixels = {};
        return false;
    }
    uint8_t* pixels = page.pixels.data();
    if (portrait) {
        for (uint32_t y = 0; y < height; ++y) rows.Unpack(y, pixels + y * rowStride);
        ClearPadding(pixels, rowStride, height, width);
        return true;
    }
    ClearPadding(pixels, rotatedStride, width, height);
    if (!UnpackTurned(rows, height, pixels, rotatedStride)) {
        page.pixels = {};
        return false;
    }
    return true;
}

}  // namespace inkvista
