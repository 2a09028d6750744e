#include "book/PageRecord.h"

#include <cstring>

#include "book/BookHeader.h"
#include "platform/ByteOrder.h"

namespace inkvista {

size_t PageRecordSize(const uint8_t magic[2]) {
    if (magic[0] == 'C' && magic[1] == 'X') return kCxRecordSize;
    if (magic[0] == 'X' && magic[1] == 'C') return kXcRecordSize;
    return 0;
}

PageEncoding ParsePageRecord(const uint8_t* bytes, PageRecord& record) {
    const size_t size = PageRecordSize(bytes);
    if (size == 0) return PageEncoding::BadMagic;
    record = PageRecord{};
    std::memcpy(record.magic, bytes, 2);
    if (size == kCxRecordSize) {
        record.width = LoadBE32(bytes + 22);
        record.height = LoadBE32(bytes + 26);
        record.bitsPerPixel = LoadBE16(bytes + 30);
        record.packedSize = LoadBE32(bytes + 34);
        record.skipWords = LoadBE16(bytes + 38);
        record.paletteCount = LoadBE16(bytes + 40);
        // A "CX" page is grey whatever its bitsPerPixel says.
        return PageEncoding::GreyRuns;
    }
    record.packedSize = LoadBE32(bytes + 16);
    record.width = LoadBE32(bytes + 20);
    record.height = LoadBE32(bytes + 24);
    record.bitsPerPixel = LoadBE16(bytes + 66);
    record.skipWords = LoadBE16(bytes + 68);
    record.paletteCount = LoadBE16(bytes + 70);
    if (LoadBE16(bytes + 32) != 0) return PageEncoding::Unsupported;
    if (record.bitsPerPixel == 3) return PageEncoding::GreyRuns;
    if (record.bitsPerPixel == 5) return PageEncoding::PaletteColour;
    return PageEncoding::Unsupported;
}

PageEncoding ReadPageRecord(File& file, uint32_t offset, PageRecord& record) {
    uint8_t bytes[kXcRecordSize] = {};
    if (!file.Seek(offset) || !file.ReadExact(bytes, 2)) return PageEncoding::ReadFailed;
    const size_t size = PageRecordSize(bytes);
    if (size == 0) {
        record = PageRecord{};
        std::memcpy(record.magic, bytes, 2);
        return PageEncoding::BadMagic;
    }
    if (!file.ReadExact(bytes + 2, static_cast<uint32_t>(size - 2)))
        return PageEncoding::ReadFailed;
    return ParsePageRecord(bytes, record);
}

}  // namespace inkvista
