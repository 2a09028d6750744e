#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/Text.h"

namespace inkvista {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
// Far beyond anything this program stores; a larger file is not ours.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

std::u16string Fold(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

// "\A\\B\" -> "A\B"; empty components are dropped.
std::u16string NormaliseKey(std::u16string_view key) {
    std::u16string out;
    size_t i = 0;
    while (i < key.size()) {
        while (i < key.size() && key[i] == u'\\') ++i;
        size_t j = i;
        while (j < key.size() && key[j] != u'\\') ++j;
        if (j > i) {
            if (!out.empty()) out.push_back(u'\\');
            out.append(key.substr(i, j - i));
        }
        i = j;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* out) {
    out->clear();
    text = Trim(text);
    if (text.empty()) return true;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i + 2 > text.size()) return false;
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<uint8_t>(hi * 16 + lo));
        i += 2;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i == text.size()) return true;
        if (text[i] != ',') return false;
        ++i;
    }
}

// A quoted, backslash-escaped string at the start of `text`; `rest` receives
// what follows the closing quote.
bool ParseQuoted(std::string_view text, std::string* out, std::string_view* rest) {
    if (text.empty() || text[0] != '"') return false;
    out->clear();
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 >= text.size()) return false;
            const char n = text[++i];
            if (n == '\\' || n == '"') {
                out->push_back(n);
            } else if (n == 'n') {
                out->push_back('\n');
            } else if (n == '0') {
                out->push_back('\0');
            } else {
                out->push_back('\\');
                out->push_back(n);
            }
        } else if (c == '"') {
            *rest = text.substr(i + 1);
            return true;
        } else {
            out->push_back(c);
        }
    }
    return false;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// Parses the value part after '='. False for anything malformed.
bool ParseValue(std::string_view text, RegistryValue* value) {
    text = Trim(text);
    if (!text.empty() && text[0] == '"') {
        std::string s;
        std::string_view rest;
        if (!ParseQuoted(text, &s, &rest) || !Trim(rest).empty()) return false;
        const std::u16string wide = Utf8ToUtf16(s);
        value->type = REG_SZ;
        value->data.clear();
        for (char16_t c : wide) {
            value->data.push_back(static_cast<uint8_t>(c & 0xFF));
            value->data.push_back(static_cast<uint8_t>(c >> 8));
        }
        value->data.push_back(0);
        value->data.push_back(0);
        return true;
    }
    if (text.substr(0, 6) == "dword:") {
        const std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t v = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value->type = REG_DWORD;
        value->data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                       static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        return true;
    }
    if (text.substr(0, 4) == "hex:") {
        value->type = REG_BINARY;
        return ParseHexBytes(text.substr(4), &value->data);
    }
    if (text.substr(0, 4) == "hex(") {
        const size_t close = text.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        uint32_t type = 0;
        for (char c : text.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            type = type * 16 + static_cast<uint32_t>(d);
        }
        value->type = type;
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

void AppendHex(std::string& out, const std::vector<uint8_t>& data, size_t prefixLength) {
    static const char* digits = "0123456789abcdef";
    size_t column = prefixLength;
    for (size_t i = 0; i < data.size(); ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
        column += 3;
        if (i + 1 < data.size()) {
            out.push_back(',');
            // Wrapped as the system's editor does, so long values stay readable.
            if (column >= 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

}  // namespace

Registry::Registry(std::filesystem::path file) : file_(std::move(file)) {}

bool Registry::Load() {
    keys_.clear();
    const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT;  // a missing file is an empty registry
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) {
        close(fd);
        return false;
    }
    std::string text;
    text.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            // Half a registry saved back would lose every key after the error.
            close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(got);
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

    // Split into logical lines, joining hex continuations ("...,\" + newline).
    std::vector<std::string> lines;
    std::string current;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
        if (!current.empty()) {
            current.append(line);
        } else {
            current.assign(line);
        }
        if (!current.empty() && current.back() == '\\' &&
            current.find("=hex") != std::string::npos) {
            current.pop_back();
        } else {
            lines.push_back(std::move(current));
            current.clear();
        }
        pos = end + 1;
    }
    if (!current.empty()) lines.push_back(std::move(current));

    Key* key = nullptr;
    for (const std::string& raw : lines) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line[0] == ';' || line == kHeader) continue;
        if (line[0] == '[') {
            key = nullptr;
            const size_t close = line.rfind(']');
            if (close == std::string_view::npos) continue;
            const std::string_view path = line.substr(1, close - 1);
            if (path.substr(0, kRoot.size()) != kRoot) continue;  // other roots, deletions
            const std::string_view rest = path.substr(kRoot.size());
            if (!rest.empty() && rest[0] != '\\') continue;
            const std::u16string name = NormaliseKey(Utf8ToUtf16(rest));
            auto [it, inserted] = keys_.try_emplace(Fold(name));
            if (inserted) it->second.name = name;
            key = &it->second;
            continue;
        }
        if (key == nullptr) continue;
        std::string name;
        std::string_view rest;
        if (line[0] == '@') {
            rest = line.substr(1);
        } else if (!ParseQuoted(line, &name, &rest)) {
            continue;
        }
        rest = Trim(rest);
        if (rest.empty() || rest[0] != '=') continue;
        RegistryValue value;
        if (!ParseValue(rest.substr(1), &value)) continue;
        const std::u16string wideName = Utf8ToUtf16(name);
        key->values[Fold(wideName)] = {wideName, std::move(value)};
    }
    return true;
}

bool Registry::Save() {
    std::string text(kHeader);
    text += "\n\n";
    for (const auto& [folded, key] : keys_) {
        text += '[';
        text += kRoot;
        if (!key.name.empty()) {
            text += '\\';
            text += Utf16ToUtf8(key.name);
        }
        text += "]\n";
        for (const auto& [foldedName, entry] : key.values) {
            const auto& [name, value] = entry;
            std::string line = name.empty() ? std::string("@") : Quote(Utf16ToUtf8(name));
            line += '=';
            if (value.type == REG_DWORD && value.data.size() == 4) {
                char buf[16];
                const uint32_t v = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 |
                                   uint32_t(value.data[2]) << 16 | uint32_t(value.data[3]) << 24;
                std::snprintf(buf, sizeof buf, "dword:%08x", v);
                line += buf;
            } else {
                if (value.type == REG_BINARY) {
                    line += "hex:";
                } else {
                    char buf[24];
                    std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
                    line += buf;
                }
                AppendHex(line, value.data, line.size());
            }
            text += line;
            text += '\n';
        }
        text += '\n';
    }

    // Parent folders are private to the user, like the file.
    std::error_code ec;
    const std::filesystem::path parent = file_.parent_path();
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) {
        std::filesystem::path partial;
        for (const auto& part : parent) {
            partial /= part;
            if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
    }
    std::string temp = file_.string() + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0600) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), file_.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool Registry::KeyExists(std::u16string_view key) {
    const std::u16string name = NormaliseKey(key);
    if (!Load()) return false;
    return name.empty() || keys_.count(Fold(name)) != 0;
}

bool Registry::CreateKey(std::u16string_view key, bool* created) {
    if (created) *created = false;
    const std::u16string name = NormaliseKey(key);
    if (!Load()) return false;
    if (name.empty() || keys_.count(Fold(name))) return true;
    // The key and every missing parent, each spelt after the parents that
    // already exist.
    std::u16string spelt;
    size_t pos = 0;
    for (;;) {
        const size_t sep = name.find(u'\\', pos);
        const std::u16string part = name.substr(0, sep);
        const std::u16string leaf = name.substr(pos, sep == std::u16string::npos ? sep : sep - pos);
        auto [it, inserted] = keys_.try_emplace(Fold(part));
        if (inserted) it->second.name = spelt.empty() ? leaf : spelt + u"\\" + leaf;
        spelt = it->second.name;
        if (sep == std::u16string::npos) break;
        pos = sep + 1;
    }
    if (!Save()) return false;
    if (created) *created = true;
    return true;
}

bool Registry::DeleteKey(std::u16string_view key) {
    const std::u16string name = NormaliseKey(key);
    if (name.empty() || !Load()) return false;
    const std::u16string folded = Fold(name);
    if (!keys_.count(folded)) return false;
    const std::u16string prefix = folded + u"\\";
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == folded || it->first.compare(0, prefix.size(), prefix) == 0) {
            it = keys_.erase(it);
        } else {
            ++it;
        }
    }
    return Save();
}

std::optional<RegistryValue> Registry::GetValue(std::u16string_view key, std::u16string_view name) {
    if (!Load()) return std::nullopt;
    const auto k = keys_.find(Fold(NormaliseKey(key)));
    if (k == keys_.end()) return std::nullopt;
    const auto v = k->second.values.find(Fold(name));
    if (v == k->second.values.end()) return std::nullopt;
    return v->second.second;
}

bool Registry::SetValue(std::u16string_view key, std::u16string_view name,
                        const RegistryValue& value) {
    const std::u16string keyName = NormaliseKey(key);
    if (!Load()) return false;
    auto k = keys_.find(Fold(keyName));
    if (k == keys_.end()) {
        if (!keyName.empty()) return false;
        k = keys_.try_emplace(std::u16string()).first;  // the root always exists
    }
    // A value keeps the spelling of its name from when it was first set.
    auto [v, inserted] = k->second.values.try_emplace(Fold(name), std::u16string(name), value);
    if (!inserted) v->second.second = value;
    return Save();
}

bool Registry::DeleteValue(std::u16string_view key, std::u16string_view name) {
    if (!Load()) return false;
    const auto k = keys_.find(Fold(NormaliseKey(key)));
    if (k == keys_.end() || k->second.values.erase(Fold(name)) == 0) return false;
    return Save();
}

bool Registry::SetString(std::u16string_view key, std::u16string_view name,
                         const std::vector<uint8_t>& utf16leBytes) {
    RegistryValue value;
    value.type = REG_SZ;
    value.data = utf16leBytes;
    return SetValue(key, name, value);
}

bool Registry::SetDword(std::u16string_view key, std::u16string_view name, uint32_t value) {
    RegistryValue v;
    v.type = REG_DWORD;
    v.data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetValue(key, name, v);
}

std::optional<uint32_t> Registry::GetDword(std::u16string_view key, std::u16string_view name) {
    const auto v = GetValue(key, name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    return uint32_t(v->data[0]) | uint32_t(v->data[1]) << 8 | uint32_t(v->data[2]) << 16 |
           uint32_t(v->data[3]) << 24;
}

}  // namespace inkvista
