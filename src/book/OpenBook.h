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

// Why a book did not open.
enum class OpenBookError {
    None,
    OpenFailed,   // the file cannot be opened or read: "File Open Failed"
    Unsupported,  // not a book of its kind: "Unsupported File Format"
};

// The message that tells `error`; null for None.
const char16_t* OpenBookMessage(OpenBookError error);

// Opens the book `fileName` of the folder of `slot` as a book of
// `kind` and fills `state`; no page is loaded. On failure `state` holds no
// pages. A header, header extension or page table that the file does not
// hold in full is refused as an unsupported format. The file is closed on
// every path. Shows nothing: the caller tells the user.
OpenBookError OpenBook(FileSystem& files, BookState& state, const BookFolders& folders,
                       std::u16string_view fileName, FolderSlot slot, BookKind kind,
                       TextConversion conversion);

}  // namespace inkvista
