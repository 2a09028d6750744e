// The device's file services on the host file system. Every call takes device
// paths, resolves them through the PathMapper, and reports failure Win32-style:
// an invalid result plus LastError().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PathMapper.h"
#include "platform/Win32.h"

namespace inkvista {

class AtomicFile;

enum class FileAccess { Read, Write, ReadWrite };

enum class FileCreation {
    OpenExisting,      // fails with ERROR_FILE_NOT_FOUND (2) / ERROR_PATH_NOT_FOUND (3)
    CreateNew,         // fails with ERROR_FILE_EXISTS (80) when it exists
    CreateAlways,      // creates or truncates
    TruncateExisting,  // must exist; truncated to 0
};

// An open file. Closes itself; never outlives the call that opened it.
class File {
  public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool IsOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return IsOpen(); }

    // Reads up to `count` bytes; `got` receives how many were read (fewer at
    // the end of the file, which is not a failure, as on the device).
    bool Read(void* buffer, uint32_t count, uint32_t* got);
    // Reads exactly `count` bytes or fails.
    bool ReadExact(void* buffer, uint32_t count);
    bool Write(const void* buffer, uint32_t count, uint32_t* written = nullptr);
    bool Seek(uint64_t offset);
    bool Skip(int64_t delta);
    uint64_t Position() const;
    uint64_t Size() const;
    void Close();

  private:
    friend class FileSystem;
    friend class FolderFiles;
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

struct FindData {
    std::u16string name;  // file name only
    uint32_t attributes = 0;
    uint32_t sizeLow = 0;  // low 32 bits of the size
    bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// A directory search in progress: the matches of one pattern, listed at
// FindFirst in case-insensitive name order.
class FindHandle {
  public:
    bool IsValid() const { return valid_; }
    explicit operator bool() const { return valid_; }
    void Close() {
        valid_ = false;
        entries_.clear();
    }

  private:
    friend class FileSystem;
    bool valid_ = false;
    std::vector<FindData> entries_;
    size_t next_ = 0;
};

// What a search lists: every entry, or only folders (FindFirstFileEx with
// the search limited to directories). Limited to folders, a search does not
// ask for the status of entries the folder listing shows to be files, so a
// folder of many files is searched quickly.
enum class FindScope { AllEntries, FoldersOnly };

class FileSystem {
  public:
    explicit FileSystem(PathMapper mapper);

    // Read access shares reading with others; the desktop has no locks, so
    // "no sharing" is recorded but not enforced.
    File Open(std::u16string_view path, FileAccess access, FileCreation creation,
              uint32_t attributes = FILE_ATTRIBUTE_NORMAL);

    // `pattern` is a device path whose last component may hold `*` and `?`
    // ("\My Documents\InkVISTA\*.cmb", "\*.*", or an exact path). On success
    // `out` holds the first match. On failure: ERROR_FILE_NOT_FOUND when the
    // folder exists but nothing matches, ERROR_NO_MORE_FILES when the folder
    // holds no entries at all, ERROR_PATH_NOT_FOUND when the folder does not
    // exist. "*.*" matches names without a dot too, as on the device. "." and
    // ".." are never listed; a listing of "\" holds the mounts beside the
    // root's own entries (a mount hides a root entry of the same name).
    // FoldersOnly lists only the matching folders; it still fails with
    // ERROR_NO_MORE_FILES only when the folder holds no entries at all, and
    // with ERROR_FILE_NOT_FOUND when it holds entries but no matching folder.
    FindHandle FindFirst(std::u16string_view pattern, FindData* out,
                         FindScope scope = FindScope::AllEntries);
    // False with ERROR_NO_MORE_FILES (18) after the last match.
    bool FindNext(FindHandle& handle, FindData* out);

    // INVALID_FILE_ATTRIBUTES when the path does not exist.
    uint32_t GetAttributes(std::u16string_view path);
    // Exactly FILE_ATTRIBUTE_NORMAL clears hidden, archive and read-only;
    // exactly FILE_ATTRIBUTE_HIDDEN leaves hidden alone set.
    bool SetAttributes(std::u16string_view path, uint32_t attributes);

    // Starts replacing the file at `path` through `file` (AtomicFile: the new
    // content goes to a temporary beside it and is renamed over the file on
    // Commit). Refused where writing in place is refused: ERROR_ACCESS_DENIED
    // for a read-only file (no owner write bit, whoever runs the program),
    // for a folder or anything but a regular file at `path`, and for a
    // read-only folder; ERROR_PATH_NOT_FOUND when the folder does not exist.
    // A missing file is made new. The file keeps its permission bits.
    bool BeginReplace(std::u16string_view path, AtomicFile& file);
    // Whether BeginReplace would start, without starting it (LastError as it
    // would set it).
    bool CanReplace(std::u16string_view path);

    bool DeleteFile(std::u16string_view path);
    bool CreateDirectory(std::u16string_view path);
    bool Exists(std::u16string_view path);

    // The error of the last failed call on this thread (Win32 GetLastError).
    uint32_t LastError() const;
    void SetLastError(uint32_t error);

    PathMapper& mapper() { return mapper_; }
    const PathMapper& mapper() const { return mapper_; }

  private:
    PathMapper mapper_;
};

}  // namespace inkvista
