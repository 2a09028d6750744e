#include "models/LibraryInfo.h"

#include <string>

#include "book/BookFormat.h"
#include "book/HeaderText.h"
#include "models/LibraryRows.h"
#include "platform/ByteOrder.h"

namespace inkvista {

namespace {

std::u16string FieldOr(const uint8_t* header, size_t offset, size_t width,
                       TextConversion conversion, std::u16string_view fallback) {
    std::u16string text = ConvertHeaderText(header + offset, width, conversion);
    return text.empty() ? std::u16string(fallback) : text;
}

}  // namespace

const char16_t* ReadListBookInfo(FileSystem& files, std::u16string_view folderPath,
                                 std::u16string_view fileName, TextConversion conversion,
                                 ListBookInfo* info) {
    std::u16string path(folderPath);
    path += fileName;
    File file = files.Open(path, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return u"Error on Opening File";
    uint8_t header[kBookHeaderSize] = {};
    uint32_t got = 0;
    if (!file.Read(header, sizeof header, &got)) return u"Error on Reading File";
    file.Close();
    info->fileName = DisplayFileName(fileName);
    info->title = FieldOr(header, kTitleOffset, kTitleWidth, conversion, u"NO TITLE");
    info->chapter = FieldOr(header, kChapterOffset, kChapterWidth, conversion, u"NO CHAPTER");
    info->author = FieldOr(header, kAuthorOffset, kAuthorWidth, conversion, u"NO AUTHOR");
    info->publisher =
        FieldOr(header, kPublisherOffset, kPublisherWidth, conversion, u"NO PUBLISHER");
    const std::string pages = std::to_string(LoadBE16(header + kPageCountOffset));
    info->pages.assign(pages.begin(), pages.end());
    return nullptr;
}

}  // namespace inkvista
