#include "book/PageKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "platform/ByteOrder.h"

namespace inkvista {
namespace {

// Turns one 8 × 8 block: the eight bytes at `in` + k × inStride (k = 0..7)
// become byte k of the eight words at `out` - j × outStride (j = 0..7).
#if defined(__SSE2__)
// Transposes the 8 × 8 bytes at `in` (rows `inStride` apart): register j
// holds columns 2j (low half) and 2j + 1 (high half).
inline void Transpose8x8(const uint8_t* in, uint64_t inStride, __m128i columns[4]) {
    auto row = [&](uint64_t k) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + k * inStride));
    };
    const __m128i t0 = _mm_unpacklo_epi8(row(0), row(1));
    const __m128i t1 = _mm_unpacklo_epi8(row(2), row(3));
    const __m128i t2 = _mm_unpacklo_epi8(row(4), row(5));
    const __m128i t3 = _mm_unpacklo_epi8(row(6), row(7));
    const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
    const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
    columns[0] = _mm_unpacklo_epi32(u0, u2);
    columns[1] = _mm_unpackhi_epi32(u0, u2);
    columns[2] = _mm_unpacklo_epi32(u1, u3);
    columns[3] = _mm_unpackhi_epi32(u1, u3);
}
#endif

inline void TurnBlock(const uint8_t* in, uint64_t inStride, uint8_t* out, uint64_t outStride) {
#if defined(__SSE2__)
    __m128i columns[4];
    Transpose8x8(in, inStride, columns);
    for (uint64_t j = 0; j < 4; ++j) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out - 2 * j * outStride), columns[j]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out - (2 * j + 1) * outStride),
                         _mm_srli_si128(columns[j], 8));
    }
#else
    uint64_t a[8];
    for (uint64_t k = 0; k < 8; ++k) a[k] = LoadLE64(in + k * inStride);
    // Swap ever larger sub-blocks across the diagonal: bytes, pairs, quads.
    for (int i = 0; i < 8; i += 2) {
        const uint64_t t = ((a[i] >> 8) ^ a[i + 1]) & 0x00FF00FF00FF00FFull;
        a[i + 1] ^= t;
        a[i] ^= t << 8;
    }
    for (int i = 0; i < 8; i += (i & 1) ? 3 : 1) {
        const uint64_t t = ((a[i] >> 16) ^ a[i + 2]) & 0x0000FFFF0000FFFFull;
        a[i + 2] ^= t;
        a[i] ^= t << 16;
    }
    for (int i = 0; i < 4; ++i) {
        const uint64_t t = ((a[i] >> 32) ^ a[i + 4]) & 0x00000000FFFFFFFFull;
        a[i + 4] ^= t;
        a[i] ^= t << 32;
    }
    for (uint64_t j = 0; j < 8; ++j) StoreLE64(out - j * outStride, a[j]);
#endif
}

#if defined(__SSE2__)
// Sixteen rows: two 8 × 8 blocks whose columns are joined into 16-byte
// stores, so that each turned row is written half as often.
inline void TurnBlock16(const uint8_t* in, uint64_t inStride, uint8_t* out, uint64_t outStride) {
    __m128i halves[2][4];
    Transpose8x8(in, inStride, halves[0]);
    Transpose8x8(in + 8 * inStride, inStride, halves[1]);
    for (uint64_t j = 0; j < 4; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out - 2 * j * outStride),
                         _mm_unpacklo_epi64(halves[0][j], halves[1][j]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out - (2 * j + 1) * outStride),
                         _mm_unpackhi_epi64(halves[0][j], halves[1][j]));
    }
}
#endif

}  // namespace

// Whole bands go through 16 × 8 or 8 × 8 blocks, what is left pixel by pixel.
void TurnRows(const uint8_t* rows, uint64_t rowStride, uint32_t count, uint32_t width,
              uint32_t firstY, uint8_t* turned, uint64_t turnedStride) {
    uint32_t k0 = 0;
    while (k0 < count) {
        const uint32_t band = count - k0 >= 16 ? 16 : count - k0 >= 8 ? 8 : count - k0;
        const uint8_t* in = rows + k0 * rowStride;
        uint8_t* column = turned + static_cast<uint64_t>(width - 1) * turnedStride + firstY + k0;
        uint32_t x = 0;
#if defined(__SSE2__)
        if (band == 16) {
            for (; x + 8 <= width; x += 8, column -= 8 * turnedStride)
                TurnBlock16(in + x, rowStride, column, turnedStride);
        }
#endif
        if (band == 8 || band == 16) {
            for (; x + 8 <= width; x += 8, column -= 8 * turnedStride)
                for (uint32_t h = 0; h < band; h += 8)
                    TurnBlock(in + x + h * rowStride, rowStride, column + h, turnedStride);
        }
        for (; x < width; ++x, column -= turnedStride)
            for (uint32_t k = 0; k < band; ++k) column[k] = in[k * rowStride + x];
        k0 += band;
    }
}

namespace {

// Eight 5-bit indices from five bytes, most significant bit first.
inline void UnpackGroup(uint64_t bits40, uint8_t* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>((bits40 >> (35 - 5 * i)) & 31);
}

// The same for a whole group at once: the 40 bits are split in halves,
// quarters and eighths, each landing in its own byte.
inline uint64_t SpreadGroup(uint64_t v) {
    uint64_t t = ((v >> 20) & 0xFFFFF) | ((v & 0xFFFFF) << 32);
    t = ((t >> 10) & 0x000003FF000003FFull) | ((t & 0x000003FF000003FFull) << 16);
    t = ((t >> 5) & 0x001F001F001F001Full) | ((t & 0x001F001F001F001Full) << 8);
    return t;
}

#if defined(__SSE2__)
// SpreadGroup on both 64-bit halves at once.
inline __m128i SpreadGroups(__m128i v) {
    const auto mask = [](uint64_t m) { return _mm_set1_epi64x(static_cast<int64_t>(m)); };
    __m128i t = _mm_or_si128(_mm_and_si128(_mm_srli_epi64(v, 20), mask(0xFFFFF)),
                             _mm_slli_epi64(_mm_and_si128(v, mask(0xFFFFF)), 32));
    t = _mm_or_si128(_mm_and_si128(_mm_srli_epi64(t, 10), mask(0x000003FF000003FFull)),
                     _mm_slli_epi64(_mm_and_si128(t, mask(0x000003FF000003FFull)), 16));
    t = _mm_or_si128(_mm_and_si128(_mm_srli_epi64(t, 5), mask(0x001F001F001F001Full)),
                     _mm_slli_epi64(_mm_and_si128(t, mask(0x001F001F001F001Full)), 8));
    return t;
}

// Whole groups of a row two at a time, as far as `readable` allows the
// loads; answers how many groups were unpacked.
uint64_t UnpackPairsSse2(const uint8_t* row, uint64_t readable, uint64_t groups, uint8_t* out) {
    uint64_t g = 0;
    for (; g + 2 <= groups && 5 * g + 13 <= readable; g += 2) {
        const __m128i v = _mm_set_epi64x(static_cast<int64_t>(LoadBE64(row + 5 * g + 5) >> 24),
                                         static_cast<int64_t>(LoadBE64(row + 5 * g) >> 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * g), SpreadGroups(v));
    }
    return g;
}

// With byte shuffles: each index's two bytes go to a 16-bit lane (high byte
// first), a multiply by a power of two shifts every lane by its own amount,
// and the low five bits are the index.
__attribute__((target("ssse3"))) uint64_t UnpackPairsSsse3(const uint8_t* row, uint64_t readable,
                                                           uint64_t groups, uint8_t* out) {
    const __m128i first = _mm_setr_epi8(1, 0, 1, 0, 2, 1, 2, 1, 3, 2, 4, 3, 4, 3, 5, 4);
    const __m128i second = _mm_setr_epi8(6, 5, 6, 5, 7, 6, 7, 6, 8, 7, 9, 8, 9, 8, 10, 9);
    // Lane i is shifted right by 11, 6, 9, 4, 7, 10, 5, 8: multiplied by
    // 2^(16 - shift), its high half.
    const __m128i shifts = _mm_setr_epi16(32, 1024, 128, 4096, 512, 64, 2048, 256);
    const __m128i five = _mm_set1_epi16(31);
    uint64_t g = 0;
    for (; g + 2 <= groups && 5 * g + 16 <= readable; g += 2) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 5 * g));
        const __m128i a =
            _mm_and_si128(_mm_mulhi_epu16(_mm_shuffle_epi8(bytes, first), shifts), five);
        const __m128i b =
            _mm_and_si128(_mm_mulhi_epu16(_mm_shuffle_epi8(bytes, second), shifts), five);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * g), _mm_packus_epi16(a, b));
    }
    return g + UnpackPairsSse2(row + 5 * g, readable - 5 * g, groups - g, out + 8 * g);
}
#endif

// Five bytes, most significant first.
inline uint64_t Load40(const uint8_t* p) {
    return uint64_t{LoadBE32(p)} << 8 | p[4];
}

}  // namespace

void UnpackColourRow(const uint8_t* row, uint64_t readable, uint64_t rowBytes, uint32_t width,
                     uint8_t* out) {
    const uint64_t groups = 5 * uint64_t{width} / 8 / 5;  // whole 5-byte groups
    uint64_t g = 0;
#if defined(__SSE2__)
    static const auto pairs = __builtin_cpu_supports("ssse3") ? UnpackPairsSsse3 : UnpackPairsSse2;
    g = pairs(row, readable, groups, out);
#endif
    for (; g < groups && 5 * g + 8 <= readable; ++g)
        StoreLE64(out + 8 * g, SpreadGroup(LoadBE64(row + 5 * g) >> 24));
    for (; g < groups; ++g) UnpackGroup(Load40(row + 5 * g), out + 8 * g, 8);
    const auto rest = static_cast<uint32_t>(width - 8 * groups);
    if (rest == 0) return;
    // The last group may reach past the row; those bytes count as 0.
    const uint64_t used = 5 * groups;
    uint8_t last[5] = {};
    for (uint64_t k = 0; k < 5 && used + k < rowBytes; ++k) last[k] = row[used + k];
    UnpackGroup(Load40(last), out + 8 * groups, rest);
}

}  // namespace inkvista
