// What every loaded page must hold: a view that its pixel buffer covers, in
// the stride the painter reads it with.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "book/PageImage.h"

namespace inkvista::fuzz {

inline void CheckLoadedPage(const PageImage& page) {
    if (page.viewWidth <= 0 || page.viewHeight <= 0) std::abort();
    const uint64_t width = static_cast<uint32_t>(page.viewWidth);
    const uint64_t height = static_cast<uint32_t>(page.viewHeight);
    const uint64_t rowBytes = width * (page.trueColour() ? 3 : 1);
    const uint64_t stride = page.PixelStride();
    if (stride < rowBytes || stride % 4 != 0) std::abort();
    if (stride * (height - 1) + rowBytes > page.pixels.size()) std::abort();
}

}  // namespace inkvista::fuzz
