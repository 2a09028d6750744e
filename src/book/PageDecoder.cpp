#include "book/PageDecoder.h"

#include <algorithm>
#include <cstring>

#include "book/BookFormat.h"
#include "book/PageBuffer.h"
#include "book/Scaler.h"
#include "platform/Screen.h"

namespace inkvista {
namespace {

// Spare zero bytes after a packed block.
constexpr uint32_t kPackedSlack = 8;

// The size the page shows at: turned in landscape.
void SetPageView(PageImage& page, const PageRecord& record, bool portrait) {
    const auto width = static_cast<int32_t>(record.width);
    const auto height = static_cast<int32_t>(record.height);
    page.viewWidth = portrait ? width : height;
    page.viewHeight = portrait ? height : width;
}

// Sizes come from the file: what the page needs at each step is checked
// against the page limit before anything is allocated or changed, so that a
// page that cannot be held leaves the page image as it was and says at which
// buffer it failed.
PageError CheckPageMemory(const PageLayout& layout, bool portrait) {
    const PageMemory memory = PlanPageMemory(layout, portrait);
    if (memory.read > kMaxPageBytes) return PageError::NoMemoryPacked;
    if (memory.decode > kMaxPageBytes) return PageError::NoMemoryUnpacked;
    if (memory.store > kMaxPageBytes) return PageError::NoMemoryPixels;
    return PageError::None;
}

PageError DecodeGrey(const PageLayout& layout, PackedData& packed, bool portrait, PageImage& page,
                     PageDamage* damage) {
    const uint32_t width = layout.record.width;
    const uint32_t height = layout.record.height;
    // Decoding writes every byte; in portrait mode the buffer becomes the
    // page, so the page before lends it its memory.
    std::vector<uint8_t> unpacked;
    if (portrait) unpacked.swap(page.pixels);
    if (!AllocatePageBuffer(unpacked, Stride8(width) * height, BufferStart::Reused))
        return PageError::NoMemoryUnpacked;
    // A damaged grey page is shown as far as it decodes: a page that is
    // mostly readable is worth more than a refusal. DecodeGreyRuns never
    // leaves the buffer and blackens what it could not decode.
    DecodeGreyRuns(packed.data(), unpacked, width, height, page.palette, damage);
    packed = {};
    if (!StoreGreyPixels(std::move(unpacked), width, height, portrait, page))
        return PageError::NoMemoryPixels;
    return PageError::None;
}

PageError DecodeColour(const PageLayout& layout, PackedData& packed, bool portrait, PageImage& page,
                       PageDamage* damage) {
    const uint32_t width = layout.record.width;
    const uint32_t height = layout.record.height;
    ScratchBytes unpacked;
    if (!AllocatePageBuffer(unpacked, Stride8(width) * height, BufferStart::Reused))
        return PageError::NoMemoryUnpacked;
    size_t produced = 0;
    const bool decompressed = DecompressPageData(packed.data(), unpacked, &produced);
    packed = {};
    if (!decompressed) return PageError::ColourData;
    // Rows the block does not hold are black.
    if (produced < ColourDataBytes(width, height)) *damage = PageDamage::DataEnded;
    if (!UnpackColourPixels(std::span<const uint8_t>(unpacked.data(), produced), width, height,
                            portrait, page))
        return PageError::NoMemoryPixels;
    return PageError::None;
}

}  // namespace

const char16_t* PageErrorMessage(PageError error) {
    switch (error) {
        case PageError::Unsupported:
            return u"Unsupported File Format";
        case PageError::NoMemoryPacked:
            return u"Insufficient Memory at allocating PackData";
        case PageError::NoMemoryUnpacked:
            return u"Insufficient Memory at allocating to UnPack BMP Data";
        case PageError::NoMemoryPixels:
            return u"Insufficient Memory at allocating to Load BMP Data";
        case PageError::ColourData:
            return u"Color Data Decoding Error";
        case PageError::None:
        case PageError::NotInBook:
        case PageError::OpenFailed:
        case PageError::RecordUnreadable:
            break;
    }
    return nullptr;
}

bool ReadPalette(File& file, uint16_t count, std::vector<uint8_t>& palette) {
    palette.assign(size_t{count} * kPaletteEntrySize, 0);
    uint32_t got = 0;
    if (!palette.empty() && !file.Read(palette.data(), static_cast<uint32_t>(palette.size()), &got))
        got = 0;
    // Only whole entries count: a cut-off entry is black like the ones missing.
    std::fill(palette.begin() + got / kPaletteEntrySize * kPaletteEntrySize, palette.end(), 0);
    return got == palette.size();
}

PageError ReadPageLayout(File& file, uint32_t offset, bool portrait, PageLayout& layout) {
    PageRecord& record = layout.record;
    switch (ReadPageRecord(file, offset, record)) {
        case PageEncoding::ReadFailed:
            return PageError::RecordUnreadable;
        case PageEncoding::BadMagic:
        case PageEncoding::Unsupported:
            return PageError::Unsupported;
        case PageEncoding::GreyRuns:
            layout.grey = true;
            break;
        case PageEncoding::PaletteColour:
            layout.grey = false;
            break;
    }
    // A page without pixels is no page this format can hold.
    if (record.width == 0 || record.height == 0) return PageError::Unsupported;

    // Where the palette and the packed data stand, worked out rather than
    // asked of the file: every question is a system call. Grey pages have
    // words before the palette and a row table after it, neither of them
    // used.
    const bool xc = std::memcmp(record.magic, kXcRecordMagic, kRecordMagicSize) == 0;
    layout.recordEnd = uint64_t{offset} + (xc ? kXcRecordSize : kCxRecordSize);
    layout.paletteAt = layout.recordEnd;
    if (layout.grey) layout.paletteAt += uint64_t{record.skipWords} * kSkipWordSize;
    layout.packedAt = layout.paletteAt + uint64_t{record.paletteCount} * kPaletteEntrySize;
    if (layout.grey) layout.packedAt += uint64_t{record.height} * kRowTableEntrySize;
    return CheckPageMemory(layout, portrait);
}

PageMemory PlanPageMemory(const PageLayout& layout, bool portrait) {
    const PageRecord& record = layout.record;
    const uint64_t palette = uint64_t{record.paletteCount} * kPaletteEntrySize;
    const uint64_t packed = uint64_t{record.packedSize} + kPackedSlack;
    const uint64_t unpacked = Stride8(record.width) * record.height;
    const uint64_t turned = Stride8(record.height) * record.width;
    PageMemory memory;
    memory.read = palette + packed;
    memory.decode = memory.read + unpacked;
    if (layout.grey) {
        // Upright, the unpacked image itself becomes the page.
        memory.store = palette + unpacked + (portrait ? 0 : turned);
    } else {
        // The unpacking copies a row the data holds only in part, and turns
        // sixteen rows at a time.
        const uint64_t shortRow = ColourRowBytes(record.width) + 8;
        const uint64_t band = portrait ? 0 : uint64_t{record.width} * std::min(16u, record.height);
        memory.store = palette + unpacked + (portrait ? unpacked : turned) + shortRow + band;
    }
    return memory;
}

PageError ReadPageData(File& file, const PageLayout& layout, bool portrait, PageImage& page,
                       PackedData& packed) {
    const PageRecord& record = layout.record;
    SetPageView(page, record, portrait);
    if (layout.paletteAt != layout.recordEnd) file.Seek(layout.paletteAt);
    const bool paletteRead = ReadPalette(file, record.paletteCount, page.palette);

    // A grey page stops decoding where its data ends and a colour block
    // fails to decompress.
    const uint64_t fileSize = file.Size();
    const uint64_t available = layout.packedAt < fileSize ? fileSize - layout.packedAt : 0;
    const auto length = static_cast<uint32_t>(std::min<uint64_t>(record.packedSize, available));
    if (!AllocatePageBuffer(packed.bytes, uint64_t{length} + kPackedSlack))
        return PageError::NoMemoryPacked;
    const bool atPacked =
        paletteRead &&
        layout.packedAt == layout.paletteAt + uint64_t{record.paletteCount} * kPaletteEntrySize;
    uint32_t got = 0;
    if (length > 0 && ((!atPacked && !file.Seek(layout.packedAt)) ||
                       !file.Read(packed.bytes.data(), length, &got)))
        got = 0;
    packed.length = got;
    return PageError::None;
}

PageError DecodePageData(const PageLayout& layout, PackedData& packed, bool portrait,
                         PageImage& page, PageDamage* damage) {
    PageDamage found = PageDamage::None;
    const PageError error = layout.grey ? DecodeGrey(layout, packed, portrait, page, &found)
                                        : DecodeColour(layout, packed, portrait, page, &found);
    if (damage) *damage = found;
    if (error == PageError::None) {
        page.format = layout.grey ? PixelFormat::Grey8 : PixelFormat::Indexed8;
    }
    return error;
}

void FitPage(const PageLayout& layout, const PageView& view, PageImage& page) {
    if (!view.fitToWindow) return;
    if (layout.grey) {
        FitGreyPage(page);
    } else {
        FitColourPage(page);
    }
}

PageLoad ReadPageAt(File& file, uint32_t offset, PageImage& page, const PageView& view) {
    const bool portrait = view.portrait;
    PageLoad load;
    PageLayout layout;
    PackedData packed;
    load.error = ReadPageLayout(file, offset, portrait, layout);
    if (load.error == PageError::None)
        load.error = ReadPageData(file, layout, portrait, page, packed);
    if (load.error == PageError::None)
        load.error = DecodePageData(layout, packed, portrait, page, &load.damage);
    if (load.error != PageError::None) {
        load.damage = PageDamage::None;
        return load;
    }
    FitPage(layout, view, page);
    return load;
}

PageLoad ReadPage(FileSystem& files, const BookState& book, int32_t index, PageImage& page,
                  const PageView& view) {
    if (index < 0 || static_cast<size_t>(index) >= book.pageOffsets.size())
        return {PageError::NotInBook};
    File file = files.Open(book.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return {PageError::OpenFailed};
    PageLoad load = ReadPageAt(file, book.pageOffsets[static_cast<size_t>(index)], page, view);
    load.fileSize = file.Size();
    return load;
}

}  // namespace inkvista
