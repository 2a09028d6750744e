#include "platform/RegistryDocument.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/Text.h"

namespace inkvista {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

std::u16string Fold(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

// "\A\\B\" -> "A\B".
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

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// --- Text in the file ---------------------------------------------------------

void AppendCodePoint(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16 as UTF-8. An unpaired surrogate is written as the three bytes of
// its code point instead of being replaced, so every name survives.
void AppendFileText(std::string& out, std::u16string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
            ++i;
        }
        AppendCodePoint(out, c);
    }
}

// The inverse: UTF-8 with surrogate code points allowed; false for anything
// else (overlong forms, stray bytes, cut sequences).
bool FromFileText(std::string_view s, std::u16string* out) {
    out->clear();
    out->reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        if (b < 0x80) {
            out->push_back(b);
            ++i;
            continue;
        }
        size_t extra;
        uint32_t c, minimum;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1Fu, minimum = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0Fu, minimum = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const uint8_t n = static_cast<uint8_t>(s[i + k]);
            if ((n & 0xC0) != 0x80) return false;
            c = (c << 6) | (n & 0x3Fu);
        }
        if (c < minimum || c > 0x10FFFF) return false;
        if (c >= 0x10000) {
            out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(c));
        }
        i += extra + 1;
    }
    return true;
}

// The file image as UTF-8 text: a UTF-8 mark is dropped, UTF-16LE with its
// mark converted.
bool ToUtf8Text(std::string& bytes, std::string* problem) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bytes.erase(0, 3);
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFE\xFF") == 0) {
        *problem = "UTF-16 big-endian text is not read";
        return false;
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
        if (bytes.size() % 2 != 0) {
            *problem = "UTF-16 text cut in the middle of a character";
            return false;
        }
        std::u16string units((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 + 2 * i]) |
                                             static_cast<uint8_t>(bytes[3 + 2 * i]) << 8);
        }
        std::string text;
        text.reserve(units.size());
        AppendFileText(text, units);
        bytes = std::move(text);
    }
    return true;
}

// CR LF -> LF, in place.
void DropCarriageReturns(std::string& s) {
    size_t cr = s.find("\r\n");
    if (cr == std::string::npos) return;
    size_t out = cr;
    for (size_t i = cr; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        s[out++] = s[i];
    }
    s.resize(out);
}

// --- Values ----------------------------------------------------------------

constexpr std::array<int8_t, 256> MakeHexTable() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int c = 0; c < 10; ++c) t[static_cast<size_t>('0' + c)] = static_cast<int8_t>(c);
    for (int c = 0; c < 6; ++c) {
        t[static_cast<size_t>('a' + c)] = static_cast<int8_t>(10 + c);
        t[static_cast<size_t>('A' + c)] = static_cast<int8_t>(10 + c);
    }
    return t;
}
constexpr std::array<int8_t, 256> kHex = MakeHexTable();

int HexDigit(char c) {
    return kHex[static_cast<uint8_t>(c)];
}

// "41,00, 42" -> bytes; empty text is no bytes.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* out) {
    out->clear();
    text = Trim(text);
    if (text.empty()) return true;
    out->reserve(text.size() / 3 + 1);
    const char* p = text.data();
    const char* const end = p + text.size();
    for (;;) {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (end - p < 2) return false;
        const int hi = HexDigit(p[0]);
        const int lo = HexDigit(p[1]);
        if ((hi | lo) < 0) return false;
        out->push_back(static_cast<uint8_t>(hi << 4 | lo));
        p += 2;
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end) return true;
        if (*p++ != ',') return false;
    }
}

bool ParseHexNumber(std::string_view digits, uint32_t* out) {
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t v = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
}

// A quoted, backslash-escaped string at the start of `text`; `rest` receives
// what follows the closing quote. An unknown escape stands for itself,
// backslash included.
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

// The inverse of ParseQuoted for any name.
void AppendQuotedName(std::string& out, std::u16string_view name) {
    std::string text;
    AppendFileText(text, name);
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\0') {
            out += "\\0";
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

bool ParseValue(std::string_view text, RegistryValue* value) {
    if (!text.empty() && text[0] == '"') {
        std::string bytes;
        std::string_view rest;
        std::u16string wide;
        if (!ParseQuoted(text, &bytes, &rest) || !Trim(rest).empty() ||
            !FromFileText(bytes, &wide)) {
            return false;
        }
        value->type = REG_SZ;
        value->data.clear();
        value->data.reserve(2 * wide.size() + 2);
        for (char16_t c : wide) {
            value->data.push_back(static_cast<uint8_t>(c & 0xFF));
            value->data.push_back(static_cast<uint8_t>(c >> 8));
        }
        value->data.insert(value->data.end(), {0, 0});
        return true;
    }
    if (text.substr(0, 6) == "dword:") {
        uint32_t v = 0;
        if (!ParseHexNumber(text.substr(6), &v)) return false;
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
        if (close == std::string_view::npos ||
            !ParseHexNumber(text.substr(4, close - 4), &value->type)) {
            return false;
        }
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

void AppendHex(std::string& out, const std::vector<uint8_t>& data, size_t column) {
    static const char* digits = "0123456789abcdef";
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

void AppendValueLine(std::string& out, std::u16string_view name, const RegistryValue& value) {
    const size_t start = out.size();
    if (name.empty()) {
        out.push_back('@');
    } else {
        AppendQuotedName(out, name);
    }
    out.push_back('=');
    char buf[24];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const uint32_t v = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 |
                           uint32_t(value.data[2]) << 16 | uint32_t(value.data[3]) << 24;
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        out += buf;
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
            out += buf;
        }
        AppendHex(out, value.data, out.size() - start);
    }
    out.push_back('\n');
}

void AppendKeyLine(std::string& out, std::u16string_view name) {
    out.push_back('[');
    out += kRoot;
    if (!name.empty()) {
        out.push_back('\\');
        AppendFileText(out, name);
    }
    out += "]\n";
}

}  // namespace

// --- Parsing ------------------------------------------------------------------

// One pass over the lines of a document's source, filling its items and keys.
class RegistryParser {
  public:
    RegistryParser(RegistryDocument& doc, std::string* problem)
        : doc_(doc), text_(doc.source_), problem_(problem) {}

    bool Run() {
        std::string_view line;
        size_t begin = 0, end = 0;
        if (!NextLine(&line, &begin, &end) || Trim(line) != kHeader) {
            *problem_ = "not a registry file: it does not start with the line \"";
            *problem_ += kHeader;
            *problem_ += '"';
            return false;
        }
        while (NextLine(&line, &begin, &end)) {
            firstLine_ = lineNumber_;
            const std::string_view t = Trim(line);
            if (t.empty()) {
                Add(section_ == Section::Ours ? Kind::KeyBlank : Kind::Text, begin, end);
            } else if (t[0] == ';') {
                Add(Kind::Text, begin, end);
            } else if (t[0] == '[') {
                if (!KeyLine(t, begin, end)) return false;
            } else if (t[0] == '"' || t[0] == '@') {
                if (!ValueLine(t, begin, end)) return false;
            } else {
                return Fail("neither a key, a value nor a comment");
            }
        }
        return true;
    }

  private:
    using Kind = RegistryDocument::ItemKind;
    enum class Section { None, Ours, Other };

    bool NextLine(std::string_view* line, size_t* begin, size_t* end) {
        if (pos_ >= text_.size()) return false;
        const size_t lf = text_.find('\n', pos_);
        *begin = pos_;
        *end = lf == std::string_view::npos ? text_.size() : lf;
        *line = text_.substr(*begin, *end - *begin);
        pos_ = *end + 1;
        ++lineNumber_;
        return true;
    }

    bool Fail(const char* what) {
        *problem_ = "not a registry file: line " + std::to_string(firstLine_) + ": " + what;
        return false;
    }

    void Add(Kind kind, size_t begin, size_t end) {
        std::vector<RegistryDocument::Item>& items = doc_.items_;
        const uint32_t key = kind == Kind::Text ? 0 : path_;
        // Kept and blank lines in a row are one item.
        if ((kind == Kind::Text || kind == Kind::KeyBlank) && !items.empty() &&
            items.back().kind == kind && items.back().key == key && items.back().end + 1 == begin) {
            items.back().end = static_cast<uint32_t>(end);
            return;
        }
        items.push_back({static_cast<uint32_t>(begin), static_cast<uint32_t>(end), key, kind});
    }

    bool KeyLine(std::string_view t, size_t begin, size_t end) {
        if (t.back() != ']' || t.size() < 2) return Fail("a key line without its closing ']'");
        const std::string_view inner = t.substr(1, t.size() - 2);
        const size_t sep = inner.find('\\');
        if (!EqualsAsciiNoCase(inner.substr(0, sep), kRoot)) {
            // Other roots and "[-…]" deletions are kept, not used.
            section_ = Section::Other;
            Add(Kind::Text, begin, end);
            return true;
        }
        std::u16string path;
        if (sep != std::string_view::npos && !FromFileText(inner.substr(sep), &path)) {
            return Fail("a key name that is not UTF-8");
        }
        const std::u16string name = NormaliseKey(path);
        auto [it, inserted] = doc_.keys_.try_emplace(Fold(name));
        if (inserted) {
            it->second.name = name;
            it->second.path = static_cast<uint32_t>(doc_.keyPaths_.size());
            doc_.keyPaths_.push_back(it->first);
        }
        key_ = &it->second;
        path_ = it->second.path;
        section_ = Section::Ours;
        Add(Kind::KeyHeader, begin, end);
        return true;
    }

    // A hex value ending in "\" goes on over the next lines; `value` then
    // views the joined text and `end` moves to the last line.
    bool JoinContinuation(std::string_view* value, size_t* end) {
        joined_.assign(value->substr(0, value->size() - 1));
        for (;;) {
            std::string_view next;
            size_t begin = 0;
            if (!NextLine(&next, &begin, end)) return Fail("a value that goes on past the end");
            next = Trim(next);
            if (next.empty() || next.back() != '\\') {
                joined_.append(next);
                break;
            }
            joined_.append(next.substr(0, next.size() - 1));
        }
        *value = joined_;
        return true;
    }

    bool ValueLine(std::string_view t, size_t begin, size_t end) {
        if (section_ == Section::None) return Fail("a value outside any key");
        std::string rawName;
        std::string_view rest;
        if (t[0] == '@') {
            rest = t.substr(1);
        } else if (!ParseQuoted(t, &rawName, &rest)) {
            return Fail("a value name without its closing quote");
        }
        rest = Trim(rest);
        if (rest.empty() || rest[0] != '=') return Fail("a value name without '='");
        std::string_view value = Trim(rest.substr(1));
        if (value.substr(0, 3) == "hex" && value.back() == '\\' &&
            !JoinContinuation(&value, &end)) {
            return false;
        }
        if (section_ == Section::Other) {
            Add(Kind::Text, begin, end);
            return true;
        }
        std::u16string name;
        if (!FromFileText(rawName, &name)) return Fail("a value name that is not UTF-8");
        RegistryDocument::Key& key = *key_;
        std::u16string folded = Fold(name);
        if (value == "-") {
            key.values.erase(folded);
            Add(Kind::KeyDelete, begin, end);
            return true;
        }
        RegistryValue parsed;
        if (!ParseValue(value, &parsed)) return Fail("a value that cannot be read");
        RegistryDocument::Value& v = key.values[folded];
        v.name = std::move(name);
        v.value = std::move(parsed);
        v.item = doc_.items_.size();
        v.changed = false;
        Add(Kind::Value, begin, end);
        return true;
    }

    RegistryDocument& doc_;
    std::string_view text_;
    std::string* problem_;
    size_t pos_ = 0;
    int lineNumber_ = 0;
    int firstLine_ = 0;
    Section section_ = Section::None;
    RegistryDocument::Key* key_ = nullptr;  // the key being read
    uint32_t path_ = 0;                     // its index in keyPaths_
    std::string joined_;
};

void RegistryDocument::Clear() {
    source_.clear();
    items_.clear();
    keyPaths_.clear();
    keys_.clear();
}

bool RegistryDocument::Parse(std::string bytes, std::string* problem) {
    Clear();
    if (bytes.empty()) return true;  // nothing to lose: an empty registry
    if (!ToUtf8Text(bytes, problem)) return false;
    source_ = std::move(bytes);
    DropCarriageReturns(source_);
    if (!RegistryParser(*this, problem).Run()) {
        Clear();
        return false;
    }
    return true;
}

// --- Writing ------------------------------------------------------------------

void RegistryDocument::AppendSource(std::string& out, const Item& item) const {
    out.append(source_, item.begin, item.end - item.begin);
    out += '\n';
}

void RegistryDocument::AppendNewValues(std::string& out, const Key& key) const {
    for (const auto& [folded, value] : key.values) {
        if (value.item == kNotRead) AppendValueLine(out, value.name, value.value);
    }
}

std::string RegistryDocument::Serialize() const {
    std::string out;
    out.reserve(source_.size() + 1024);
    out += kHeader;
    out += '\n';
    // The keys of the lines read, where they still exist, and their values
    // by the line they came from.
    std::vector<const Key*> keyOf(keyPaths_.size(), nullptr);
    std::vector<const Value*> valueAt(items_.size(), nullptr);
    for (uint32_t path = 0; path < keyPaths_.size(); ++path) {
        const auto k = keys_.find(keyPaths_[path]);
        if (k == keys_.end() || k->second.path != path) continue;
        keyOf[path] = &k->second;
        for (const auto& entry : k->second.values) {
            if (entry.second.item != kNotRead) valueAt[entry.second.item] = &entry.second;
        }
    }
    // Values the file did not have go after the last line of their key.
    std::vector<size_t> lastOf(keyPaths_.size(), kNotRead);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kind != ItemKind::Text && items_[i].kind != ItemKind::KeyBlank) {
            lastOf[items_[i].key] = i;
        }
    }

    for (size_t i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        if (item.kind == ItemKind::Text) {
            AppendSource(out, item);
            continue;
        }
        const Key* key = keyOf[item.key];
        if (!key) continue;  // deleted with its lines
        if (item.kind != ItemKind::Value) {
            AppendSource(out, item);
        } else if (const Value* v = valueAt[i]; v && v->changed) {
            AppendValueLine(out, v->name, v->value);
        } else if (v) {
            AppendSource(out, item);
        }
        if (lastOf[item.key] == i) AppendNewValues(out, *key);
    }
    // Keys the file did not have, each followed by a blank line.
    for (const auto& [folded, key] : keys_) {
        if (key.path != kNoPath && lastOf[key.path] != kNotRead) continue;
        if (out.size() < 2 || out.compare(out.size() - 2, 2, "\n\n") != 0) out += '\n';
        AppendKeyLine(out, key.name);
        AppendNewValues(out, key);
        out += '\n';
    }
    return out;
}

// --- Keys and values ------------------------------------------------------------

bool RegistryDocument::KeyExists(std::u16string_view key) const {
    const std::u16string name = NormaliseKey(key);
    return name.empty() || keys_.count(Fold(name)) != 0;
}

bool RegistryDocument::CreateKey(std::u16string_view key, bool* created) {
    if (created) *created = false;
    const std::u16string name = NormaliseKey(key);
    if (name.find_first_of(std::u16string_view(u"\n\r\0", 3)) != std::u16string::npos) return false;
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
    if (created) *created = true;
    return true;
}

bool RegistryDocument::DeleteKey(std::u16string_view key) {
    const std::u16string name = NormaliseKey(key);
    if (name.empty()) return false;
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
    return true;
}

const RegistryValue* RegistryDocument::GetValue(std::u16string_view key,
                                                std::u16string_view name) const {
    const auto k = keys_.find(Fold(NormaliseKey(key)));
    if (k == keys_.end()) return nullptr;
    const auto v = k->second.values.find(Fold(name));
    return v == k->second.values.end() ? nullptr : &v->second.value;
}

bool RegistryDocument::SetValue(std::u16string_view key, std::u16string_view name,
                                const RegistryValue& value) {
    const std::u16string keyName = NormaliseKey(key);
    auto k = keys_.find(Fold(keyName));
    if (k == keys_.end()) {
        if (!keyName.empty()) return false;
        k = keys_.try_emplace(std::u16string()).first;  // the root always exists
    }
    auto [v, inserted] = k->second.values.try_emplace(Fold(name));
    if (inserted) v->second.name = std::u16string(name);
    if (inserted || v->second.value != value) {
        v->second.value = value;
        v->second.changed = true;
    }
    return true;
}

bool RegistryDocument::DeleteValue(std::u16string_view key, std::u16string_view name) {
    const auto k = keys_.find(Fold(NormaliseKey(key)));
    return k != keys_.end() && k->second.values.erase(Fold(name)) != 0;
}

bool RegistryDocument::SameContent(const RegistryDocument& other) const {
    if (keys_.size() != other.keys_.size()) return false;
    for (auto a = keys_.begin(), b = other.keys_.begin(); a != keys_.end(); ++a, ++b) {
        if (a->first != b->first || a->second.name != b->second.name ||
            a->second.values.size() != b->second.values.size()) {
            return false;
        }
        for (auto x = a->second.values.begin(), y = b->second.values.begin();
             x != a->second.values.end(); ++x, ++y) {
            if (x->first != y->first || x->second.name != y->second.name ||
                x->second.value != y->second.value) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace inkvista
