// The current-user registry root, kept in one Windows ".reg" text file (the
// format read and written is described in RegistryDocument.h).
//
// The file:
// - A missing file is an empty registry; the first change creates it (and
//   its folders, private to the user) with mode 0600.
// - Anything else must be a regular file of at most 16 MiB that parses as a
//   registry file; otherwise every call fails and the file is never written.
//   CheckFile tells why, for the launcher to refuse to start.
// - A symbolic link is followed: its target is replaced, in its own folder.
// - Every change replaces the file atomically (AtomicFile) with mode 0600;
//   a change that would make the file larger than 16 MiB, the most it may
//   hold, fails and changes nothing.
// - A read-only file (no owner write permission, or one the system will not
//   let us write) is used read-only: changes are kept in memory for the rest
//   of the run, and one line on standard error says they cannot be saved.
// - Temporaries a crashed run left beside the file are removed when it is
//   first read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryDocument.h"

namespace inkvista {

class Registry {
  public:
    // The file is read again by every call, so a change made by another
    // program meanwhile is seen (unless changes are held in memory).
    explicit Registry(std::filesystem::path file);

    // Whether the file can serve as the registry; when not, `problem` says
    // why, naming the file ("FILE: not a regular file").
    bool CheckFile(std::string* problem);

    // Key paths are "\"-separated below the current-user root, with or without
    // a leading "\" ("\Software\Quillmark\InkVISTA"); compared without regard
    // to case.
    bool KeyExists(std::u16string_view key);
    // Opens the key, creating it (and its parents) when missing; `created`
    // tells which happened. False when the file cannot be used or written,
    // or the name cannot be stored (line breaks, zero units).
    bool CreateKey(std::u16string_view key, bool* created);
    bool DeleteKey(std::u16string_view key);

    std::optional<RegistryValue> GetValue(std::u16string_view key, std::u16string_view name);
    // Fails when the key does not exist. Any name and any bytes load back
    // exactly as they were set.
    bool SetValue(std::u16string_view key, std::u16string_view name, const RegistryValue& value);
    bool DeleteValue(std::u16string_view key, std::u16string_view name);

    // Conveniences over Get/SetValue.
    bool SetString(std::u16string_view key, std::u16string_view name,
                   const std::vector<uint8_t>& utf16leBytes);
    bool SetDword(std::u16string_view key, std::u16string_view name, uint32_t value);
    std::optional<uint32_t> GetDword(std::u16string_view key, std::u16string_view name);
    // A REG_SZ value as text: its UTF-16LE units up to the first zero unit,
    // at most `maxUnits` of them (a longer text is cut). Nothing when the
    // value is missing, not REG_SZ, or holds more than `maxBytes` bytes.
    std::optional<std::u16string> GetString(std::u16string_view key, std::u16string_view name,
                                            size_t maxUnits, size_t maxBytes = SIZE_MAX);

    const std::filesystem::path& file() const { return file_; }
    // Whether changes are held in memory because the file is read-only.
    bool readOnly() const { return readOnly_; }

  private:
    bool Load();
    bool ReadFile(std::string* bytes, bool* exists);
    // Saves the document after a change; on failure the change is undone.
    bool Store(RegistryDocument* before);
    bool Save(const std::string& text);
    void RemoveLeftovers();

    std::filesystem::path file_;
    RegistryDocument doc_;
    std::string problem_;
    bool readOnly_ = false;
    bool heldInMemory_ = false;  // changes not in the file: read it no more
    bool warned_ = false;
    bool cleaned_ = false;
};

}  // namespace inkvista
