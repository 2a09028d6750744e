#include "book/BookFolders.h"

namespace inkvista {

std::optional<FolderSlot> SlotOfNumber(int64_t number) {
    if (number < 1 || number > static_cast<int64_t>(kFolderSlotCount)) return std::nullopt;
    return static_cast<FolderSlot>(number - 1);
}

std::optional<size_t> CardOf(FolderSlot slot) {
    switch (slot) {
        case FolderSlot::Card1:
        case FolderSlot::Card2:
        case FolderSlot::Card3:
            return SlotIndex(slot) - SlotIndex(FolderSlot::Card1);
        case FolderSlot::Main:
        case FolderSlot::User:
            break;
    }
    return std::nullopt;
}

std::u16string BookFolders::PathOf(FolderSlot slot) const {
    const std::u16string books = u"\\" + std::u16string(kBookFolderName) + u"\\";
    if (slot == FolderSlot::Main) return documentsRoot + books;
    if (slot == FolderSlot::User) return userDir + u"\\";
    if (const std::optional<size_t> card = CardOf(slot)) {
        return u"\\" + cardNames[*card] + books;
    }
    return {};
}

bool BookFolders::Searched(FolderSlot slot) const {
    if (slot == FolderSlot::Main) return true;
    if (slot == FolderSlot::User) return userDirExists && !userDir.empty();
    const std::optional<size_t> card = CardOf(slot);
    return card && static_cast<int64_t>(*card) < cardCount;
}

}  // namespace inkvista
