// The behaviour of the user-folder tree: the path an item stands for, the
// listing of a folder's sub-folders, and which folder an expansion adopts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Device.h"
#include "settings/UserDir.h"

namespace inkvista {

// The root item's text: the root of the device's file system.
inline constexpr std::u16string_view kFolderTreeRoot = u"\\";

// The full path of an item from its own text and those of its ancestors,
// nearest first: each ancestor goes in front, joined by "\" unless the
// ancestor is the root "\" ({"Comics", "My Documents", "\"} gives
// "\My Documents\Comics").
std::u16string FolderItemPath(std::u16string_view text,
                              const std::vector<std::u16string>& ancestors);

// "." and "..", in any case, are never shown as folders.
bool IsDotName(std::u16string_view name);

struct FolderListing {
    enum class Outcome {
        Listed,     // `folders` holds the sub-folders (possibly none)
        NoEntries,  // the folder holds no entries at all: it has no children
        Failed,     // the folder could not be listed: leave the item as it is
    };
    Outcome outcome = Outcome::Failed;
    // Sub-folder names in the tree's order (case-insensitive).
    std::vector<std::u16string> folders;
    // The system error when the listing failed.
    uint32_t error = 0;
};

// Lists the sub-folders of `path`: "\*.*" for the root, else "<path>\*.*".
// Only folders are asked for, so a folder of many files lists quickly.
FolderListing ListSubfolders(FileSystem& files, std::u16string_view path);

// An item of the tree is expanded: lists its folder and, unless it is the
// root, adopts its path as `expandedFolderPath`. A path too long for the
// buffer is not adopted (the previous one stays).
FolderListing ExpandFolder(FileSystem& files, std::u16string_view path,
                           UserDir& expandedFolderPath);

}  // namespace inkvista
