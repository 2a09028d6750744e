// Opening a book for the viewer: its path from the folder slot, the header
// checks and the page offset table.
#pragma once

#include <string>
#include <string_view>

#include "book/BookHeader.h"
#include "book/BookState.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"

namespace inkvista {

// The folder of slot 1 (main folder), 2-4 (storage cards) or 5 (user
// folder), ending in "\"; empty for any other slot.
std::u16string BuildBookPath(int slotNumber, const BookFolders& folders);

// Opens the book `fileName` of folder slot `slotNumber` (1..5) as a book of
// `kind` and fills `state`; no page is loaded. On false the message ("File
// Open Failed" or "Unsupported File Format") has been shown and `state` holds
// no pages. A header, header extension or page table that the file does not
// hold in full is refused as an unsupported format. The file is closed on
// every path.
bool OpenBook(Device& device, BookState& state, const BookFolders& folders,
              std::u16string_view fileName, int slotNumber, BookKind kind,
              TextConversion conversion);

}  // namespace inkvista
