// The record at the start of every page: its two kinds ("CX", 42 bytes, and
// "XC", 72 bytes) and the encoding it announces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/BookFormat.h"
#include "platform/FileSystem.h"

namespace inkvista {

struct PageRecord {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t packedSize = 0;
    uint16_t skipWords = 0;
    uint16_t paletteCount = 0;
    char magic[2] = {0, 0};  // "CX" or "XC"
};

enum class PageEncoding {
    GreyRuns,       // 3-bit grey runs
    PaletteColour,  // 5-bit palette colour, LZO1X
    BadMagic,       // neither "CX" nor "XC"
    Unsupported,    // "XC" with a non-zero field 32 or bitsPerPixel other than 3 or 5
    ReadFailed,     // the file ends (or fails) inside the record
};

// Record size announced by a magic; 0 for a bad magic.
size_t PageRecordSize(const uint8_t magic[2]);

// Fills `record` (native order, magic kept) from the whole record in `bytes`,
// which holds PageRecordSize(bytes) bytes, and answers its encoding.
PageEncoding ParsePageRecord(const uint8_t* bytes, PageRecord& record);

// Seeks `file` to `offset`, reads the magic and then the rest of the record;
// on GreyRuns or PaletteColour the file stands right after the record, where
// the page's data begins. Shows no message: the caller decides what to say.
PageEncoding ReadPageRecord(File& file, uint32_t offset, PageRecord& record);

}  // namespace inkvista
