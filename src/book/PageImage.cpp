#include "book/PageImage.h"

#include "book/BookFormat.h"

namespace inkvista {

uint32_t PageImage::PixelStride() const {
    return orientation == PixelOrientation::Portrait ? rowStride : rotatedStride;
}

std::array<RgbQuad, 256> ColourTable(const PageImage& page) {
    std::array<RgbQuad, 256> table;
    for (size_t i = 0; i < table.size(); ++i) {
        const auto v = static_cast<uint8_t>(i);
        table[i] = RgbQuad{v, v, v, 0};
    }
    if (page.format != PixelFormat::Indexed8) return table;
    const auto at = [&page](size_t k) -> uint8_t {
        return k < page.palette.size() ? page.palette[k] : 0;
    };
    for (size_t i = 0; i < kColourEntries; ++i) {
        table[i] = RgbQuad{at(3 * i + 2), at(3 * i + 1), at(3 * i), 0};
    }
    return table;
}

}  // namespace inkvista
