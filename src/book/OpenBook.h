// Opening a book for the viewer: its path from the folder slot, the header
// checks and the page offset table.
#pragma once

#include <string>
#include <string_view>

#include "book/BookHeader.h"
#include "book/BookState.h"
#include "platform/FileSystem.h"
#include "settings/TextConversion.h"

namespace inkvista {

// The folder of slot 1 (main folder), 2-4 (storage cards) or 5 (user
// folder), ending in "\"; empty for any other slot.
std::u16string BuildBookPath(int slotNumber, const BookFolders& folders);

// Why a book did not open.
enum class OpenBookError {
    None,
    OpenFailed,   // the file cannot be opened or read: "File Open Failed"
    Unsupported,  // not a book of its kind: "Unsupported File Format"
};

// The message that tells `error`; null for None.
const char16_t* OpenBookMessage(OpenBookError error);

// Opens the book `fileName` of folder slot `slotNumber` (1..5) as a book of
// `kind` and fills `state`; no page is loaded. On failure `state` holds no
// pages. A header, header extension or page table that the file does not
// hold in full is refused as an unsupported format. The file is closed on
// every path. Shows nothing: the caller tells the user.
OpenBookError OpenBook(FileSystem& files, BookState& state, const BookFolders& folders,
                       std::u16string_view fileName, int slotNumber, BookKind kind,
                       TextConversion conversion);

}  // namespace inkvista
