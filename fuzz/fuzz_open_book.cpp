// OpenBook on an arbitrary file held in memory: the header, its extension
// and the page offset table. The input's first byte chooses the book kind
// and the header text conversion, the rest is the file. A book that opens
// has every offset of its table and a title and shows no message; a book
// that is refused shows one message and keeps no pages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "book/OpenBook.h"
#include "support/MemoryBook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 1) return 0;
    const BookKind kind = (data[0] & 1) ? BookKind::Cxb : BookKind::Cmb;
    const TextConversion conversion =
        (data[0] & 2) ? TextConversion::KoreanTable : TextConversion::System;
    fuzz::MemoryBook& memory = fuzz::SharedMemoryBook();
    memory.Replace(data + 1, size - 1);

    BookState state;
    const OpenBookError error =
        OpenBook(memory.device().files(), state, memory.folders(), memory.fileName(),
                 fuzz::MemoryBook::kSlot, kind, conversion);
    if (error == OpenBookError::None) {
        if (state.pageCount < 0 ||
            state.pageOffsets.size() != static_cast<size_t>(state.pageCount) ||
            state.bookTitle.empty() || state.bookPath != memory.devicePath())
            std::abort();
        // Every table entry must lie in the file: it was read from there.
        if (PageTableOffset(kind) + 4 * state.pageOffsets.size() > size - 1) std::abort();
    } else if (!OpenBookMessage(error) || !state.pageOffsets.empty() || state.pageCount != 0) {
        std::abort();
    }
    return 0;
}
