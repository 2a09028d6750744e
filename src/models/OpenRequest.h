// The book the main window opens next (ScreenSwitcher::OpenRequestedBook).
#pragma once

#include <cstdint>
#include <string>

#include "book/BookState.h"

namespace inkvista {

struct OpenRequest {
    std::u16string fileName;
    int32_t bookmarkPage = 0;
    FolderSlot slot = FolderSlot::Main;
    BookKind kind = BookKind::Cmb;  // of the entry the request came from
};

}  // namespace inkvista
