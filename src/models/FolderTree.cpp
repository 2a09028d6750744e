#include "models/FolderTree.h"

#include <algorithm>

#include "platform/Text.h"
#include "platform/Win32.h"

namespace inkvista {

std::u16string FolderItemPath(std::u16string_view text,
                              const std::vector<std::u16string>& ancestors) {
    std::u16string path(text);
    for (const std::u16string& ancestor : ancestors) {
        path = ancestor == kFolderTreeRoot ? ancestor + path : ancestor + u"\\" + path;
    }
    return path;
}

bool IsDotName(std::u16string_view name) {
    return name == u"." || name == u"..";
}

FolderListing ListSubfolders(FileSystem& files, std::u16string_view path) {
    FolderListing listing;
    std::u16string pattern(path);
    pattern += path == kFolderTreeRoot ? u"*.*" : u"\\*.*";
    FindData found;
    FindHandle search = files.FindFirst(pattern, &found, FindScope::FoldersOnly);
    if (!search) {
        const uint32_t error = files.LastError();
        if (error == ERROR_NO_MORE_FILES) {
            listing.outcome = FolderListing::Outcome::NoEntries;
        } else if (error == ERROR_FILE_NOT_FOUND) {
            // Entries, but none of them a folder: nothing to show.
            listing.outcome = FolderListing::Outcome::Listed;
        } else {
            listing.error = error;
        }
        return listing;
    }
    do {
        if (found.IsDirectory() && !IsDotName(found.name)) listing.folders.push_back(found.name);
    } while (files.FindNext(search, &found));
    search.Close();
    std::stable_sort(
        listing.folders.begin(), listing.folders.end(),
        [](const std::u16string& a, const std::u16string& b) { return CompareNoCase(a, b) < 0; });
    listing.outcome = FolderListing::Outcome::Listed;
    return listing;
}

FolderListing ExpandFolder(FileSystem& files, std::u16string_view path,
                           UserDir& expandedFolderPath) {
    if (path != kFolderTreeRoot) {
        UserDir adopted{};
        if (SetUserDirText(adopted, path)) expandedFolderPath = adopted;
    }
    return ListSubfolders(files, path);
}

}  // namespace inkvista
