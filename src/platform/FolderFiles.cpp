#include "platform/FolderFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/AtomicFile.h"
#include "platform/FolderListing.h"
#include "platform/HostDir.h"

namespace inkvista {

FolderFiles::~FolderFiles() {
    Close();
}

void FolderFiles::Close() {
    if (dirFd_ >= 0) ::close(dirFd_);
    dirFd_ = -1;
    entries_.clear();
}

bool FolderFiles::List(FileSystem& files, std::u16string_view pattern) {
    Close();
    std::u16string_view folder, last;
    uint32_t error = listing::SplitPattern(pattern, &folder, &last);
    std::optional<std::filesystem::path> dir;
    if (error == ERROR_SUCCESS) dir = files.mapper().Resolve(folder, &error);
    if (error != ERROR_SUCCESS || !dir) {
        files.SetLastError(error);
        return false;
    }
    dirFd_ = ::open(dir->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    dir_ = *dir;
    if (dirFd_ < 0) {
        files.SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::vector<listing::Candidate> all;
    bool anyEntry = false;
    int err = 0;
    if (!listing::ListCandidates(*dir, files.mapper(), false, &all, &anyEntry, &err, last)) {
        Close();
        files.SetLastError(host::ErrnoToWin32(err));
        return false;
    }
    if (!anyEntry) {
        Close();
        files.SetLastError(ERROR_NO_MORE_FILES);
        return false;
    }
    for (const listing::Candidate* c : listing::Matches(all, last)) {
        entries_.push_back({c->name, c->leaf, c->mountHost});
    }
    if (entries_.empty()) {
        Close();
        files.SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

bool FolderFiles::Open(size_t i, FindData* data, File* file) const {
    *file = File();
    if (i >= entries_.size()) return false;
    const Entry& entry = entries_[i];
    const bool inFolder = !entry.leaf.empty();
    const char* at = inFolder ? entry.leaf.c_str() : entry.host.c_str();
    const int base = inFolder ? dirFd_ : AT_FDCWD;
    data->name = entry.name;
    struct stat st;
    // O_NONBLOCK: a pipe that happens to match opens without waiting for a
    // writer; it is no regular file and is closed at once.
    const int fd = ::openat(base, at, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0 && fstat(fd, &st) == 0) {
        data->attributes = host::AttributesOfOpenFile(fd, st);
        data->sizeLow = S_ISDIR(st.st_mode) ? 0 : static_cast<uint32_t>(st.st_size & 0xFFFFFFFFu);
        if (S_ISREG(st.st_mode)) {
            *file = File(fd);
        } else {
            ::close(fd);
        }
        return true;
    }
    if (fd >= 0) ::close(fd);
    // Listed as FindFirst lists it: a dangling link still counts.
    if (fstatat(base, at, &st, 0) != 0 && fstatat(base, at, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    data->attributes = host::AttributesOf(inFolder ? dir_ / entry.leaf : entry.host, st);
    data->sizeLow = S_ISDIR(st.st_mode) ? 0 : static_cast<uint32_t>(st.st_size & 0xFFFFFFFFu);
    return true;
}

namespace {

// BeginReplace's checks on the host path of `path`: ERROR_SUCCESS or the
// error it is refused with.
uint32_t CheckReplace(const PathMapper& mapper, std::u16string_view path,
                      std::optional<std::filesystem::path>* target) {
    uint32_t error = ERROR_SUCCESS;
    *target = mapper.Resolve(path, &error);
    if (!*target) return error;
    struct stat st;
    const std::filesystem::path folder = (*target)->parent_path();
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    // The device's rule, not the host's: root may write anywhere.
    if (!(st.st_mode & S_IWUSR)) return ERROR_ACCESS_DENIED;
    if (stat((*target)->c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR))) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

}  // namespace

bool FileSystem::CanReplace(std::u16string_view path) {
    std::optional<std::filesystem::path> target;
    const uint32_t error = CheckReplace(mapper_, path, &target);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

bool FileSystem::BeginReplace(std::u16string_view path, AtomicFile& file) {
    std::optional<std::filesystem::path> target;
    const uint32_t error = CheckReplace(mapper_, path, &target);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return false;
    }
    if (!file.Begin(*target)) {
        SetLastError(host::ErrnoToWin32(file.error()));
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace inkvista
