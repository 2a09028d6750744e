// The scan of the five book folders: every .cmb file, then every .cxb file
// of each folder in listing order, each with the first 120 bytes of its
// header.
#include <cstring>

#include "book/BookFormat.h"
#include "book/HeaderText.h"
#include "models/LibraryModel.h"
#include "models/LibraryRows.h"
#include "platform/ByteOrder.h"
#include "platform/FolderFiles.h"

namespace inkvista {

namespace {

constexpr double kBytesPerMB = 1048576.0;

// The header as a scan sees it: what a short file does not supply, and all
// of it when the read fails, counts as zero.
void ReadHeader(File& file, uint8_t (&header)[kBookHeaderSize]) {
    std::memset(header, 0, sizeof header);
    uint32_t got = 0;
    if (!file.Read(header, sizeof header, &got)) std::memset(header, 0, sizeof header);
}

}  // namespace

void LibraryModel::ScanBooks() {
    folderBookCount_.fill(0);
    for (auto& books : unlisted_) books.clear();
    for (const FolderSlot slot : kFolderSlots) {
        if (!folders_.Searched(slot)) continue;
        int32_t count = 0;
        ScanPattern(slot, BookKind::Cmb, count);
        ScanPattern(slot, BookKind::Cxb, count);
        folderBookCount_[SlotIndex(slot)] = count;
    }
}

void LibraryModel::ScanPattern(FolderSlot slot, BookKind kind, int32_t& count) {
    const std::u16string folder = folders_.PathOf(slot);
    const std::u16string_view extension = kind == BookKind::Cmb ? kCmbExtension : kCxbExtension;
    FolderFiles listing;
    if (!listing.List(device_.files(), folder + u"*" + std::u16string(extension))) return;
    uint8_t header[kBookHeaderSize];
    for (size_t i = 0; i < listing.size(); ++i) {
        FindData found;
        File file;
        if (!listing.Open(i, &found, &file)) continue;  // gone since the listing
        // A folder whose name looks like a book's is no book.
        if (found.IsDirectory()) continue;
        const bool hidden = (found.attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        if (hidden && !showHiddenSnapshot_) {
            unlisted_[SlotIndex(slot)].push_back({found.name, static_cast<size_t>(count)});
            continue;
        }

        BookEntry entry;
        entry.slot = slot;
        entry.kind = kind;
        entry.fileName = found.name;
        entry.displayName = DisplayFileName(found.name);
        entry.hidden = hidden;
        entry.folderPath = folder;
        entry.sizeMB = static_cast<double>(found.sizeLow) / kBytesPerMB;
        entry.indexInFolder = count;
        if (file) {
            ReadHeader(file, header);
            file.Close();
            entry.pageCount = LoadBE16(header + kPageCountOffset);
            entry.title =
                ConvertHeaderText(header + kTitleOffset, kTitleWidth, settings_.textConversion);
        }
        if (entry.title.empty()) entry.title = entry.displayName;
        entries_.push_back(std::move(entry));
        ++count;
    }
}

void LibraryModel::EnsureCardFolders() {
    FileSystem& files = device_.files();
    for (int32_t k = 0; k < folders_.cardCount; ++k) {
        const std::u16string card = u"\\" + folders_.cardNames[static_cast<size_t>(k)];
        FindData found;
        FindHandle present = files.FindFirst(card, &found);
        if (!present) continue;
        present.Close();
        const std::u16string books = card + u"\\" + std::u16string(kBookFolderName);
        FindHandle folder = files.FindFirst(books, &found);
        if (folder) {
            folder.Close();
            continue;
        }
        files.CreateDirectory(books);  // a card that refuses it is left so
    }
}

}  // namespace inkvista
