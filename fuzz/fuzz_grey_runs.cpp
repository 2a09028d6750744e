// DecodeGreyRuns and the landscape turn on arbitrary bytes: the first five
// bytes give the page size and palette length, the rest is the run data.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/PageDecoder.h"
#include "book/Scaler.h"
#include "platform/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 5) return 0;
    // Every row decodes alike: a few dozen rows find what a page does, at a
    // fraction of the cost.
    const uint32_t width = uint32_t{LoadBE16(data)} % 700;
    const uint32_t height = uint32_t{LoadBE16(data + 2)} % 80;
    const size_t paletteBytes = data[4] % 30;
    data += 5;
    size -= 5;
    const size_t take = paletteBytes < size ? paletteBytes : size;
    // Exactly sized copies, so that any read past them is caught.
    const std::vector<uint8_t> palette(data, data + take);
    const std::vector<uint8_t> packed(data + take, data + size);
    std::vector<uint8_t> out(Stride8(width) * height);
    PageDamage damage = PageDamage::None;
    DecodeGreyRuns(packed, out, width, height, palette, &damage);
    PageImage page;
    StoreGreyPixels(std::vector<uint8_t>(out), width, height, (width ^ height) & 1, page);
    return 0;
}
