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

// The name a listed file shows: its device name, except that escaped host
// bytes show as what they stand for, and a host name that is not UTF-8
// shows as Korean code-page text when it reads as that cleanly (names
// copied from old cards). Only for showing: files are always reached by
// the device name.
std::u16string DisplayFileName(std::u16string_view deviceName);

std::u16string RowTitle(const BookEntry& entry, bool showFileName);
// "%d / %03d" (page from 1 and page count), or the size: "%3dK" in
// thousands of MB (decimal, so 512000 bytes are 488K) below 1 MB, else
// "%.1fM".
std::u16string RowSecondColumn(const BookEntry& entry, bool showSize);
int RowIcon(const BookEntry& entry);

}  // namespace inkvista
