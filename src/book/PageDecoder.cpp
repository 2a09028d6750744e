#include "book/PageDecoder.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "book/PageBuffer.h"
#include "book/PageRecord.h"
#include "book/Scaler.h"
#include "platform/ByteOrder.h"
#include "platform/Device.h"

namespace inkvista {
namespace {

constexpr int32_t kScreenHeight = 320;

constexpr char16_t kUnsupportedFormat[] = u"Unsupported File Format";
constexpr char16_t kNoMemoryPacked[] = u"Insufficient Memory at allocating PackData";
constexpr char16_t kNoMemoryUnpacked[] = u"Insufficient Memory at allocating to UnPack BMP Data";
constexpr char16_t kNoMemoryPixels[] = u"Insufficient Memory at allocating to Load BMP Data";
constexpr char16_t kColourDecodingError[] = u"Color Data Decoding Error";

void ClearPadding(uint8_t* image, uint64_t stride, uint64_t rows, uint64_t used) {
    if (stride == used) return;
    for (uint64_t row = 0; row < rows; ++row)
        std::memset(image + row * stride + used, 0, stride - used);
}

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

// Stored rows firstY .. firstY + count - 1 (rows `rowStride` apart) into the
// page turned a quarter turn counter-clockwise: stored pixel (x, y) goes to
// turned row width - 1 - x, column y. Whole bands go through 16 × 8 or 8 × 8
// blocks, what is left pixel by pixel.
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

struct ColourRows {
    std::span<const uint8_t> data;
    uint32_t width;
    uint64_t rowBytes;  // ceil(5 × width / 8), rounded up to even
    uint64_t groups;    // whole 5-byte groups in a row
    std::vector<uint8_t> shortRow;

    ColourRows(std::span<const uint8_t> bytes, uint32_t w) : data(bytes), width(w) {
        rowBytes = ColourRowBytes(w);
        groups = 5 * uint64_t{w} / 8 / 5;
    }

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
        const uint64_t whole = groups;
        uint64_t g = 0;
#if defined(__SSE2__)
        static const auto pairs =
            __builtin_cpu_supports("ssse3") ? UnpackPairsSsse3 : UnpackPairsSse2;
        g = pairs(row, readable, whole, out);
#endif
        for (; g < whole && 5 * g + 8 <= readable; ++g)
            StoreLE64(out + 8 * g, SpreadGroup(LoadBE64(row + 5 * g) >> 24));
        for (; g < whole; ++g) UnpackGroup(Load40(row + 5 * g), out + 8 * g, 8);
        const auto rest = static_cast<uint32_t>(width - 8 * whole);
        if (rest == 0) return;
        // The last group may reach past the row; those bytes count as 0.
        const uint64_t used = 5 * groups;
        uint8_t last[5] = {};
        for (uint64_t k = 0; k < 5 && used + k < rowBytes; ++k) last[k] = row[used + k];
        UnpackGroup(Load40(last), out + 8 * groups, rest);
    }
};

struct GreyBits {
    const uint8_t* data;
    size_t size;
    uint64_t totalBits;
    uint64_t bit = 0;  // position of `buffer`'s lowest bit in the stream
    uint64_t buffer = 0;
    uint32_t have = 0;  // valid bits in `buffer`

    void Refill() {
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
    void Consume(uint32_t n) {
        buffer >>= n;
        have -= n;
        bit += n;
    }
    void NextByte() {
        bit = (bit + 7) & ~uint64_t{7};
        have = 0;
    }
};

}  // namespace

bool ReadPalette(File& file, uint16_t count, std::vector<uint8_t>& palette) {
    palette.assign(size_t{count} * 3, 0);
    uint32_t got = 0;
    if (!palette.empty() && !file.Read(palette.data(), static_cast<uint32_t>(palette.size()), &got))
        got = 0;
    // Only whole entries count: a cut-off entry is black like the ones missing.
    std::fill(palette.begin() + got / 3 * 3, palette.end(), 0);
    return got == palette.size();
}

bool DecodeGreyRuns(std::span<const uint8_t> packed, std::span<uint8_t> out, uint32_t width,
                    uint32_t height, std::span<const uint8_t> palette) {
    const uint64_t stride = Stride8(width);
    if (stride * height > out.size()) return false;
    if (width == 0 || height == 0) return true;  // nothing to decode, nothing read
    uint8_t grey[8];
    for (size_t c = 0; c < 8; ++c) grey[c] = 3 * c < palette.size() ? palette[3 * c] : 0;

    // Every code's grey level in all eight bytes of a word.
    uint64_t fill[8];
    for (size_t c = 0; c < 8; ++c) fill[c] = grey[c] * 0x0101010101010101ull;
    // For any 9 bits that are three single-pixel codes: their three grey
    // levels in the low bytes and 1 in the top byte; 0 otherwise.
    std::array<uint32_t, 512> triples;
    for (uint32_t v = 0; v < 512; ++v) {
        const uint32_t c0 = v & 7, c1 = (v >> 3) & 7, c2 = v >> 6;
        triples[v] = c0 >= 2 && c1 >= 2 && c2 >= 2
                         ? grey[c0] | uint32_t{grey[c1]} << 8 | uint32_t{grey[c2]} << 16 | 1u << 24
                         : 0;
    }
    const uint64_t imageEnd = stride * height;

    GreyBits in{packed.data(), packed.size(), uint64_t{packed.size()} * 8};
    bool whole = true;
    uint32_t y = 0;
    uint32_t x = 0;
    for (; y < height; ++y) {
        uint8_t* row = out.data() + y * stride;
        const uint64_t rowStart = y * stride;
        // The fast path stores whole words, up to 72 bytes past x: into the
        // row's padding or the rows after it, which are written later. It
        // runs only while that stays inside the image.
        const uint64_t fastLimit = imageEnd - rowStart > 72 ? imageEnd - rowStart - 72 : 0;
        const bool lastRow = y + 1 == height;
        x = 0;
        while (x < width) {
            if (x < fastLimit && (in.bit >> 3) + 8 <= in.size) {
                // 57 bits at least: six codes of up to 9 bits each. Singles
                // and runs take the same path, so that mixed pages do not
                // stall on mispredicted branches.
                uint64_t bits = LoadLE64(in.data + (in.bit >> 3)) >> (in.bit & 7);
                uint32_t used = 0;
                for (int step = 0; step < 6 && x < width && x < fastLimit; ++step) {
                    // Three singles at once where the row has room for them;
                    // the shift does not wait for the table.
                    const uint32_t triple = triples[bits & 511];
                    if (triple != 0 && width - x >= 3) {
                        StoreLE32(row + x, triple);
                        x += 3;
                        bits >>= 9;
                        used += 9;
                        continue;
                    }
                    const auto code = static_cast<uint32_t>(bits & 7);
                    const bool isRun = code < 2;
                    uint32_t length = isRun ? static_cast<uint32_t>((bits >> 3) & 63) + 4 : 1;
                    const uint32_t size = isRun ? 9 : 3;
                    if (length > width - x) {
                        if (lastRow) {
                            in.bit += used;
                            goto ranOut;
                        }
                        whole = false;
                        length = width - x;
                    }
                    const uint64_t pattern = fill[code];
                    std::memcpy(row + x, &pattern, 8);
                    for (uint32_t i = 8; i < length; i += 8) std::memcpy(row + x + i, &pattern, 8);
                    x += length;
                    bits >>= size;
                    used += size;
                }
                in.bit += used;
                in.have = 0;
                continue;
            }
            if (in.have < 9) {
                in.Refill();
                if (in.have < 3) goto ranOut;
            }
            const auto code = static_cast<uint32_t>(in.buffer & 7);
            if (code >= 2) {
                row[x++] = grey[code];
                in.Consume(3);
                continue;
            }
            if (in.have < 9) goto ranOut;
            uint32_t run = static_cast<uint32_t>((in.buffer >> 3) & 63) + 4;
            if (run > width - x) {
                // Well-formed pages never run past a row's end. On the last
                // row that would leave the buffer: stop before writing any of
                // it. Elsewhere keep the row's own part only.
                if (lastRow) goto ranOut;
                whole = false;
                run = width - x;
            }
            std::memset(row + x, grey[code], run);
            x += run;
            in.Consume(9);
        }
        std::memset(row + width, 0, stride - width);
        in.NextByte();
    }
    return whole;

ranOut:
    // The rest of the page stays black.
    std::memset(out.data() + y * stride + x, 0, (stride * height) - (y * stride + x));
    return false;
}

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
    // Unpack sixteen rows at a time, then turn them together. A page of
    // fewer rows gets a band of its own height, so that the band never needs
    // more than the turned page, whatever width the book claims.
    std::vector<uint8_t> band;
    if (!AllocatePageBuffer(band, uint64_t{width} * std::min<uint32_t>(16, height))) {
        page.pixels = {};
        return false;
    }
    for (uint32_t y = 0; y < height; y += 16) {
        const uint32_t count = std::min<uint32_t>(16, height - y);
        for (uint32_t k = 0; k < count; ++k) rows.Unpack(y + k, band.data() + size_t{k} * width);
        TurnRows(band.data(), width, count, width, y, pixels, rotatedStride);
    }
    return true;
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
    return true;
}

bool LoadPage(Device& device, const BookState& book, PageImage& page, const ViewOption& view) {
    MessageBoxes& messages = device.messages();
    if (page.currentPage < 0 || static_cast<size_t>(page.currentPage) >= book.pageOffsets.size())
        return false;
    File file = device.files().Open(book.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return false;

    PageRecord record;
    const PageEncoding encoding =
        ReadPageRecord(file, book.pageOffsets[static_cast<size_t>(page.currentPage)], record);
    if (encoding == PageEncoding::ReadFailed) return false;
    if (encoding == PageEncoding::BadMagic || encoding == PageEncoding::Unsupported) {
        messages.Show(kUnsupportedFormat);
        return false;
    }
    // A page without pixels is no page this format can hold.
    if (record.width == 0 || record.height == 0) {
        messages.Show(kUnsupportedFormat);
        return false;
    }
    const bool grey = encoding == PageEncoding::GreyRuns;
    const bool portrait = view.portrait != 0;
    const uint32_t width = record.width;
    const uint32_t height = record.height;

    // Sizes come from the file: every buffer the page needs is checked
    // against the page limit before anything changes, in the order the
    // buffers are made, so that a page that cannot be held leaves the page
    // image as it was and says which buffer failed.
    const uint64_t rowStride = Stride8(width);
    const uint64_t rotatedStride = Stride8(height);
    const uint64_t unpackedSize = rowStride * height;
    const uint64_t pixelsSize = portrait ? unpackedSize : rotatedStride * width;
    if (record.packedSize > kMaxPageBytes) {
        messages.Show(kNoMemoryPacked);
        return false;
    }
    if (unpackedSize > kMaxPageBytes) {
        messages.Show(kNoMemoryUnpacked);
        return false;
    }
    if (pixelsSize > kMaxPageBytes) {
        messages.Show(kNoMemoryPixels);
        return false;
    }

    page.pageRecord = record;
    page.scrollX = 0;
    if (portrait) {
        page.viewWidth = static_cast<int32_t>(width);
        page.viewHeight = static_cast<int32_t>(height);
        page.scrollY = 0;
    } else {
        page.viewWidth = static_cast<int32_t>(height);
        page.viewHeight = static_cast<int32_t>(width);
        page.scrollY = width > static_cast<uint32_t>(kScreenHeight)
                           ? static_cast<int32_t>(width) - kScreenHeight
                           : 0;
    }
    page.indexedInfo.header.width = page.viewWidth;
    page.indexedInfo.header.height = -page.viewHeight;

    // Where the palette and the packed data stand, worked out rather than
    // asked of the file: every question is a system call.
    const uint64_t offset = book.pageOffsets[static_cast<size_t>(page.currentPage)];
    const uint64_t recordEnd = offset + (record.magic[0] == 'X' ? kXcRecordSize : kCxRecordSize);
    // Grey pages have words before the palette and a row table after it,
    // neither of them used.
    const uint64_t paletteAt = grey ? recordEnd + uint64_t{record.skipWords} * 2 : recordEnd;
    const uint64_t packedAt =
        paletteAt + uint64_t{record.paletteCount} * 3 + (grey ? uint64_t{height} * 2 : 0);
    if (paletteAt != recordEnd) file.Seek(paletteAt);
    const bool paletteRead = ReadPalette(file, record.paletteCount, page.palette);

    // The colour table carries over between pages: a colour page sets the
    // first 32 entries from its palette, a grey page puts the ramp back.
    for (size_t i = 0; i < 32; ++i) {
        RgbQuad& entry = page.indexedInfo.colours[i];
        if (grey) {
            const auto v = static_cast<uint8_t>(i);
            entry = RgbQuad{v, v, v, 0};
        } else {
            const auto at = [&](size_t k) -> uint8_t {
                return k < page.palette.size() ? page.palette[k] : 0;
            };
            entry = RgbQuad{at(3 * i + 2), at(3 * i + 1), at(3 * i), 0};
        }
    }

    // Packed data the file does not hold is missing, not zero: a grey page
    // stops decoding where it ends and a colour block fails to decompress.
    const uint64_t fileSize = file.Size();
    const uint64_t available = packedAt < fileSize ? fileSize - packedAt : 0;
    const auto packedLength =
        static_cast<uint32_t>(std::min<uint64_t>(record.packedSize, available));
    // Spare zero bytes after the block keep any look-ahead of the
    // decompressor inside the buffer.
    constexpr uint32_t kSlack = 8;
    std::vector<uint8_t> packed;
    if (!AllocatePageBuffer(packed, uint64_t{packedLength} + kSlack)) {
        messages.Show(kNoMemoryPacked);
        return false;
    }
    uint32_t got = 0;
    const bool atPacked = paletteRead && packedAt == paletteAt + uint64_t{record.paletteCount} * 3;
    if (packedLength > 0 &&
        ((!atPacked && !file.Seek(packedAt)) || !file.Read(packed.data(), packedLength, &got)))
        got = 0;
    const std::span<const uint8_t> packedData(packed.data(), got);

    if (grey) {
        // Decoding writes every byte; in portrait mode the buffer becomes
        // the page, so the page before lends it its memory.
        std::vector<uint8_t> unpacked;
        if (portrait) unpacked.swap(page.pixels);
        if (!AllocatePageBuffer(unpacked, unpackedSize, BufferStart::Reused)) {
            messages.Show(kNoMemoryUnpacked);
            return false;
        }
        // A damaged grey page is shown as far as it decodes: the reader has
        // always done so, and a page that is mostly readable is worth more
        // than a refusal. DecodeGreyRuns never leaves the buffer and blackens
        // what it could not decode.
        DecodeGreyRuns(packedData, unpacked, width, height, page.palette);
        packed = {};
        if (!StoreGreyPixels(std::move(unpacked), width, height, portrait, page)) {
            messages.Show(kNoMemoryPixels);
            return false;
        }
        page.trueColour = 0;
        if (view.fitToWindow) FitGreyPage(page, portrait);
        return true;
    }

    ScratchBytes unpacked;
    if (!AllocatePageBuffer(unpacked, unpackedSize, BufferStart::Reused)) {
        messages.Show(kNoMemoryUnpacked);
        return false;
    }
    size_t produced = 0;
    if (!DecompressPageData(packedData, unpacked, &produced)) {
        messages.Show(kColourDecodingError);
        return false;
    }
    if (!UnpackColourPixels(std::span<const uint8_t>(unpacked.data(), produced), width, height,
                            portrait, page)) {
        messages.Show(kNoMemoryPixels);
        return false;
    }
    page.trueColour = 0;
    if (view.fitToWindow) {
        page.trueColour = 1;
        FitColourPage(page, portrait);
    }
    return true;
}

}  // namespace inkvista
