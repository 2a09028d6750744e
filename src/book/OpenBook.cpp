#include "book/OpenBook.h"

#include <algorithm>
#include <vector>

#include "book/HeaderText.h"

namespace inkvista {
namespace {

// A read that fails is a file that cannot be read; one the file ends inside
// is no book of its kind.
OpenBookError ReadBlock(File& file, uint8_t* buffer, size_t count) {
    size_t total = 0;
    while (total < count) {
        uint32_t got = 0;
        if (!file.Read(buffer + total, static_cast<uint32_t>(count - total), &got))
            return OpenBookError::OpenFailed;
        if (got == 0) return OpenBookError::Unsupported;
        total += got;
    }
    return OpenBookError::None;
}

}  // namespace

const char16_t* OpenBookMessage(OpenBookError error) {
    switch (error) {
        case OpenBookError::OpenFailed:
            return u"File Open Failed";
        case OpenBookError::Unsupported:
            return u"Unsupported File Format";
        case OpenBookError::None:
            break;
    }
    return nullptr;
}

OpenBookError OpenBook(FileSystem& files, BookState& state, const BookFolders& folders,
                       std::u16string_view fileName, FolderSlot slot, BookKind kind,
                       TextConversion conversion) {
    // The previous book goes whatever happens: a failed open leaves no pages
    // that a caller could load by mistake.
    state = BookState{};
    state.slot = slot;
    const std::u16string folder = folders.PathOf(slot);
    state.bookPath = folder + std::u16string(fileName);

    constexpr OpenBookError kOpenFailed = OpenBookError::OpenFailed;
    constexpr OpenBookError kUnsupported = OpenBookError::Unsupported;
    auto refuse = [&state](OpenBookError error) {
        state.pageCount = 0;
        state.pageOffsets.clear();
        return error;
    };

    if (folder.empty()) return refuse(kOpenFailed);
    File file = files.Open(state.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return refuse(kOpenFailed);

    uint8_t headerBytes[kBookHeaderSize];
    if (const OpenBookError read = ReadBlock(file, headerBytes, sizeof headerBytes);
        read != OpenBookError::None)
        return refuse(read);
    const BookHeader header = BookHeader::Parse(headerBytes);
    state.pageCount = header.pageCount;
    state.bookTitle = ConvertHeaderText(header.title, kTitleWidth, conversion);
    if (state.bookTitle.empty()) state.bookTitle = fileName;

    uint8_t extensionBytes[std::max(kCmbExtensionSize, kCxbExtensionSize)];
    const size_t extensionSize = HeaderExtensionSize(kind);
    const OpenBookError extensionRead = ReadBlock(file, extensionBytes, extensionSize);
    if (extensionRead == kOpenFailed) return refuse(kOpenFailed);
    if (!header.MagicMatches(kind) || extensionRead != OpenBookError::None)
        return refuse(kUnsupported);
    if (!HeaderExtension::Parse(kind, extensionBytes).IsSupported(kind))
        return refuse(kUnsupported);

    // The table must lie inside the file before anything is allocated for it.
    const uint64_t tableBytes = uint64_t{kPageTableEntrySize} * header.pageCount;
    if (PageTableOffset(kind) + tableBytes > file.Size()) return refuse(kUnsupported);
    std::vector<uint8_t> table(tableBytes);
    if (const OpenBookError read = ReadBlock(file, table.data(), table.size());
        read != OpenBookError::None)
        return refuse(read);
    file.Close();
    state.pageOffsets = ParsePageTable(table.data(), header.pageCount);
    return OpenBookError::None;
}

}  // namespace inkvista
