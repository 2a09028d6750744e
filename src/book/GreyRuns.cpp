// 3-bit grey runs: decoding the bit stream and storing the decoded page.
#include <algorithm>
#include <array>
#include <cstring>

#include "book/PageBuffer.h"
#include "book/PageDecoder.h"
#include "book/PageKernels.h"
#include "book/Scaler.h"
#include "platform/ByteOrder.h"

// The decoding steps are written as functions for reading, and folded back
// into one loop: their state must stay in registers.
#define INKVISTA_INLINE inline __attribute__((always_inline))

namespace inkvista {
namespace {

struct GreyBits {
    const uint8_t* data;
    size_t size;
    uint64_t totalBits;
    uint64_t bit = 0;  // position of `buffer`'s lowest bit in the stream
    uint64_t buffer = 0;
    uint32_t have = 0;  // valid bits in `buffer`

    INKVISTA_INLINE void Refill() {
        const uint64_t byte = bit >> 3;
        const auto shift = static_cast<uint32_t>(bit & 7);
        if (byte + 8 <= size) {
            buffer = LoadLE64(data + byte) >> shift;
            have = 64 - shift;
            return;
        }
        buffer = 0;
        for (uint64_t k = 0; byte + k < size; ++k) buffer |= uint64_t{data[byte + k]} << (8 * k);
        buffer >>= shift;
        have = static_cast<uint32_t>(totalBits > bit ? totalBits - bit : 0);
    }
    INKVISTA_INLINE void Consume(uint32_t n) {
        buffer >>= n;
        have -= n;
        bit += n;
    }
    INKVISTA_INLINE void NextByte() {
        bit = (bit + 7) & ~uint64_t{7};
        have = 0;
    }
};

// The grey levels of the eight codes, in the forms the loops use.
struct GreyLevels {
    uint8_t grey[kGreyLevels];
    uint64_t fill[kGreyLevels];  // each level in all eight bytes of a word
    // For any 9 bits that are three single-pixel codes: their three levels in
    // the low bytes and 1 in the top byte; 0 otherwise.
    std::array<uint32_t, 512> triples;
};

INKVISTA_INLINE void MakeGreyLevels(std::span<const uint8_t> palette, GreyLevels& levels) {
    uint8_t* grey = levels.grey;
    for (size_t c = 0; c < kGreyLevels; ++c) {
        const size_t at = kPaletteEntrySize * c;
        grey[c] = at < palette.size() ? palette[at] : 0;
        levels.fill[c] = grey[c] * 0x0101010101010101ull;
    }
    for (uint32_t v = 0; v < 512; ++v) {
        const uint32_t c0 = v & 7, c1 = (v >> 3) & 7, c2 = v >> 6;
        levels.triples[v] = c0 >= 2 && c1 >= 2 && c2 >= 2 ? grey[c0] | uint32_t{grey[c1]} << 8 |
                                                                uint32_t{grey[c2]} << 16 | 1u << 24
                                                          : 0;
    }
}

// Where a row's decoding stopped.
enum class RowEnd { Done, DataEnded, RunPastPage };

// A row being decoded: its pixels, the next pixel, and how far the fast path
// may write (whole words, up to 72 bytes past x: into the row's padding or
// the rows after it, which are written later).
struct RowState {
    uint8_t* row;
    uint32_t width;
    uint32_t x;
    uint64_t fastLimit;
    bool lastRow;
};

// Well-formed pages never run past a row's end. On the last row that would
// leave the buffer: stop before writing any of it. Elsewhere keep the row's
// own part only. False when decoding must stop.
INKVISTA_INLINE bool FitRun(const RowState& r, uint32_t& length, PageDamage& damage) {
    if (length <= r.width - r.x) return true;
    if (r.lastRow) return false;
    if (damage == PageDamage::None) damage = PageDamage::RunPastRow;
    length = r.width - r.x;
    return true;
}

// Up to six codes from one 64-bit load (57 bits at least, six codes of up to
// 9 bits each). Singles and runs take the same path, so that mixed pages do
// not stall on mispredicted branches.
INKVISTA_INLINE RowEnd FastCodes(const GreyLevels& levels, GreyBits& in, RowState& r,
                                 PageDamage& damage) {
    uint64_t bits = LoadLE64(in.data + (in.bit >> 3)) >> (in.bit & 7);
    uint32_t used = 0;
    for (int step = 0; step < 6 && r.x < r.width && r.x < r.fastLimit; ++step) {
        // Three singles at once where the row has room for them; the shift
        // does not wait for the table.
        const uint32_t triple = levels.triples[bits & 511];
        if (triple != 0 && r.width - r.x >= 3) {
            StoreLE32(r.row + r.x, triple);
            r.x += 3;
            bits >>= 9;
            used += 9;
            continue;
        }
        const auto code = static_cast<uint32_t>(bits & 7);
        const bool isRun = code < 2;
        uint32_t length = isRun ? static_cast<uint32_t>((bits >> 3) & 63) + 4 : 1;
        const uint32_t size = isRun ? 9 : 3;
        if (!FitRun(r, length, damage)) {
            in.bit += used;
            return RowEnd::RunPastPage;
        }
        const uint64_t pattern = levels.fill[code];
        std::memcpy(r.row + r.x, &pattern, 8);
        for (uint32_t i = 8; i < length; i += 8) std::memcpy(r.row + r.x + i, &pattern, 8);
        r.x += length;
        bits >>= size;
        used += size;
    }
    in.bit += used;
    in.have = 0;
    return RowEnd::Done;
}

// One code, read through the bit buffer: near the end of the data or of the
// image, where the fast path's whole-word loads and stores do not fit.
INKVISTA_INLINE RowEnd SlowCode(const GreyLevels& levels, GreyBits& in, RowState& r,
                                PageDamage& damage) {
    if (in.have < 9) {
        in.Refill();
        if (in.have < 3) return RowEnd::DataEnded;
    }
    const auto code = static_cast<uint32_t>(in.buffer & 7);
    if (code >= 2) {
        r.row[r.x++] = levels.grey[code];
        in.Consume(3);
        return RowEnd::Done;
    }
    if (in.have < 9) return RowEnd::DataEnded;
    uint32_t run = static_cast<uint32_t>((in.buffer >> 3) & 63) + 4;
    if (!FitRun(r, run, damage)) return RowEnd::RunPastPage;
    std::memset(r.row + r.x, levels.grey[code], run);
    r.x += run;
    in.Consume(9);
    return RowEnd::Done;
}

INKVISTA_INLINE RowEnd DecodeRow(const GreyLevels& levels, GreyBits& in, RowState& r,
                                 PageDamage& damage) {
    while (r.x < r.width) {
        const bool fast = r.x < r.fastLimit && (in.bit >> 3) + 8 <= in.size;
        const RowEnd end =
            fast ? FastCodes(levels, in, r, damage) : SlowCode(levels, in, r, damage);
        if (end != RowEnd::Done) return end;
    }
    return RowEnd::Done;
}

}  // namespace

bool DecodeGreyRuns(std::span<const uint8_t> packed, std::span<uint8_t> out, uint32_t width,
                    uint32_t height, std::span<const uint8_t> palette, PageDamage* damage) {
    const uint64_t stride = Stride8(width);
    if (stride * height > out.size()) return false;
    PageDamage found = PageDamage::None;
    if (width != 0 && height != 0) {  // else nothing to decode, nothing read
        GreyLevels levels;
        MakeGreyLevels(palette, levels);
        const uint64_t imageEnd = stride * height;
        GreyBits in{packed.data(), packed.size(), uint64_t{packed.size()} * 8};
        for (uint32_t y = 0; y < height; ++y) {
            const uint64_t rowStart = y * stride;
            RowState r{out.data() + rowStart, width, 0,
                       imageEnd - rowStart > 72 ? imageEnd - rowStart - 72 : 0, y + 1 == height};
            const RowEnd end = DecodeRow(levels, in, r, found);
            if (end != RowEnd::Done) {
                // The rest of the page stays black.
                std::memset(r.row + r.x, 0, imageEnd - (rowStart + r.x));
                found = end == RowEnd::DataEnded ? PageDamage::DataEnded : PageDamage::RunPastRow;
                break;
            }
            std::memset(r.row + width, 0, stride - width);
            in.NextByte();
        }
    }
    if (damage) *damage = found;
    return found == PageDamage::None;
}

bool StoreGreyPixels(std::vector<uint8_t>&& decoded, uint32_t width, uint32_t height, bool portrait,
                     PageImage& page) {
    const uint64_t rowStride = Stride8(width);
    const uint64_t rotatedStride = Stride8(height);
    if (width == 0 || height == 0 || rowStride * height > decoded.size() ||
        (portrait ? rowStride * height : rotatedStride * width) > kMaxPageBytes) {
        page.pixels = {};
        return false;
    }
    if (portrait) {
        decoded.resize(static_cast<size_t>(rowStride * height));
        page.pixels = std::move(decoded);
    } else {
        if (!AllocatePageBuffer(page.pixels, rotatedStride * width, BufferStart::Reused))
            return false;
        ClearPadding(page.pixels.data(), rotatedStride, width, height);
        for (uint32_t y = 0; y < height; y += 16)
            TurnRows(decoded.data() + y * rowStride, rowStride, std::min<uint32_t>(16, height - y),
                     width, y, page.pixels.data(), rotatedStride);
    }
    page.rowStride = static_cast<uint32_t>(rowStride);
    page.rotatedStride = static_cast<uint32_t>(rotatedStride);
    page.orientation = portrait ? PixelOrientation::Portrait : PixelOrientation::Landscape;
    return true;
}

}  // namespace inkvista
