// A book file the desktop names (`inkvista BOOK`, a later start, Ctrl+O, a
// drop on the window) as the device reaches it.
#pragma once

#include <filesystem>
#include <string>

#include "book/BookFormat.h"
#include "platform/Device.h"

namespace inkvista {

struct LaunchBook {
    std::u16string folder;  // a device path
    std::u16string fileName;
    BookKind kind = BookKind::Cmb;
};

// Where the device reaches `book` (absolute, checked by TakeLaunchBook, of
// `kind`); false with `error` saying why.
bool PlaceLaunchBook(Device& device, const std::filesystem::path& book, BookKind kind,
                     LaunchBook* placed, std::string* error);

// A book named as a path or a file:// URI, checked as the command line
// checks it (TakeLaunchBook) and placed; false with `refusal` saying why.
bool ReachLaunchBook(Device& device, const std::string& arg, LaunchBook* placed,
                     std::string* refusal);

}  // namespace inkvista
