#include "book/PageDecoder.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "book/PageRecord.h"
#include "book/Scaler.h"
#include "platform/Device.h"

namespace inkvista {
namespace {

constexpr int32_t kScreenHeight = 320;

constexpr char16_t kUnsupportedFormat[] = u"Unsupported File Format";
constexpr char16_t kNoMemoryPacked[] = u"Insufficient Memory at allocating PackData";
constexpr char16_t kNoMemoryUnpacked[] = u"Insufficient Memory at allocating to UnPack BMP Data";
constexpr char16_t kNoMemoryPixels[] = u"Insufficient Memory at allocating to Load BMP Data";
constexpr char16_t kColourDecodingError[] = u"Color Data Decoding Error";

// A zero-filled buffer of `size` bytes, or false when the size is past the
// page limit or the allocation fails.
bool TryAssign(std::vector<uint8_t>& buffer, uint64_t size) {
    if (size > kMaxPageBytes) return false;
    try {
        buffer.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        buffer = {};
        return false;
    }
    return true;
}

// A buffer whose bytes the caller writes before reading them.
std::unique_ptr<uint8_t[]> TryAllocate(uint64_t size) {
    if (size > kMaxPageBytes) return nullptr;
    try {
        return std::make_unique_for_overwrite<uint8_t[]>(
            static_cast<size_t>(std::max<uint64_t>(size, 1)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

uint64_t LoadLe64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// Stored rows firstY .. firstY + count - 1 (rows `rowStride` apart) into the
// page turned a quarter turn counter-clockwise: stored pixel (x, y) goes to
// turned row width - 1 - x, column y.
void TurnRows(const uint8_t* rows, uint64_t rowStride, uint32_t count, uint32_t width,
              uint32_t firstY, uint8_t* turned, uint64_t turnedStride) {
    uint8_t* column = turned + static_cast<uint64_t>(width - 1) * turnedStride + firstY;
    if (count == 8) {
        const uint8_t* r[8];
        for (uint32_t k = 0; k < 8; ++k) r[k] = rows + k * rowStride;
        for (uint32_t x = 0; x < width; ++x, column -= turnedStride) {
            uint8_t eight[8] = {r[0][x], r[1][x], r[2][x], r[3][x],
                                r[4][x], r[5][x], r[6][x], r[7][x]};
            std::memcpy(column, eight, 8);
        }
        return;
    }
    for (uint32_t x = 0; x < width; ++x, column -= turnedStride)
        for (uint32_t k = 0; k < count; ++k) column[k] = rows[k * rowStride + x];
}

// Eight 5-bit indices from five bytes, most significant bit first.
inline void UnpackGroup(uint64_t bits40, uint8_t* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>((bits40 >> (35 - 5 * i)) & 31);
}

inline uint64_t Load40(const uint8_t* p) {
    return (uint64_t{p[0]} << 32) | (uint64_t{p[1]} << 24) | (uint64_t{p[2]} << 16) |
           (uint64_t{p[3]} << 8) | uint64_t{p[4]};
}

struct ColourRows {
    std::span<const uint8_t> data;
    uint32_t width;
    uint64_t rowBytes;  // ceil(5 × width / 8), rounded up to even
    uint64_t groups;    // whole 5-byte groups in a row
    std::vector<uint8_t> shortRow;

    ColourRows(std::span<const uint8_t> bytes, uint32_t w) : data(bytes), width(w) {
        rowBytes = ((5 * uint64_t{w} + 7) / 8 + 1) & ~uint64_t{1};
        groups = 5 * uint64_t{w} / 8 / 5;
    }

    // Row y as `rowBytes` readable bytes; a row the data holds only in part
    // is copied with the missing bytes 0.
    const uint8_t* Row(uint32_t y) {
        const uint64_t start = y * rowBytes;
        if (start + rowBytes <= data.size()) return data.data() + start;
        shortRow.assign(static_cast<size_t>(rowBytes), 0);
        if (start < data.size())
            std::memcpy(shortRow.data(), data.data() + start,
                        static_cast<size_t>(data.size() - start));
        return shortRow.data();
    }

    void Unpack(uint32_t y, uint8_t* out) {
        const uint8_t* row = Row(y);
        for (uint64_t g = 0; g < groups; ++g, row += 5, out += 8) UnpackGroup(Load40(row), out, 8);
        const auto rest = static_cast<uint32_t>(width - 8 * groups);
        if (rest == 0) return;
        // The last group may reach past the row; those bytes count as 0.
        const uint64_t used = 5 * groups;
        uint8_t last[5] = {};
        for (uint64_t k = 0; k < 5 && used + k < rowBytes; ++k) last[k] = row[k];
        UnpackGroup(Load40(last), out, rest);
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
            buffer = LoadLe64(data + byte) >> shift;
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

void ReadPalette(File& file, uint16_t count, std::vector<uint8_t>& palette) {
    palette.assign(size_t{count} * 3, 0);
    uint32_t got = 0;
    if (!palette.empty() && !file.Read(palette.data(), static_cast<uint32_t>(palette.size()), &got))
        got = 0;
    // Only whole entries count: a cut-off entry is black like the ones missing.
    std::fill(palette.begin() + got / 3 * 3, palette.end(), 0);
}

bool DecodeGreyRuns(std::span<const uint8_t> packed, std::span<uint8_t> out, uint32_t width,
                    uint32_t height, std::span<const uint8_t> palette) {
    const uint64_t stride = Stride8(width);
    if (stride * height > out.size()) return false;
    uint8_t grey[8];
    for (size_t c = 0; c < 8; ++c) grey[c] = 3 * c < palette.size() ? palette[3 * c] : 0;

    GreyBits in{packed.data(), packed.size(), uint64_t{packed.size()} * 8};
    bool whole = true;
    uint32_t y = 0;
    uint32_t x = 0;
    for (; y < height; ++y) {
        uint8_t* row = out.data() + y * stride;
        const bool lastRow = y + 1 == height;
        x = 0;
        while (x < width) {
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
    page.pixels = {};
    const uint64_t rowStride = Stride8(width);
    const uint64_t rotatedStride = Stride8(height);
    const uint64_t size = portrait ? rowStride * height : rotatedStride * width;
    if (width == 0 || height == 0 || !TryAssign(page.pixels, size)) return false;
    page.rowStride = static_cast<uint32_t>(rowStride);
    page.rotatedStride = static_cast<uint32_t>(rotatedStride);

    ColourRows rows(data, width);
    uint8_t* pixels = page.pixels.data();
    if (portrait) {
        for (uint32_t y = 0; y < height; ++y) rows.Unpack(y, pixels + y * rowStride);
        return true;
    }
    // Unpack eight rows at a time, then turn them together.
    std::vector<uint8_t> band(size_t{width} * 8);
    for (uint32_t y = 0; y < height; y += 8) {
        const uint32_t count = std::min<uint32_t>(8, height - y);
        for (uint32_t k = 0; k < count; ++k) rows.Unpack(y + k, band.data() + size_t{k} * width);
        TurnRows(band.data(), width, count, width, y, pixels, rotatedStride);
    }
    return true;
}

bool StoreGreyPixels(std::vector<uint8_t>&& decoded, uint32_t width, uint32_t height, bool portrait,
                     PageImage& page) {
    page.pixels = {};
    const uint64_t rowStride = Stride8(width);
    const uint64_t rotatedStride = Stride8(height);
    if (width == 0 || height == 0 || rowStride * height > decoded.size()) return false;
    if (portrait) {
        if (rowStride * height > kMaxPageBytes) return false;
        decoded.resize(static_cast<size_t>(rowStride * height));
        page.pixels = std::move(decoded);
    } else {
        if (!TryAssign(page.pixels, rotatedStride * width)) return false;
        for (uint32_t y = 0; y < height; y += 8)
            TurnRows(decoded.data() + y * rowStride, rowStride, std::min<uint32_t>(8, height - y),
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

    if (grey) {
        // Words before the palette, and the row table after it, are not used.
        file.Seek(file.Position() + uint64_t{record.skipWords} * 2);
        ReadPalette(file, record.paletteCount, page.palette);
        file.Seek(file.Position() + uint64_t{height} * 2);
    } else {
        ReadPalette(file, record.paletteCount, page.palette);
    }

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
    const uint64_t position = file.Position();
    const uint64_t fileSize = file.Size();
    const uint64_t available = position < fileSize ? fileSize - position : 0;
    const auto packedLength =
        static_cast<uint32_t>(std::min<uint64_t>(record.packedSize, available));
    // Spare zero bytes after the block keep any look-ahead of the
    // decompressor inside the buffer.
    constexpr uint32_t kSlack = 8;
    std::vector<uint8_t> packed;
    if (!TryAssign(packed, uint64_t{packedLength} + kSlack)) {
        messages.Show(kNoMemoryPacked);
        return false;
    }
    uint32_t got = 0;
    if (packedLength > 0 && !file.Read(packed.data(), packedLength, &got)) got = 0;
    const std::span<const uint8_t> packedData(packed.data(), got);

    if (grey) {
        std::vector<uint8_t> unpacked;
        if (!TryAssign(unpacked, unpackedSize)) {
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

    const std::unique_ptr<uint8_t[]> unpacked = TryAllocate(unpackedSize);
    if (!unpacked) {
        messages.Show(kNoMemoryUnpacked);
        return false;
    }
    size_t produced = 0;
    if (!DecompressPageData(packedData, std::span<uint8_t>(unpacked.get(), unpackedSize),
                            &produced)) {
        messages.Show(kColourDecodingError);
        return false;
    }
    if (!UnpackColourPixels(std::span<const uint8_t>(unpacked.get(), produced), width, height,
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
