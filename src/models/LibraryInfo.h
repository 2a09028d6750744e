// The header of one book as the Information dialog shows it, read fresh from
// the file rather than taken from the list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "settings/TextConversion.h"

namespace inkvista {

struct ListBookInfo {
    std::u16string fileName;
    // Empty texts are already replaced by "NO TITLE", "NO CHAPTER", ...
    std::u16string title, chapter, author, publisher;
    std::u16string pages;  // the page count in decimal
};

// Reads the first 120 bytes of `folderPath` + `fileName` (a short file counts
// as zero-filled; the magic is not looked at). Null when `info` was filled,
// else the message that tells why not: "Error on Opening File" or "Error on
// Reading File".
const char16_t* ReadListBookInfo(FileSystem& files, std::u16string_view folderPath,
                                 std::u16string_view fileName, TextConversion conversion,
                                 ListBookInfo* info);

}  // namespace inkvista
