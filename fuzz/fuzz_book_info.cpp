// `inkvista-tool info` on an arbitrary book held in memory: ReadBookInfo
// opens it as the reader does, reads every page record and decodes every
// page; the JSON written must be valid and list every page of the table.
// The input's first byte chooses the book kind, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "book/BookInfo.h"
#include "support/JsonCheck.h"
#include "support/MemoryBook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 1) return 0;
    const BookKind kind = (data[0] & 1) ? BookKind::Cxb : BookKind::Cmb;
    fuzz::MemoryBook& memory = fuzz::SharedMemoryBook();
    memory.Replace(data + 1, size - 1);

    BookInfo info;
    if (ReadBookInfo(memory.device().files(), memory.folders(), memory.fileName(),
                     fuzz::MemoryBook::kSlot, kind, info) != OpenBookError::None)
        return 0;
    if (info.pages.size() != static_cast<size_t>(info.pageCount)) std::abort();
    if (!fuzz::IsValidJson(BookInfoJson(info))) std::abort();
    return 0;
}
