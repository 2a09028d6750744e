#include "platform/HostDir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Win32.h"

namespace inkvista::host {

bool ListDir(const std::filesystem::path& dir, std::vector<std::string>* names, int* error) {
    names->clear();
    std::vector<DirEntry> entries;
    if (!ListDirTyped(dir, &entries, error)) return false;
    names->reserve(entries.size());
    for (DirEntry& e : entries) names->push_back(std::move(e.name));
    return true;
}

namespace {

EntryType TypeOf(unsigned char type) {
    switch (type) {
        case DT_DIR:
            return EntryType::Folder;
        case DT_LNK:
        case DT_UNKNOWN:
            return EntryType::Unknown;
        default:
            return EntryType::Other;
    }
}

}  // namespace

bool ListDirTyped(const std::filesystem::path& dir, std::vector<DirEntry>* entries, int* error) {
    entries->clear();
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        if (error) *error = errno;
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* e = readdir(d);
        if (e == nullptr) {
            const int err = errno;
            closedir(d);
            if (err != 0) {
                if (error) *error = err;
                return false;
            }
            return true;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        entries->push_back({e->d_name, TypeOf(e->d_type)});
    }
}

bool EntryExists(const std::filesystem::path& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

uint32_t ErrnoToWin32(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case EBUSY:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace inkvista::host
