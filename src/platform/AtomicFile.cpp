#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <linux/limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace inkvista {
namespace {

// Between the target's name and mkostemps' six characters: a name only this
// program makes, so that cleaning up never takes a user's own copy
// (".registry.reg.Backup.tmp", "InkVISTA.bmk.mine").
constexpr const char* kTemporaryMark = ".inkvista-";

}  // namespace

namespace {

WriteFaultHook& FaultHook() {
    static WriteFaultHook hook;
    return hook;
}

bool Allowed(WriteStep step) {
    const WriteFaultHook& hook = FaultHook();
    return !hook || hook(step);
}

// A link chain longer than the kernel's own limit is a loop.
constexpr int kMaxLinks = 40;

// `path` with every symbolic link at its last component followed. Links in
// the folders above are left to the kernel: renaming inside a linked folder
// replaces the file where it really lives anyway.
bool FollowLinks(std::filesystem::path path, std::filesystem::path* out, int* error) {
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *out = std::move(path);
            return true;
        }
        std::error_code ec;
        std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec) {
            *error = ec.value();
            return false;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    *error = ELOOP;
    return false;
}

// rename(2) that fails with EEXIST instead of replacing. File systems
// without the flag get a hard link instead, which fails the same way.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

// Copies the user-namespace extended attributes of `from` to `to`; what
// cannot be copied (a file system without them) is left out.
void CopyUserAttributes(const std::filesystem::path& from, int to) {
    std::string names(1024, '\0');
    ssize_t size = listxattr(from.c_str(), names.data(), names.size());
    if (size < 0 && errno == ERANGE) {
        size = listxattr(from.c_str(), nullptr, 0);
        if (size <= 0) return;
        names.resize(static_cast<size_t>(size));
        size = listxattr(from.c_str(), names.data(), names.size());
    }
    if (size <= 0) return;
    names.resize(static_cast<size_t>(size));
    std::vector<char> value;
    for (size_t at = 0; at < names.size();) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        if (std::strncmp(name, "user.", 5) != 0) continue;
        const ssize_t length = getxattr(from.c_str(), name, nullptr, 0);
        if (length < 0 || length > XATTR_SIZE_MAX) continue;
        value.resize(static_cast<size_t>(length));
        const ssize_t got = getxattr(from.c_str(), name, value.data(), value.size());
        if (got >= 0) fsetxattr(to, name, value.data(), static_cast<size_t>(got), 0);
    }
}

mode_t DefaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool FlushFolder(const std::filesystem::path& folder) {
    if (!Allowed(WriteStep::FlushFolder)) {
        errno = EIO;
        return false;
    }
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot flush folders
    const int saved = errno;
    close(fd);
    errno = saved;
    return ok;
}

}  // namespace

void SetWriteFaultHook(WriteFaultHook hook) {
    FaultHook() = std::move(hook);
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      fd_(std::exchange(other.fd_, -1)),
      error_(other.error_) {
    other.temp_.clear();
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept {
    if (this != &other) {
        Abandon();
        target_ = std::move(other.target_);
        temp_ = std::move(other.temp_);
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        other.temp_.clear();
    }
    return *this;
}

AtomicFile::~AtomicFile() {
    Abandon();
}

bool AtomicFile::Fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    Abandon();
    return false;
}

bool AtomicFile::Begin(const std::filesystem::path& target, int mode) {
    Abandon();
    error_ = 0;
    int linkError = 0;
    if (!FollowLinks(target, &target_, &linkError)) return Fail(linkError);

    struct stat st {};
    mode_t finalMode = mode == kKeepMode ? DefaultMode() : static_cast<mode_t>(mode);
    const bool replacing = stat(target_.c_str(), &st) == 0;
    if (replacing) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) return Fail(EINVAL);
        if (mode == kKeepMode) finalMode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }

    if (!Allowed(WriteStep::CreateTemporary)) return Fail(EIO);
    const std::filesystem::path folder = target_.parent_path();
    const std::string suffix = ".tmp";
    std::string name = "." + target_.filename().string() + kTemporaryMark + "XXXXXX" + suffix;
    std::string path = (folder / name).string();
    fd_ = mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    temp_ = path;
    if (fchmod(fd_, finalMode) != 0) return Fail(errno);
    if (replacing) CopyUserAttributes(target_, fd_);
    return true;
}

bool AtomicFile::Write(const void* data, size_t size) {
    if (fd_ < 0) return Fail(error_ != 0 ? error_ : EBADF);
    if (!Allowed(WriteStep::Write)) return Fail(ENOSPC);
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) return Fail(ENOSPC);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::Commit(Durability durability) {
    return Finish(true, durability);
}

bool AtomicFile::CommitNew() {
    return Finish(false, Durability::Flushed);
}

bool AtomicFile::Finish(bool replace, Durability durability) {
    if (fd_ < 0) return Fail(error_ != 0 ? error_ : EBADF);
    const bool flushed = durability == Durability::Flushed;
    if (flushed && !Allowed(WriteStep::FlushFile)) return Fail(EIO);
    if (flushed && fsync(fd_) != 0) return Fail(errno);
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) return Fail(errno);
    if (!Allowed(WriteStep::Rename)) return Fail(EIO);
    if (!(replace ? rename(temp_.c_str(), target_.c_str()) == 0
                  : RenameNoReplace(temp_, target_))) {
        return Fail(errno);
    }
    temp_.clear();
    if (flushed && !FlushFolder(target_.parent_path())) {
        error_ = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) close(std::exchange(fd_, -1));
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, int mode,
                         int* error, Durability durability) {
    AtomicFile file;
    const bool ok = file.Begin(target, mode) && file.Write(bytes) && file.Commit(durability);
    if (error) *error = ok ? 0 : file.error();
    return ok;
}

int RemoveStaleTemporaries(const std::filesystem::path& target, int minimumAgeSeconds) {
    std::filesystem::path real;
    int linkError = 0;
    if (!FollowLinks(target, &real, &linkError)) return 0;
    const std::string prefix = "." + real.filename().string() + kTemporaryMark;
    const std::string suffix = ".tmp";
    const size_t randomLength = 6;
    const time_t now = time(nullptr);
    int removed = 0;
    std::error_code ec;
    const std::filesystem::path folder = real.parent_path().empty() ? "." : real.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + randomLength + suffix.size() ||
            name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        struct stat st {};
        if (lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < minimumAgeSeconds) continue;
        if (unlink(entry.path().c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace inkvista
