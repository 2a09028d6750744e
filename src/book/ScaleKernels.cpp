#include "book/ScaleKernels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#include <smmintrin.h>
#include <tmmintrin.h>
#endif

namespace inkvista {
namespace {

void WeighRowsPlain(const uint8_t* const* rows, const uint32_t* weights, uint32_t count,
                    size_t length, uint32_t* sums) {
    std::fill_n(sums, length, 0u);
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t* row = rows[k];
        const uint32_t weight = weights[k];
        for (size_t i = 0; i < length; ++i) sums[i] += row[i] * weight;
    }
}

void WeighColumnsPlain(const uint32_t* sums, const uint32_t* starts, const uint32_t* weights,
                       uint32_t taps, uint32_t targets, uint8_t* out) {
    for (uint32_t t = 0; t < targets; ++t) {
        const uint32_t* in = sums + starts[t];
        const uint32_t* weight = weights + size_t{t} * taps;
        uint32_t sum = 0;
        for (uint32_t k = 0; k < taps; ++k) sum += weight[k] * in[k];
        out[t] = static_cast<uint8_t>(sum >> 24);
    }
}

void SplitColoursPlain(const uint8_t* indices, size_t width, const ColourPlanes& colours,
                       uint8_t* const planes[3]) {
    for (size_t x = 0; x < width; ++x) {
        const uint8_t index = indices[x];
        planes[0][x] = colours.plane[0][index];
        planes[1][x] = colours.plane[1][index];
        planes[2][x] = colours.plane[2][index];
    }
}

#if defined(__SSE2__)
// pmaddwd multiplies signed 16-bit lanes and adds each pair: with samples of
// at most 255 and weights of at most 32767 every pair sum is exact, and the
// running sums wrap like the plain ones. Larger weights take the plain way.
constexpr uint32_t kMaxPairWeight = 32767;
// Rows weighed in one pass over the sums; more are added in further passes.
constexpr uint32_t kPassRows = 64;

// The weights of `count` rows (at most kPassRows) in pairs, each pair in
// both 16-bit halves of a 32-bit lane; an odd row out is paired with itself
// at weight 0.
struct RowPairs {
    uint32_t pairs;
    uint32_t weight[kPassRows / 2];
    const uint8_t* first[kPassRows / 2];
    const uint8_t* second[kPassRows / 2];

    RowPairs(const uint8_t* const* rows, const uint32_t* weights, uint32_t count)
        : pairs((count + 1) / 2) {
        for (uint32_t p = 0; p < pairs; ++p) {
            const bool whole = 2 * p + 1 < count;
            first[p] = rows[2 * p];
            second[p] = rows[whole ? 2 * p + 1 : 2 * p];
            weight[p] = weights[2 * p] | (whole ? weights[2 * p + 1] : 0) << 16;
        }
    }
};

// Sixteen samples at a time, two rows at a time: their bytes interleaved,
// widened to 16 bits and multiplied by the pair of weights. `Add` keeps what
// `sums` already holds.
template <bool Add>
void WeighRowPass(const RowPairs& rows, size_t length, uint32_t* sums) {
    const __m128i zero = _mm_setzero_si128();
    auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
    auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    for (size_t i = 0; i + 16 <= length; i += 16) {
        __m128i s0 = Add ? load(sums + i) : zero, s1 = Add ? load(sums + i + 4) : zero;
        __m128i s2 = Add ? load(sums + i + 8) : zero, s3 = Add ? load(sums + i + 12) : zero;
        for (uint32_t p = 0; p < rows.pairs; ++p) {
            const __m128i w = _mm_set1_epi32(static_cast<int32_t>(rows.weight[p]));
            const __m128i a = load(rows.first[p] + i), b = load(rows.second[p] + i);
            const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), w));
        }
        store(sums + i, s0);
        store(sums + i + 4, s1);
        store(sums + i + 8, s2);
        store(sums + i + 12, s3);
    }
}

// The same 32 samples at a time. The byte interleaving works within each
// 128-bit half, so the sums come out as samples 0-3 and 16-19, 4-7 and
// 20-23, and so on; they are put in order when stored, and taken out of
// order when added to.
#define INKVISTA_AVX2 __attribute__((target("avx2"), always_inline)) inline
INKVISTA_AVX2 __m256i Load256(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
INKVISTA_AVX2 void Store256(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
// Weighs the pair of rows a and b into the four sums of 32 samples.
INKVISTA_AVX2 void AddPair256(__m256i a, __m256i b, __m256i w, __m256i s[4]) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_unpacklo_epi8(a, b), high = _mm256_unpackhi_epi8(a, b);
    s[0] = _mm256_add_epi32(s[0], _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), w));
    s[1] = _mm256_add_epi32(s[1], _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), w));
    s[2] = _mm256_add_epi32(s[2], _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), w));
    s[3] = _mm256_add_epi32(s[3], _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), w));
}
#undef INKVISTA_AVX2

template <bool Add>
__attribute__((target("avx2"))) void WeighRowPassAvx2(const RowPairs& rows, size_t length,
                                                      uint32_t* sums) {
    const __m256i zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        __m256i s[4] = {zero, zero, zero, zero};
        if (Add) {
            const __m256i n0 = Load256(sums + i), n1 = Load256(sums + i + 8);
            const __m256i n2 = Load256(sums + i + 16), n3 = Load256(sums + i + 24);
            s[0] = _mm256_permute2x128_si256(n0, n2, 0x20);
            s[1] = _mm256_permute2x128_si256(n0, n2, 0x31);
            s[2] = _mm256_permute2x128_si256(n1, n3, 0x20);
            s[3] = _mm256_permute2x128_si256(n1, n3, 0x31);
        }
        for (uint32_t p = 0; p < rows.pairs; ++p)
            AddPair256(Load256(rows.first[p] + i), Load256(rows.second[p] + i),
                       _mm256_set1_epi32(static_cast<int32_t>(rows.weight[p])), s);
        Store256(sums + i, _mm256_permute2x128_si256(s[0], s[1], 0x20));
        Store256(sums + i + 8, _mm256_permute2x128_si256(s[2], s[3], 0x20));
        Store256(sums + i + 16, _mm256_permute2x128_si256(s[0], s[1], 0x31));
        Store256(sums + i + 24, _mm256_permute2x128_si256(s[2], s[3], 0x31));
    }
    // Sixteen more, where the row has them.
    if (i + 16 <= length) {
        RowPairs rest = rows;
        for (uint32_t p = 0; p < rest.pairs; ++p) {
            rest.first[p] += i;
            rest.second[p] += i;
        }
        WeighRowPass<Add>(rest, 16, sums + i);
    }
}

using RowPassKernel = void (*)(const RowPairs&, size_t, uint32_t*);

// The rows in passes of kPassRows, then the samples after the last whole 16
// one at a time.
void WeighRowsInPasses(RowPassKernel first, RowPassKernel more, const uint8_t* const* rows,
                       const uint32_t* weights, uint32_t count, size_t length, uint32_t* sums) {
    uint32_t done = 0;
    do {
        const RowPairs pass(rows + done, weights + done, std::min(count - done, kPassRows));
        (done == 0 ? first : more)(pass, length, sums);
        done += kPassRows;
    } while (done < count);
    for (size_t i = length & ~size_t{15}; i < length; ++i) {
        uint32_t sum = 0;
        for (uint32_t k = 0; k < count; ++k) sum += rows[k][i] * weights[k];
        sums[i] = sum;
    }
}

bool PairableWeights(const uint32_t* weights, uint32_t count) {
    return std::none_of(weights, weights + count, [](uint32_t w) { return w > kMaxPairWeight; });
}

void WeighRowsSse2(const uint8_t* const* rows, const uint32_t* weights, uint32_t count,
                   size_t length, uint32_t* sums) {
    if (!PairableWeights(weights, count)) return WeighRowsPlain(rows, weights, count, length, sums);
    WeighRowsInPasses(WeighRowPass<false>, WeighRowPass<true>, rows, weights, count, length, sums);
}

void WeighRowsAvx2(const uint8_t* const* rows, const uint32_t* weights, uint32_t count,
                   size_t length, uint32_t* sums) {
    if (!PairableWeights(weights, count)) return WeighRowsPlain(rows, weights, count, length, sums);
    WeighRowsInPasses(WeighRowPassAvx2<false>, WeighRowPassAvx2<true>, rows, weights, count, length,
                      sums);
}

// Four targets at a time: each one's taps four at a time (pmulld keeps the
// low 32 bits of each product, as the plain multiplication does), then the
// four totals gathered into one register.
__attribute__((target("sse4.1"))) void WeighColumnsSse41(const uint32_t* sums,
                                                         const uint32_t* starts,
                                                         const uint32_t* weights, uint32_t taps,
                                                         uint32_t targets, uint8_t* out) {
    auto load = [](const uint32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    uint32_t t = 0;
    for (; t + 4 <= targets; t += 4) {
        __m128i total[4];
        for (uint32_t j = 0; j < 4; ++j) {
            const uint32_t* in = sums + starts[t + j];
            const uint32_t* weight = weights + size_t{t + j} * taps;
            __m128i sum = _mm_mullo_epi32(load(in), load(weight));
            for (uint32_t k = 4; k < taps; k += 4)
                sum = _mm_add_epi32(sum, _mm_mullo_epi32(load(in + k), load(weight + k)));
            total[j] = sum;
        }
        __m128i four =
            _mm_hadd_epi32(_mm_hadd_epi32(total[0], total[1]), _mm_hadd_epi32(total[2], total[3]));
        four = _mm_srli_epi32(four, 24);
        four = _mm_packus_epi16(_mm_packs_epi32(four, four), four);
        const auto bytes = static_cast<uint32_t>(_mm_cvtsi128_si32(four));
        std::memcpy(out + t, &bytes, 4);
    }
    WeighColumnsPlain(sums, starts + t, weights + size_t{t} * taps, taps, targets - t, out + t);
}

// Eight targets at a time, each one's taps eight at a time (a last four in
// the low half), the eight totals gathered by pairwise additions within each
// half and then across the halves.
__attribute__((target("avx2"))) void WeighColumnsAvx2(const uint32_t* sums, const uint32_t* starts,
                                                      const uint32_t* weights, uint32_t taps,
                                                      uint32_t targets, uint8_t* out) {
    const uint32_t whole = taps & ~7u;
    uint32_t t = 0;
    for (; t + 8 <= targets; t += 8) {
        __m256i total[8];
        for (uint32_t j = 0; j < 8; ++j) {
            const uint32_t* in = sums + starts[t + j];
            const uint32_t* weight = weights + size_t{t + j} * taps;
            __m256i sum = _mm256_setzero_si256();
            for (uint32_t k = 0; k < whole; k += 8)
                sum =
                    _mm256_add_epi32(sum, _mm256_mullo_epi32(Load256(in + k), Load256(weight + k)));
            if (whole != taps) {
                const __m128i last = _mm_mullo_epi32(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + whole)),
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(weight + whole)));
                sum = _mm256_add_epi32(sum, _mm256_zextsi128_si256(last));
            }
            total[j] = sum;
        }
        const __m256i h01 = _mm256_hadd_epi32(total[0], total[1]);
        const __m256i h23 = _mm256_hadd_epi32(total[2], total[3]);
        const __m256i h45 = _mm256_hadd_epi32(total[4], total[5]);
        const __m256i h67 = _mm256_hadd_epi32(total[6], total[7]);
        const __m256i h0123 = _mm256_hadd_epi32(h01, h23), h4567 = _mm256_hadd_epi32(h45, h67);
        __m256i eight = _mm256_add_epi32(_mm256_permute2x128_si256(h0123, h4567, 0x20),
                                         _mm256_permute2x128_si256(h0123, h4567, 0x31));
        eight = _mm256_srli_epi32(eight, 24);
        const __m128i words =
            _mm_packs_epi32(_mm256_castsi256_si128(eight), _mm256_extracti128_si256(eight, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + t), _mm_packus_epi16(words, words));
    }
    WeighColumnsSse41(sums, starts + t, weights + size_t{t} * taps, taps, targets - t, out + t);
}

// Indices below 32 look up two 16-entry halves of each plane's table:
// adding 0x70 sets bit 7 (a lookup of 0) from index 16 on, adding 0xF0
// subtracts 16 and sets bit 7 below it. Sixteen indices with any of 32 and
// above take the plain way.
__attribute__((target("ssse3"))) void SplitColoursSsse3(const uint8_t* indices, size_t width,
                                                        const ColourPlanes& colours,
                                                        uint8_t* const planes[3]) {
    auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
    __m128i low[3], high[3];
    for (int c = 0; c < 3; ++c) {
        low[c] = load(colours.plane[c]);
        high[c] = load(colours.plane[c] + 16);
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i above31 = _mm_set1_epi8(static_cast<char>(0xE0));
    const __m128i toLow = _mm_set1_epi8(0x70), toHigh = _mm_set1_epi8(static_cast<char>(0xF0));
    uint8_t* const blue = planes[0];
    uint8_t* const green = planes[1];
    uint8_t* const red = planes[2];
    size_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i v = load(indices + x);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, above31), zero)) != 0xFFFF) {
            uint8_t* const at[3] = {planes[0] + x, planes[1] + x, planes[2] + x};
            SplitColoursPlain(indices + x, 16, colours, at);
            continue;
        }
        const __m128i lo = _mm_add_epi8(v, toLow), hi = _mm_add_epi8(v, toHigh);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + x),
                         _mm_or_si128(_mm_shuffle_epi8(low[0], lo), _mm_shuffle_epi8(high[0], hi)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(green + x),
                         _mm_or_si128(_mm_shuffle_epi8(low[1], lo), _mm_shuffle_epi8(high[1], hi)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(red + x),
                         _mm_or_si128(_mm_shuffle_epi8(low[2], lo), _mm_shuffle_epi8(high[2], hi)));
    }
    uint8_t* const rest[3] = {planes[0] + x, planes[1] + x, planes[2] + x};
    SplitColoursPlain(indices + x, width - x, colours, rest);
}
#endif

}  // namespace

const ScaleKernels& PlainScaleKernels() {
    static const ScaleKernels kernels{WeighRowsPlain, WeighColumnsPlain, SplitColoursPlain};
    return kernels;
}

std::vector<NamedScaleKernels> ScaleKernelSets() {
    std::vector<NamedScaleKernels> sets{{"plain", PlainScaleKernels()}};
#if defined(__SSE2__)
    ScaleKernels sse = PlainScaleKernels();
    sse.weighRows = WeighRowsSse2;
    if (__builtin_cpu_supports("ssse3")) sse.splitColours = SplitColoursSsse3;
    if (__builtin_cpu_supports("sse4.1")) sse.weighColumns = WeighColumnsSse41;
    sets.push_back({"sse", sse});
    if (__builtin_cpu_supports("avx2"))
        sets.push_back({"avx2", {WeighRowsAvx2, WeighColumnsAvx2, sse.splitColours}});
#endif
    return sets;
}

const ScaleKernels& FastScaleKernels() {
    static const ScaleKernels kernels = ScaleKernelSets().back().kernels;
    return kernels;
}

}  // namespace inkvista
