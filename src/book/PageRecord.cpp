#include "book/PageRecord.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace inkvista {
namespace {

static_assert(kXcRecordSize >= kCxRecordSize, "one buffer holds either record");

void ParseFields(const uint8_t* bytes, const RecordLayout& layout, PageRecord& record) {
    record.width = LoadBE32(bytes + layout.width);
    record.height = LoadBE32(bytes + layout.height);
    record.bitsPerPixel = LoadBE16(bytes + layout.bitsPerPixel);
    record.packedSize = LoadBE32(bytes + layout.packedSize);
    record.skipWords = LoadBE16(bytes + layout.skipWords);
    record.paletteCount = LoadBE16(bytes + layout.paletteCount);
}

}  // namespace

size_t PageRecordSize(const uint8_t magic[2]) {
    if (std::memcmp(magic, kCxRecordMagic, kRecordMagicSize) == 0) return kCxRecord.size;
    if (std::memcmp(magic, kXcRecordMagic, kRecordMagicSize) == 0) return kXcRecord.size;
    return 0;
}

PageEncoding ParsePageRecord(const uint8_t* bytes, PageRecord& record) {
    const size_t size = PageRecordSize(bytes);
    if (size == 0) return PageEncoding::BadMagic;
    record = PageRecord{};
    std::memcpy(record.magic, bytes, kRecordMagicSize);
    if (size == kCxRecord.size) {
        ParseFields(bytes, kCxRecord, record);
        // A "CX" page is grey whatever its bitsPerPixel says.
        return PageEncoding::GreyRuns;
    }
    ParseFields(bytes, kXcRecord, record);
    if (LoadBE16(bytes + kXcZeroFieldOffset) != 0) return PageEncoding::Unsupported;
    if (record.bitsPerPixel == kGreyBitsPerPixel) return PageEncoding::GreyRuns;
    if (record.bitsPerPixel == kColourBitsPerPixel) return PageEncoding::PaletteColour;
    return PageEncoding::Unsupported;
}

PageEncoding ReadPageRecord(File& file, uint32_t offset, PageRecord& record) {
    uint8_t bytes[kXcRecord.size] = {};
    if (!file.Seek(offset) || !file.ReadExact(bytes, kRecordMagicSize))
        return PageEncoding::ReadFailed;
    const size_t size = PageRecordSize(bytes);
    if (size == 0) {
        record = PageRecord{};
        std::memcpy(record.magic, bytes, kRecordMagicSize);
        return PageEncoding::BadMagic;
    }
    if (!file.ReadExact(bytes + kRecordMagicSize, static_cast<uint32_t>(size - kRecordMagicSize)))
        return PageEncoding::ReadFailed;
    return ParsePageRecord(bytes, record);
}

}  // namespace inkvista
