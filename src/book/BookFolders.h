// The five folders books are found in, and where each one is: the folder
// "InkVISTA" in the documents folder, the same folder on up to three storage
// cards, and the folder the user picked. The one place that knows the rule.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace inkvista {

// The book folder's name in the documents folder and on each card; the
// program makes it in both.
inline constexpr std::u16string_view kBookFolderName = u"InkVISTA";

// A folder's place in the library, in list order.
enum class FolderSlot : int32_t { Main = 0, Card1 = 1, Card2 = 2, Card3 = 3, User = 4 };

inline constexpr size_t kFolderSlotCount = 5;
inline constexpr std::array<FolderSlot, kFolderSlotCount> kFolderSlots = {
    FolderSlot::Main, FolderSlot::Card1, FolderSlot::Card2, FolderSlot::Card3, FolderSlot::User};

// The slot's place in per-slot arrays (0 main ... 4 user).
constexpr size_t SlotIndex(FolderSlot slot) {
    return static_cast<size_t>(slot);
}

// The 1-based number the script's `open` command gives a slot (1 main, 2-4
// the cards, 5 the user folder); nullopt for any other number.
std::optional<FolderSlot> SlotOfNumber(int64_t number);

// The card (0-2) a card slot stands for.
std::optional<size_t> CardOf(FolderSlot slot);

struct BookFolders {
    std::u16string documentsRoot;             // "\My Documents"
    std::array<std::u16string, 3> cardNames;  // "Storage Card", … (no backslashes)
    int32_t cardCount = 0;                    // how many of cardNames are cards
    std::u16string userDir;                   // the user folder; empty for none
    bool userDirExists = false;               // it was there at the last check

    // The folder of `slot`, ending in "\": "%s\InkVISTA\" of documentsRoot,
    // "\%s\InkVISTA\" of a card, "%s\" of userDir. Empty for a value that is
    // no slot.
    std::u16string PathOf(FolderSlot slot) const;
    // Whether the library looks in `slot`: the main folder always, a card
    // slot the cards reach, the user folder when it is set and exists.
    bool Searched(FolderSlot slot) const;
};

}  // namespace inkvista
