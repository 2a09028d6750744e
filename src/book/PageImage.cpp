#include "book/PageImage.h"

namespace inkvista {

PageImage::PageImage() {
    indexedInfo.header.bitCount = 8;
    indexedInfo.header.clrUsed = 256;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        indexedInfo.colours[static_cast<size_t>(i)] = RgbQuad{v, v, v, 0};
    }
    colourInfo.bitCount = 24;
}

uint32_t PageImage::PixelStride() const {
    return orientation == PixelOrientation::Portrait ? rowStride : rotatedStride;
}

}  // namespace inkvista
