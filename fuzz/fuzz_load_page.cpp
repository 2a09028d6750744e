// The page loader (ReadPage) on an arbitrary book file held in memory, two
// pages in a row into the same page image, as the viewer turns pages. The
// input's first byte chooses the order and, for each load, portrait or
// landscape and fitting; the next two bytes give the offset of the second
// page record (the first stands at offset 0); the rest is the file.
#include <cstddef>
#include <cstdint>

#include "book/BookState.h"
#include "book/PageDecoder.h"
#include "platform/ByteOrder.h"
#include "support/MemoryBook.h"
#include "support/PageCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 3) return 0;
    const uint8_t flags = data[0];
    const uint32_t second = LoadBE16(data + 1);
    fuzz::MemoryBook& memory = fuzz::SharedMemoryBook();
    memory.Replace(data + 3, size - 3);

    BookState book;
    book.bookPath = memory.devicePath();
    book.pageOffsets = {0, second};
    book.pageCount = 2;
    PageImage page;
    for (int turn = 0; turn < 2; ++turn) {
        const int bits = flags >> (1 + 2 * turn);
        PageView view;
        view.portrait = bits & 1;
        view.fitToWindow = (bits >> 1) & 1;
        const int32_t index = (flags & 1) ^ turn;
        const PageLoad load = ReadPage(memory.device().files(), book, index, page, view);
        if (load.error == PageError::None) fuzz::CheckLoadedPage(page);
    }
    return 0;
}
