// The text of the registry file: a Windows ".reg" file for the current-user
// root, parsed into keys and values and written back without losing what it
// held.
//
// Read:
// - UTF-8, with or without a byte-order mark, or UTF-16LE with its mark (as
//   the system's registry editor exports); lines end in LF or CRLF.
// - The first line is "Windows Registry Editor Version 5.00"; without it the
//   file is not a registry file.
// - "[HKEY_CURRENT_USER\A\B]" starts key A\B (the root's name and key names
//   without regard to case). A key may appear more than once; its values are
//   merged, a later line winning. A key exists only where a line names it.
// - In a key, `"NAME"=VALUE` or `@=VALUE` (the key's default value), VALUE
//   being `"text"` (REG_SZ; escapes \\ \" \n \0), `dword:` and one to eight
//   hex digits (REG_DWORD), `hex:` (REG_BINARY) or `hex(T):` (type T, hex)
//   and two-digit hex bytes separated by commas. A hex value goes on over
//   the next lines while a line ends in "\". `"NAME"=-` deletes the value
//   read before it.
// Kept as they are and written back in their place, though not used:
// comments (";"), blank lines, keys of other roots and "[-…]" deletions with
// every line under them, and `"NAME"=-` lines.
// An empty file is an empty registry. Refused: a file without the first
// line, any other line, a value outside a key or one of ours that cannot be
// read, a name that is not UTF-8, UTF-16 without the little-endian mark or
// of odd length.
//
// Written: UTF-8 without a mark, LF line ends. Lines that were read go back
// unchanged except a value line that a later line replaced; a value the
// program set is written as `dword:` (REG_DWORD of 4 bytes), `hex:`
// (REG_BINARY) or `hex(T):` (any other type; a REG_SZ keeps its exact bytes,
// terminator and all), hex lines wrapped after about 76 columns. Value names
// are quoted with \\ \" \n and \0, so any name, unpaired surrogates too,
// loads back as it was set. Key names cannot hold line breaks or zero units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
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
    bool operator==(const RegistryValue&) const = default;
};

class RegistryDocument {
  public:
    // Replaces the content with the file image `bytes`. False, with the
    // content empty and `problem` set ("line 7: …"), when it is not a
    // registry file.
    bool Parse(std::string bytes, std::string* problem);
    // The file image.
    std::string Serialize() const;
    void Clear();

    // Key paths are "\"-separated below the root, with or without a leading
    // "\"; empty components are dropped. The root itself always exists.
    bool KeyExists(std::u16string_view key) const;
    // The key and its missing parents. False for a name a key line cannot
    // hold (line breaks, zero units).
    bool CreateKey(std::u16string_view key, bool* created);
    // The key and its subkeys; false when it does not exist.
    bool DeleteKey(std::u16string_view key);

    const RegistryValue* GetValue(std::u16string_view key, std::u16string_view name) const;
    // False when the key does not exist. A value keeps the spelling of its
    // name from when it was first set.
    bool SetValue(std::u16string_view key, std::u16string_view name, const RegistryValue& value);
    bool DeleteValue(std::u16string_view key, std::u16string_view name);

    // Same keys and values, names spelt alike.
    bool SameContent(const RegistryDocument& other) const;

  private:
    enum class ItemKind : uint8_t {
        Text,       // kept as it is: comments, other roots, deletions
        KeyBlank,   // a blank line inside one of our keys
        KeyHeader,  // "[HKEY_CURRENT_USER\…]"
        Value,      // a value line of one of our keys
        KeyDelete,  // `"NAME"=-` inside one of our keys
    };
    // One line of the file (a hex value: several; blank and kept lines: a
    // run of them), in order. Small, as a file may have millions.
    struct Item {
        uint32_t begin, end;  // in source_
        uint32_t key;         // in keyPaths_; not for Text
        ItemKind kind;
    };
    static constexpr size_t kNotRead = static_cast<size_t>(-1);
    static constexpr uint32_t kNoPath = static_cast<uint32_t>(-1);
    struct Value {
        std::u16string name;  // as spelt
        RegistryValue value;
        size_t item = kNotRead;  // the line it came from
        bool changed = false;    // since it was read
    };
    struct Key {
        std::u16string name;                     // as first spelt
        uint32_t path = kNoPath;                 // in keyPaths_, when it came from the file
        uint32_t first = 0;                      // its first item in the file
        bool read = true;                        // `values` holds what its lines say
        std::map<std::u16string, Value> values;  // by folded name
    };

    friend class RegistryParser;
    // Decodes the values of a key from its lines, the first time it is used.
    Key& Read(Key& key) const;
    Key* Find(std::u16string_view key) const;
    void AppendNewValues(std::string& out, const Key& key) const;
    void AppendSource(std::string& out, const Item& item) const;

    std::string source_;  // the text read, LF line ends
    std::vector<Item> items_;
    std::vector<std::u16string> keyPaths_;  // folded, of the key lines read
    // By folded path. Decoding a key's values does not change the document,
    // so it is done on demand even by const calls.
    mutable std::map<std::u16string, Key> keys_;
};

}  // namespace inkvista
