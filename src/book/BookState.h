// The open book: what OpenBook fills and every page load reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/BookFormat.h"

namespace inkvista {

struct BookState {
    std::u16string bookPath;  // device path of the open book
    std::u16string bookTitle;
    int32_t pageCount = 0;
    std::vector<uint32_t> pageOffsets;  // native order
    int32_t slotNumber = 0;             // 1..5
};

// Where the five folder slots are on this device (device paths, no trailing
// "\"): slot 1 "%s\InkVISTA\" of documentsRoot, 2-4 "\%s\InkVISTA\" of the
// cards, 5 "%s\" of userDir.
struct BookFolders {
    std::u16string documentsRoot;
    std::u16string cardNames[3];
    std::u16string userDir;
};

}  // namespace inkvista
