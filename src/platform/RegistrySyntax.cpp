#include "platform/RegistrySyntax.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/ByteOrder.h"

namespace inkvista::regsyntax {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

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

// Bytes a name may hold without escapes or decoding: ASCII but the quote and
// the backslash.
constexpr std::array<bool, 256> MakePlainTable() {
    std::array<bool, 256> t{};
    for (size_t c = 0; c < 0x80; ++c) t[c] = c != '"' && c != '\\';
    return t;
}
constexpr std::array<bool, 256> kPlainName = MakePlainTable();

bool ReadNumber(std::string_view digits, uint32_t* out) {
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

// Two-digit hex bytes separated by commas, spaces and tabs around them, as
// the lines of a value give them one after another.
class HexReader {
  public:
    explicit HexReader(std::vector<uint8_t>* out) : out_(out) {}

    bool Feed(std::string_view part) {
        const char* p = part.data();
        const char* const end = p + part.size();
        while (p < end) {
            if (state_ == State::Byte) p = Run(p, end);
            if (p < end && !Step(*p++)) return false;
        }
        return true;
    }

    // No bytes at all, or a last byte without a comma after it.
    bool Finish() const { return state_ == State::Comma || (state_ == State::Byte && !started_); }

  private:
    enum class State { Byte, SecondDigit, Comma };

    // The common case: "xx," after "xx," as long as it lasts.
    const char* Run(const char* p, const char* end) {
        const char* const start = p;
        if (out_) {
            while (end - p >= 3 && p[2] == ',' && (HexDigit(p[0]) | HexDigit(p[1])) >= 0) {
                out_->push_back(static_cast<uint8_t>(HexDigit(p[0]) << 4 | HexDigit(p[1])));
                p += 3;
            }
        } else {
            while (end - p >= 3 && p[2] == ',' && (HexDigit(p[0]) | HexDigit(p[1])) >= 0) p += 3;
        }
        started_ |= p != start;
        return p;
    }

    bool Step(char c) {
        const bool blank = c == ' ' || c == '\t';
        switch (state_) {
            case State::Byte:
                if (blank) return true;
                if (HexDigit(c) < 0) return false;
                high_ = HexDigit(c);
                state_ = State::SecondDigit;
                return true;
            case State::SecondDigit:
                if (HexDigit(c) < 0) return false;
                Emit(high_ << 4 | HexDigit(c));
                state_ = State::Comma;
                return true;
            case State::Comma:
                if (blank) return true;
                if (c != ',') return false;
                state_ = State::Byte;
                return true;
        }
        return false;
    }

    void Emit(int byte) {
        started_ = true;
        if (out_) out_->push_back(static_cast<uint8_t>(byte));
    }

    std::vector<uint8_t>* out_;
    State state_ = State::Byte;
    bool started_ = false;
    int high_ = 0;
};

// The bytes of a hex value: `text` holds them from the first line on, each
// line but the last ending in "\".
bool ReadHex(std::string_view text, std::vector<uint8_t>* out) {
    if (out) {
        out->clear();
        out->reserve(text.size() / 3 + 1);
    }
    HexReader reader(out);
    for (;;) {
        const size_t lf = text.find('\n');
        std::string_view line = Trim(text.substr(0, lf));
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\\') {
            line.remove_suffix(1);
        }
        if (!reader.Feed(line)) return false;
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return reader.Finish();
}

// A quoted text at the start of `text`, up to its closing quote; `rest`
// receives what follows. The escapes stay in.
bool SplitQuoted(std::string_view text, std::string_view* inside, std::string_view* rest) {
    if (text.empty() || text[0] != '"') return false;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            if (++i == text.size()) return false;
        } else if (text[i] == '"') {
            *inside = text.substr(1, i - 1);
            *rest = text.substr(i + 1);
            return true;
        }
    }
    return false;
}

// \\ \" \n \0 undone; an unknown escape stands for itself, backslash and all.
// Only ASCII comes or goes, so the result is UTF-8 exactly when the escaped
// text is.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char n = text[++i];
        if (n == '\\' || n == '"') {
            out.push_back(n);
        } else if (n == 'n') {
            out.push_back('\n');
        } else if (n == '0') {
            out.push_back('\0');
        } else {
            out.push_back('\\');
            out.push_back(n);
        }
    }
    return out;
}

void AppendQuotedName(std::string& out, std::u16string_view name) {
    std::string text;
    AppendText(text, name);
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

}  // namespace

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

void AppendText(std::string& out, std::u16string_view s) {
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

bool ReadText(std::string_view s, std::u16string* out) {
    size_t i = 0;
    if (out) {
        out->clear();
        out->reserve(s.size());
    } else {
        // Checking only: skip plain ASCII eight bytes at a time.
        uint64_t word;
        while (i + 8 <= s.size() &&
               (std::memcpy(&word, s.data() + i, 8), (word & 0x8080808080808080ull) == 0)) {
            i += 8;
        }
    }
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        if (b < 0x80) {
            if (out) out->push_back(b);
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
        if (out && c >= 0x10000) {
            out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else if (out) {
            out->push_back(static_cast<char16_t>(c));
        }
        i += extra + 1;
    }
    return true;
}

bool ToText(std::string& bytes, std::string* problem) {
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
            units[i] = LoadLE16(reinterpret_cast<const uint8_t*>(bytes.data()) + 2 + 2 * i);
        }
        std::string text;
        text.reserve(units.size());
        AppendText(text, units);
        bytes = std::move(text);
    }
    // Carriage returns at line ends go, in place.
    size_t out = bytes.find('\r');
    if (out == std::string::npos) return true;
    for (size_t i = out; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            while (out > 0 && bytes[out - 1] == '\r') --out;
        }
        bytes[out++] = bytes[i];
    }
    while (out > 0 && bytes[out - 1] == '\r') --out;
    bytes.resize(out);
    return true;
}

bool IsPlainNumberLine(std::string_view line) {
    constexpr std::string_view kDword = "\"=dword:";
    const size_t n = line.size();
    if (n < 2 + kDword.size() + 8 || line[0] != '"') return false;
    const size_t close = n - kDword.size() - 8;
    if (line.compare(close, kDword.size(), kDword) != 0) return false;
    bool plain = true;
    for (size_t i = 1; i < close; ++i) plain &= kPlainName[static_cast<uint8_t>(line[i])];
    const char* digits = line.data() + n - 8;
    int valid = 0;
    for (int i = 0; i < 8; ++i) valid |= HexDigit(digits[i]);
    return plain && valid >= 0;
}

const char* SplitValueLine(std::string_view line, ValueLine* out) {
    std::string_view rest;
    out->name = {};
    if (line.empty()) return "neither a key, a value nor a comment";
    if (line[0] == '@') {
        rest = line.substr(1);
    } else if (!SplitQuoted(line, &out->name, &rest)) {
        return "a value name without its closing quote";
    }
    rest = Trim(rest);
    if (rest.empty() || rest[0] != '=') return "a value name without '='";
    out->value = Trim(rest.substr(1));
    return nullptr;
}

bool GoesOn(std::string_view value) {
    return value.substr(0, 3) == "hex" && value.back() == '\\';
}

bool ReadName(std::string_view escaped, std::u16string* out) {
    if (!out) return ReadText(escaped, nullptr);
    return ReadText(Unescape(escaped), out);
}

bool ReadValue(std::string_view text, RegistryValue* out) {
    if (text.substr(0, 6) == "dword:") {
        uint32_t v = 0;
        if (!ReadNumber(text.substr(6), &v)) return false;
        if (out) {
            out->type = REG_DWORD;
            out->data.assign(4, 0);
            StoreLE32(out->data.data(), v);
        }
        return true;
    }
    if (text.substr(0, 4) == "hex:") {
        if (out) out->type = REG_BINARY;
        return ReadHex(text.substr(4), out ? &out->data : nullptr);
    }
    if (text.substr(0, 4) == "hex(") {
        const size_t close = text.substr(0, text.find('\n')).find("):");
        uint32_t type = 0;
        if (close == std::string_view::npos || !ReadNumber(text.substr(4, close - 4), &type)) {
            return false;
        }
        if (out) out->type = type;
        return ReadHex(text.substr(close + 2), out ? &out->data : nullptr);
    }
    if (!text.empty() && text[0] == '"') {
        std::string_view inside, rest;
        if (!SplitQuoted(text, &inside, &rest) || !Trim(rest).empty()) return false;
        if (!out) return ReadText(inside, nullptr);
        std::u16string wide;
        if (!ReadText(Unescape(inside), &wide)) return false;
        out->type = REG_SZ;
        out->data.assign(2 * wide.size() + 2, 0);
        for (size_t i = 0; i < wide.size(); ++i) StoreLE16(out->data.data() + 2 * i, wide[i]);
        return true;
    }
    return false;
}

void AppendKeyLine(std::string& out, std::u16string_view name) {
    out.push_back('[');
    out += kRoot;
    if (!name.empty()) {
        out.push_back('\\');
        AppendText(out, name);
    }
    out += "]\n";
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
        const uint32_t v = LoadLE32(value.data.data());
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

}  // namespace inkvista::regsyntax
