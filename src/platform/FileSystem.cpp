#include "platform/FileSystem.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

#include "platform/DosAttrib.h"
#include "platform/FolderListing.h"
#include "platform/HostDir.h"
#include "platform/Text.h"

namespace inkvista {

namespace {

thread_local uint32_t tLastError = ERROR_SUCCESS;

bool Fail(uint32_t error) {
    tLastError = error;
    return false;
}

bool FailErrno(int error) {
    return Fail(host::ErrnoToWin32(error));
}

constexpr const char* kDosAttribName = "user.DOSATTRIB";
// Samba reads no more than this.
constexpr size_t kDosAttribMax = 256;
// The attributes kept beside the file; read-only lives in the mode bits and
// directory in the file type.
constexpr uint32_t kStoredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// The bits this program owns in a value another program may share: Samba
// also takes read-only from it, so it follows the mode bits.
constexpr uint32_t kManagedDosBits = kStoredAttributes | FILE_ATTRIBUTE_READONLY;

bool IsUnsupported(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

bool IsFat(const std::filesystem::path& path) {
    struct statfs fs;
    return statfs(path.c_str(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

// The stored hidden/system/archive bits; false when the file system keeps
// none (no extended attributes and not FAT).
bool ReadStoredAttributes(const std::filesystem::path& path, bool isDir, uint32_t* stored) {
    *stored = 0;
    uint8_t buffer[kDosAttribMax];
    const ssize_t n = getxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
    if (n >= 0) {
        // A value in neither form counts as nothing stored.
        *stored = DecodeDosAttrib({buffer, static_cast<size_t>(n)}).value_or(0) & kStoredAttributes;
        return true;
    }
    if (errno == ENODATA || errno == ERANGE) return true;
    if (!IsUnsupported(errno) || !IsFat(path)) return false;
    const int fd = open(path.c_str(),
                        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (isDir ? O_DIRECTORY : 0));
    if (fd < 0) return false;
    uint32_t fat = 0;
    const bool ok = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &fat) == 0;
    close(fd);
    if (ok) *stored = fat & kStoredAttributes;
    return ok;
}

// The same for an open file, without a path: on FAT the ioctl asks the
// file itself.
bool ReadStoredAttributes(int fd, uint32_t* stored) {
    *stored = 0;
    uint8_t buffer[kDosAttribMax];
    const ssize_t n = fgetxattr(fd, kDosAttribName, buffer, sizeof buffer);
    if (n >= 0) {
        *stored = DecodeDosAttrib({buffer, static_cast<size_t>(n)}).value_or(0) & kStoredAttributes;
        return true;
    }
    if (errno == ENODATA || errno == ERANGE) return true;
    struct statfs fs;
    if (!IsUnsupported(errno) || fstatfs(fd, &fs) != 0 || fs.f_type != MSDOS_SUPER_MAGIC) {
        return false;
    }
    uint32_t fat = 0;
    if (ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &fat) != 0) return false;
    *stored = fat & kStoredAttributes;
    return true;
}

uint32_t CombineAttributes(const struct stat& st, uint32_t stored) {
    uint32_t attributes = stored;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

}  // namespace

uint32_t host::AttributesOf(const std::filesystem::path& path, const struct stat& st) {
    uint32_t stored = 0;
    ReadStoredAttributes(path, S_ISDIR(st.st_mode), &stored);
    return CombineAttributes(st, stored);
}

uint32_t host::AttributesOfOpenFile(int fd, const struct stat& st) {
    uint32_t stored = 0;
    ReadStoredAttributes(fd, &stored);
    return CombineAttributes(st, stored);
}

namespace {

// The new value of the attribute for these bits: the old value updated in its
// own form, or a text when there was none. Empty: remove the attribute.
// False when the old value cannot be read, which is then left alone.
bool NextDosAttrib(const std::filesystem::path& path, uint32_t stored, bool readOnly,
                   std::vector<uint8_t>* next, int* error) {
    const uint32_t bits = stored | (readOnly ? FILE_ATTRIBUTE_READONLY : 0u);
    uint8_t buffer[kDosAttribMax];
    const ssize_t n = getxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
    if (n < 0) {
        *error = errno;
        if (errno != ENODATA) return false;
        // Read-only alone needs no value.
        next->clear();
        if (stored != 0) *next = EncodeDosAttribText(bits);
        return true;
    }
    auto updated = UpdateDosAttrib({buffer, static_cast<size_t>(n)}, bits, kManagedDosBits);
    if (!updated) {
        *error = EACCES;
        return false;
    }
    *next = std::move(*updated);
    return true;
}

// Records the hidden/system/archive bits (and read-only, in a value Samba
// shares). `error` receives errno on failure.
bool WriteStoredAttributes(const std::filesystem::path& path, bool isDir, uint32_t stored,
                           bool readOnly, int* error) {
    int err = 0;
    std::vector<uint8_t> next;
    if (NextDosAttrib(path, stored, readOnly, &next, &err)) {
        if (next.empty()) {
            if (removexattr(path.c_str(), kDosAttribName) == 0 || errno == ENODATA) return true;
        } else if (setxattr(path.c_str(), kDosAttribName, next.data(), next.size(), 0) == 0) {
            return true;
        }
        err = errno;
    } else if (err == ERANGE) {
        err = EACCES;  // longer than any value we understand
    }
    if (IsUnsupported(err) && IsFat(path)) {
        const int fd = open(
            path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (isDir ? O_DIRECTORY : 0));
        if (fd < 0) {
            *error = errno;
            return false;
        }
        uint32_t fat = stored | (readOnly ? FILE_ATTRIBUTE_READONLY : 0u);
        const bool ok = ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &fat) == 0;
        *error = errno;
        close(fd);
        return ok;
    }
    if (IsUnsupported(err) && stored == 0) return true;  // nothing to record
    *error = IsUnsupported(err) ? EACCES : err;
    return false;
}

// Tells "file not found" from "path not found" for a missing host path.
uint32_t MissingError(const std::filesystem::path& path) {
    struct stat st;
    const std::filesystem::path parent = path.parent_path();
    if (!parent.empty() && stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_PATH_NOT_FOUND;
}

}  // namespace

// --- File -------------------------------------------------------------------

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File::~File() {
    Close();
}

void File::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool File::Read(void* buffer, uint32_t count, uint32_t* got) {
    if (got) *got = 0;
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    auto* p = static_cast<unsigned char*>(buffer);
    uint32_t total = 0;
    while (total < count) {
        const ssize_t n = ::read(fd_, p + total, count - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (got) *got = total;
            return FailErrno(errno);
        }
        if (n == 0) break;
        total += static_cast<uint32_t>(n);
    }
    if (got) *got = total;
    return true;
}

bool File::ReadExact(void* buffer, uint32_t count) {
    uint32_t got = 0;
    if (!Read(buffer, count, &got)) return false;
    return got == count ? true : Fail(ERROR_HANDLE_EOF);
}

bool File::Write(const void* buffer, uint32_t count, uint32_t* written) {
    if (written) *written = 0;
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    const auto* p = static_cast<const unsigned char*>(buffer);
    uint32_t total = 0;
    while (total < count) {
        const ssize_t n = ::write(fd_, p + total, count - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = total;
            return FailErrno(errno);
        }
        total += static_cast<uint32_t>(n);
    }
    if (written) *written = total;
    return true;
}

bool File::Seek(uint64_t offset) {
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return FailErrno(errno);
    return true;
}

bool File::Skip(int64_t delta) {
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (::lseek(fd_, static_cast<off_t>(delta), SEEK_CUR) < 0) return FailErrno(errno);
    return true;
}

uint64_t File::Position() const {
    if (fd_ < 0) return 0;
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t File::Size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

// --- FileSystem ---------------------------------------------------------------

FileSystem::FileSystem(PathMapper mapper) : mapper_(std::move(mapper)) {}

uint32_t FileSystem::LastError() const {
    return tLastError;
}

void FileSystem::SetLastError(uint32_t error) {
    tLastError = error;
}

namespace {

// Whether the device lets `creation` proceed on a host path, before anything
// is opened: ERROR_SUCCESS, or the error the call fails with.
uint32_t CheckOpen(const std::filesystem::path& host, FileAccess access, FileCreation creation,
                   bool* exists) {
    struct stat st;
    *exists = stat(host.c_str(), &st) == 0;
    if (!*exists) {
        const bool mustExist =
            creation == FileCreation::OpenExisting || creation == FileCreation::TruncateExisting;
        return mustExist ? MissingError(host) : ERROR_SUCCESS;
    }
    if (creation == FileCreation::CreateNew) return ERROR_FILE_EXISTS;
    // Folders, devices and pipes are not files to the device; read-only is
    // honoured even for a user the host would let through.
    const bool writing = access != FileAccess::Read || creation == FileCreation::CreateAlways ||
                         creation == FileCreation::TruncateExisting;
    if (!S_ISREG(st.st_mode) || (writing && !(st.st_mode & S_IWUSR))) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

int OpenFlags(FileAccess access, FileCreation creation) {
    int flags = O_CLOEXEC | O_NOCTTY;
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            break;
        case FileAccess::Write:
            flags |= O_WRONLY;
            break;
        case FileAccess::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    switch (creation) {
        case FileCreation::OpenExisting:
            break;
        case FileCreation::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case FileCreation::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case FileCreation::TruncateExisting:
            flags |= O_TRUNC;
            break;
    }
    // Truncating needs write access on the host even when the device call
    // only asked to read.
    if ((flags & O_TRUNC) && access == FileAccess::Read) flags = (flags & ~O_ACCMODE) | O_RDWR;
    return flags;
}

// The new file gets the asked-for attributes; its handle may still write to
// it even when it is read-only. Failing to record them does not undo the
// creation.
void SetNewFileAttributes(const std::filesystem::path& host, int fd, uint32_t attributes) {
    const uint32_t stored = attributes & kStoredAttributes;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    int ignored = 0;
    if (stored != 0) WriteStoredAttributes(host, false, stored, readOnly, &ignored);
    struct stat created;
    if (readOnly && fstat(fd, &created) == 0) fchmod(fd, created.st_mode & 07777 & ~S_IWUSR);
}

}  // namespace

File FileSystem::Open(std::u16string_view path, FileAccess access, FileCreation creation,
                      uint32_t attributes) {
    uint32_t error = ERROR_SUCCESS;
    const auto host = mapper_.Resolve(path, &error);
    bool exists = false;
    if (host) error = CheckOpen(*host, access, creation, &exists);
    if (!host || error != ERROR_SUCCESS) {
        Fail(error);
        return File();
    }
    const int flags = OpenFlags(access, creation);
    const int fd = ::open(host->c_str(), flags, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT) {
            Fail((flags & O_CREAT) ? ERROR_PATH_NOT_FOUND : MissingError(*host));
        } else if (err == EEXIST) {
            Fail(ERROR_FILE_EXISTS);
        } else {
            FailErrno(err);
        }
        return File();
    }
    // As on the device, success says whether an existing file was replaced.
    tLastError =
        (exists && creation == FileCreation::CreateAlways) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    if (!exists) SetNewFileAttributes(*host, fd, attributes);
    return File(fd);
}

FindHandle FileSystem::FindFirst(std::u16string_view pattern, FindData* out, FindScope scope) {
    FindHandle handle;
    std::u16string_view folder, last;
    uint32_t error = listing::SplitPattern(pattern, &folder, &last);
    std::optional<std::filesystem::path> dir;
    if (error == ERROR_SUCCESS) dir = mapper_.Resolve(folder, &error);
    if (error != ERROR_SUCCESS || !dir) {
        Fail(error);
        return handle;
    }
    struct stat st;
    if (stat(dir->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Fail(ERROR_PATH_NOT_FOUND);
        return handle;
    }
    std::vector<listing::Candidate> all;
    bool anyEntry = false;
    int err = 0;
    const bool foldersOnly = scope == FindScope::FoldersOnly;
    if (!listing::ListCandidates(*dir, mapper_, foldersOnly, &all, &anyEntry, &err, last)) {
        FailErrno(err);
        return handle;
    }
    if (!anyEntry) {
        Fail(ERROR_NO_MORE_FILES);
        return handle;
    }
    for (const listing::Candidate* c : listing::Matches(all, last)) {
        const std::filesystem::path hostPath = c->Host(*dir);
        struct stat es;
        if (stat(hostPath.c_str(), &es) != 0 && lstat(hostPath.c_str(), &es) != 0) continue;
        if (foldersOnly && !S_ISDIR(es.st_mode)) continue;
        FindData data;
        data.name = c->name;
        data.attributes = host::AttributesOf(hostPath, es);
        data.sizeLow = S_ISDIR(es.st_mode) ? 0 : static_cast<uint32_t>(es.st_size & 0xFFFFFFFFu);
        handle.entries_.push_back(std::move(data));
    }
    if (handle.entries_.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return handle;
    }
    handle.valid_ = true;
    handle.next_ = 1;
    if (out) *out = handle.entries_[0];
    return handle;
}

bool FileSystem::FindNext(FindHandle& handle, FindData* out) {
    if (!handle.valid_) return Fail(ERROR_INVALID_HANDLE);
    if (handle.next_ >= handle.entries_.size()) return Fail(ERROR_NO_MORE_FILES);
    if (out) *out = handle.entries_[handle.next_];
    ++handle.next_;
    return true;
}

uint32_t FileSystem::GetAttributes(std::u16string_view path) {
    uint32_t error = ERROR_SUCCESS;
    const auto host = mapper_.Resolve(path, &error);
    if (!host) {
        Fail(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st;
    if (stat(host->c_str(), &st) != 0) {
        Fail(errno == ENOENT ? MissingError(*host) : host::ErrnoToWin32(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return host::AttributesOf(*host, st);
}

bool FileSystem::SetAttributes(std::u16string_view path, uint32_t attributes) {
    uint32_t error = ERROR_SUCCESS;
    const auto host = mapper_.Resolve(path, &error);
    if (!host) return Fail(error);
    struct stat st;
    if (stat(host->c_str(), &st) != 0) {
        return Fail(errno == ENOENT ? MissingError(*host) : host::ErrnoToWin32(errno));
    }
    const bool isDir = S_ISDIR(st.st_mode);
    // NORMAL means "none of the others"; with other bits it is ignored.
    const uint32_t wanted =
        attributes == FILE_ATTRIBUTE_NORMAL ? 0u : attributes & ~FILE_ATTRIBUTE_NORMAL;
    const bool readOnly = (wanted & FILE_ATTRIBUTE_READONLY) != 0;
    const uint32_t stored = wanted & kStoredAttributes;

    const mode_t original = st.st_mode & 07777;
    const mode_t finalMode = readOnly ? (original & ~S_IWUSR) : (original | S_IWUSR);
    // Extended attributes of the user namespace need write permission, so a
    // read-only file is made writable for the moment of the change.
    if (!(original & S_IWUSR) && chmod(host->c_str(), original | S_IWUSR) != 0) {
        return FailErrno(errno);
    }
    int err = 0;
    if (!WriteStoredAttributes(*host, isDir, stored, readOnly, &err)) {
        chmod(host->c_str(), original);
        return FailErrno(err);
    }
    if (chmod(host->c_str(), finalMode) != 0) {
        const int e = errno;
        chmod(host->c_str(), original);
        return FailErrno(e);
    }
    return true;
}

bool FileSystem::DeleteFile(std::u16string_view path) {
    uint32_t error = ERROR_SUCCESS;
    const auto host = mapper_.Resolve(path, &error);
    if (!host) return Fail(error);
    struct stat st;
    if (lstat(host->c_str(), &st) != 0) {
        return Fail(errno == ENOENT ? MissingError(*host) : host::ErrnoToWin32(errno));
    }
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);
    if (unlink(host->c_str()) != 0) return FailErrno(errno);
    return true;
}

bool FileSystem::CreateDirectory(std::u16string_view path) {
    uint32_t error = ERROR_SUCCESS;
    const auto host = mapper_.Resolve(path, &error);
    if (!host) return Fail(error);
    if (mkdir(host->c_str(), 0777) != 0) {
        const int err = errno;
        if (err == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        if (err == ENOENT || err == ENOTDIR) return Fail(ERROR_PATH_NOT_FOUND);
        return FailErrno(err);
    }
    return true;
}

bool FileSystem::Exists(std::u16string_view path) {
    const auto host = mapper_.Resolve(path);
    struct stat st;
    return host && stat(host->c_str(), &st) == 0;
}

}  // namespace inkvista
