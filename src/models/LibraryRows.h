// What one list row shows for a book: the texts of its two columns and its
// icon, by the list's showFileName and showSize flags.
#pragma once

#include <cstdint>
#include <string>

#include "models/LibraryModel.h"

namespace inkvista {

// Icons of the list's image list.
enum ListIcon : int {
    kIconCxb = 0,
    kIconCxbHidden = 1,
    kIconCmb = 2,
    kIconCmbHidden = 3,
};

// The list's image list: one 80 x 18 bitmap of four 20-pixel icons.
constexpr int kListIconsBitmapId = 140;
constexpr int kListIconWidth = 20;
constexpr int kListIconHeight = 18;

std::u16string RowTitle(const BookEntry& entry, int32_t showFileName);
// "%d / %03d" (page from 1 and page count), or the size: "%3dK" in
// thousands of MB (decimal, so 512000 bytes are 488K) below 1 MB, else
// "%.1fM".
std::u16string RowSecondColumn(const BookEntry& entry, int32_t showSize);
int RowIcon(const BookEntry& entry);

}  // namespace inkvista
