// The resampler on arbitrary sizes and pixels: the first eight bytes give
// source and target sizes, the rest fills the source image. Every entry
// point is tried, including the directions no caller asks for.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/Scaler.h"
#include "platform/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 8) return 0;
    auto length = [&](size_t at) { return uint32_t{LoadBE16(data + at)} % 400 + 1; };
    // Rows are resampled alike: few of them keep runs fast.
    const uint32_t sw = length(0), sh = length(2) % 64 + 1, tw = length(4), th = length(6) % 64 + 1;
    data += 8;
    size -= 8;
    std::vector<uint8_t> source(Stride24(sw) * sh);
    for (size_t i = 0; i < source.size(); ++i) source[i] = size ? data[i % size] : uint8_t(i);
    std::vector<uint8_t> target(Stride24(tw) * th);
    ResampleImage(source, sw, sh, target, tw, th);
    ShrinkImage(source, sw, sh, target, tw, th);
    EnlargeImage(source, sw, sh, target, tw, th);
    std::vector<uint8_t> grey(Stride8(tw) * th);
    ResampleGrey(source, sw, sh, Stride24(sw), grey, tw, th, Stride8(tw));
    ComputeFitSize(static_cast<int32_t>(sw * sh), static_cast<int32_t>(tw * th));
    return 0;
}
