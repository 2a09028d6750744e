// The current-user registry root, kept in one Windows ".reg" text file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkvista {

constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

struct RegistryValue {
    uint32_t type = REG_SZ;
    std::vector<uint8_t> data;  // exact bytes; REG_SZ as UTF-16LE, as written
};

class Registry {
  public:
    // The file is read when a key is opened, so a change made by another
    // program between runs is seen; a missing file is an empty registry.
    explicit Registry(std::filesystem::path file);

    // Key paths are "\"-separated below the current-user root, with or without
    // a leading "\" ("\Software\Quillmark\InkVISTA"); compared without regard
    // to case.
    bool KeyExists(std::u16string_view key);
    // Opens the key, creating it (and its parents) when missing; `created`
    // tells which happened. False when the file cannot be written.
    bool CreateKey(std::u16string_view key, bool* created);
    bool DeleteKey(std::u16string_view key);

    std::optional<RegistryValue> GetValue(std::u16string_view key, std::u16string_view name);
    // Fails when the key does not exist. Writes the file atomically (temporary
    // file and rename), mode 0600.
    bool SetValue(std::u16string_view key, std::u16string_view name, const RegistryValue& value);
    bool DeleteValue(std::u16string_view key, std::u16string_view name);

    // Conveniences over Get/SetValue.
    bool SetString(std::u16string_view key, std::u16string_view name,
                   const std::vector<uint8_t>& utf16leBytes);
    bool SetDword(std::u16string_view key, std::u16string_view name, uint32_t value);
    std::optional<uint32_t> GetDword(std::u16string_view key, std::u16string_view name);

    const std::filesystem::path& file() const { return file_; }

  private:
    struct Key {
        std::u16string name;  // as first written
        std::map<std::u16string, std::pair<std::u16string, RegistryValue>> values;  // folded name
    };
    bool Load();
    bool Save();
    std::filesystem::path file_;
    std::map<std::u16string, Key> keys_;  // by folded full path
};

}  // namespace inkvista
