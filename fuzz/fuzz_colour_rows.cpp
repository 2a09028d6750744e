// DecompressPageData and UnpackColourPixels on arbitrary bytes: the first
// four bytes give the page size and orientation, the rest is first tried as
// an LZO1X block and then unpacked as it is and as decompressed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/PageDecoder.h"
#include "book/Scaler.h"
#include "platform/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 4) return 0;
    const uint32_t width = uint32_t{LoadBE16(data)} % 1000;
    const uint32_t height = data[2] % 64;  // rows decode alike: few keep runs fast
    const bool portrait = data[3] & 1;
    const std::vector<uint8_t> bytes(data + 4, data + size);

    std::vector<uint8_t> unpacked(Stride8(width) * height);
    size_t produced = 0;
    PageImage page;
    if (DecompressPageData(bytes, unpacked, &produced))
        UnpackColourPixels(std::span<const uint8_t>(unpacked.data(), produced), width, height,
                           portrait, page);
    UnpackColourPixels(bytes, width, height, portrait, page);
    return 0;
}
