// Replacing a file's content so that no crash, full disk or failed call can
// leave a mix of old and new: the new content goes to a unique temporary in
// the target's own folder, is flushed to disk, renamed over the target, and
// the folder is flushed so the rename itself survives a power cut.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>

namespace inkvista {

// The steps of a replacement, in the order they happen.
enum class WriteStep {
    CreateTemporary,  // O_EXCL in the target's folder
    Write,            // each chunk handed to AtomicFile::Write
    FlushFile,        // fsync of the temporary
    Rename,           // over the target
    FlushFolder,      // fsync of the target's folder
};

// Fault injection for tests: when set, the hook is asked before each step
// and a false answer makes that step fail (ENOSPC for Write, EIO otherwise)
// exactly as if the system had refused it. Process-wide; set it only in
// tests and clear it with an empty function.
using WriteFaultHook = std::function<bool(WriteStep)>;
void SetWriteFaultHook(WriteFaultHook hook);

// How far a replacement is seen through. Flushed: the file and its folder
// reach the disk, so that a power cut after it leaves the new content; for
// everything a person keeps. Renamed: only renamed into place, for outputs
// that are made again rather than kept (a script's shots and state files):
// no crash ever leaves a mix either, but a power cut soon after may leave
// the old file or an empty one.
enum class Durability { Flushed, Renamed };

// Keep the permission bits the target has now (a new target gets 0666 less
// the umask, as open(2) would give it).
constexpr int kKeepMode = -1;

// One replacement in progress. Move-only; a replacement that is neither
// committed nor succeeded is abandoned by the destructor, which removes the
// temporary and leaves the target as it was.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // Starts replacing `target`. A symbolic link at `target` is followed (to
    // its final target, which is replaced in its own folder; the link
    // stays). `mode` is the new file's permission bits, or kKeepMode. The
    // new file takes over the target's extended attributes of the user
    // namespace (where Samba and Wine keep hidden and archive), as writing
    // in place would have kept them. False
    // (with error() set) when the temporary cannot be made: a missing or
    // read-only folder, a target that is a folder or not a regular file.
    bool Begin(const std::filesystem::path& target, int mode = kKeepMode);

    bool IsOpen() const { return fd_ >= 0; }
    // Appends to the temporary. After a failure every later call fails too.
    bool Write(const void* data, size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Flushes, renames over the target and flushes the folder. On failure the
    // temporary is gone and the target untouched (a failed folder flush comes
    // after the rename: the new content is in place but may not survive a
    // power cut, which is still reported).
    bool Commit(Durability durability = Durability::Flushed);
    // Commit for a file that must not exist yet: fails with EEXIST, leaving
    // the file that appeared meanwhile alone.
    bool CommitNew();
    // Removes the temporary; the target stays as it was.
    void Abandon();

    // errno of the first failure, 0 when none.
    int error() const { return error_; }
    // The file that is (or will be) replaced: `target` with links followed.
    const std::filesystem::path& target() const { return target_; }
    // The temporary being written (empty when none).
    const std::filesystem::path& temporary() const { return temp_; }

  private:
    bool Fail(int error);
    bool Finish(bool replace, Durability durability);
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    int error_ = 0;
};

// Replaces `target` with `bytes` in one step; `error` (optional) receives the
// errno of a failure.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         int mode = kKeepMode, int* error = nullptr,
                         Durability durability = Durability::Flushed);

// The temporaries of `target` that a killed program left behind (names
// ".NAME.inkvista-XXXXXX.tmp" beside it), removed when they are older than
// `minimumAgeSeconds` so a replacement running in another process right now
// is left alone. Answers how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& target, int minimumAgeSeconds = 600);

}  // namespace inkvista
