// The files of one folder that match a search pattern, for reading the start
// of many of them in one go: listed as FindFirst lists them and in its order,
// and opened through the folder instead of resolving each device path again.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace inkvista {

class FolderFiles {
  public:
    FolderFiles() = default;
    FolderFiles(const FolderFiles&) = delete;
    FolderFiles& operator=(const FolderFiles&) = delete;
    ~FolderFiles();

    // Lists the matches of `pattern`, a device path as FindFirst takes it.
    // False, with `files`' LastError set as FindFirst would set it, when
    // nothing matches or the folder cannot be listed.
    bool List(FileSystem& files, std::u16string_view pattern);

    size_t size() const { return entries_.size(); }
    const std::u16string& name(size_t i) const { return entries_[i].name; }

    // Entry `i` as FindFirst would describe it now (name, attributes, low 32
    // bits of the size), and the entry opened for reading when it is a
    // regular file that opens; otherwise `file` is left closed. False when
    // the entry has gone since the listing.
    bool Open(size_t i, FindData* data, File* file) const;

  private:
    struct Entry {
        std::u16string name;
        std::string leaf;            // opened through the folder
        std::filesystem::path host;  // a mount in the root, opened by its path
    };
    void Close();
    int dirFd_ = -1;
    std::filesystem::path dir_;
    std::vector<Entry> entries_;
};

}  // namespace inkvista
