// The open book: what OpenBook fills and every page load reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/BookFolders.h"
#include "book/BookFormat.h"

namespace inkvista {

struct BookState {
    std::u16string bookPath;  // device path of the open book
    std::u16string bookTitle;
    int32_t pageCount = 0;
    std::vector<uint32_t> pageOffsets;   // native order
    FolderSlot slot = FolderSlot::Main;  // the folder it was opened from
};

}  // namespace inkvista
