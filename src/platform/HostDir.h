// Small POSIX helpers shared by the port layer's sources (not for callers).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct stat;

namespace inkvista::host {

// The names in a host folder, without "." and "..". False when it cannot be
// read; `error` then holds errno.
bool ListDir(const std::filesystem::path& dir, std::vector<std::string>* names, int* error);

// What a folder listing says of an entry's type without asking for its
// status: a folder, something else, or not known (a link, or a file system
// that does not say).
enum class EntryType { Folder, Other, Unknown };
struct DirEntry {
    std::string name;
    EntryType type = EntryType::Unknown;
};
// ListDir with the type each entry has in the listing.
bool ListDirTyped(const std::filesystem::path& dir, std::vector<DirEntry>* entries, int* error);

// True when a directory entry of that name exists (a dangling link counts).
bool EntryExists(const std::filesystem::path& path);

// A host file's device attributes: directory and read-only from `st` (no
// owner write bit is read-only, whoever runs the program), hidden, system
// and archive from what is kept beside the file. FILE_ATTRIBUTE_NORMAL when
// none is set. Defined with the file system.
uint32_t AttributesOf(const std::filesystem::path& path, const struct stat& st);
// The same for the open file `fd` whose fstat gave `st`.
uint32_t AttributesOfOpenFile(int fd, const struct stat& st);

// The system error code matching an errno value.
uint32_t ErrnoToWin32(int error);

}  // namespace inkvista::host
