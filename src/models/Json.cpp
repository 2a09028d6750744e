#include "models/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <system_error>

#include "platform/Text.h"

namespace inkvista {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendEscapedUnit(std::string& out, char16_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Quotes, backslashes and control characters escaped; everything else as
// UTF-8, except a surrogate without its partner, which has no UTF-8 form and
// is written as its escape.
void AppendString(std::string& out, std::u16string_view text) {
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            static constexpr std::pair<char16_t, char> kShort[] = {
                {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
            const auto it = std::find_if(std::begin(kShort), std::end(kShort),
                                         [u](const auto& e) { return e.first == u; });
            if (it != std::end(kShort)) {
                out += '\\';
                out += it->second;
            } else {
                AppendEscapedUnit(out, u);
            }
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            AppendEscapedUnit(out, u);
        } else {
            AppendUtf8(out, u);
        }
    }
    out += '"';
}

void AppendReal(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general);
    if (result.ec != std::errc()) {
        out += "null";
        return;
    }
    out.append(text, result.ptr);
}

void Indent(std::string& out, int depth) {
    out.append(static_cast<size_t>(depth) * 4, ' ');
}

}  // namespace

JsonValue::JsonValue(std::string_view text) : kind_(Kind::String), text_(Utf8ToUtf16(text)) {}

JsonValue JsonValue::Array() {
    JsonValue value;
    value.kind_ = Kind::Array;
    return value;
}

JsonValue JsonValue::Object() {
    JsonValue value;
    value.kind_ = Kind::Object;
    return value;
}

JsonValue& JsonValue::Append(JsonValue item) {
    if (kind_ == Kind::Null) kind_ = Kind::Array;
    items_.push_back(std::move(item));
    return items_.back();
}

JsonValue& JsonValue::operator[](std::string_view key) {
    if (kind_ == Kind::Null) kind_ = Kind::Object;
    auto it = std::find_if(members_.begin(), members_.end(),
                           [key](const auto& member) { return member.first >= key; });
    if (it == members_.end() || it->first != key) {
        it = members_.emplace(it, std::string(key), JsonValue());
    }
    return it->second;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    auto it = std::find_if(members_.begin(), members_.end(),
                           [key](const auto& member) { return member.first >= key; });
    return it != members_.end() && it->first == key ? &it->second : nullptr;
}

std::string JsonValue::ToText() const {
    std::string out;
    Write(out, 0);
    out += '\n';
    return out;
}

void JsonValue::Write(std::string& out, int depth) const {
    switch (kind_) {
        case Kind::Null:
            out += "null";
            return;
        case Kind::Bool:
            out += bool_ ? "true" : "false";
            return;
        case Kind::Number:
            if (isReal_) {
                AppendReal(out, real_);
            } else {
                out += std::to_string(number_);
            }
            return;
        case Kind::String:
            AppendString(out, text_);
            return;
        case Kind::Array:
            out += "[\n";
            for (auto it = items_.begin(); it != items_.end(); ++it) {
                Indent(out, depth + 1);
                it->Write(out, depth + 1);
                out += std::next(it) != items_.end() ? ",\n" : "\n";
            }
            Indent(out, depth);
            out += ']';
            return;
        case Kind::Object:
            out += "{\n";
            for (auto it = members_.begin(); it != members_.end(); ++it) {
                Indent(out, depth + 1);
                AppendString(out, Utf8ToUtf16(it->first));
                out += ": ";
                it->second.Write(out, depth + 1);
                out += std::next(it) != members_.end() ? ",\n" : "\n";
            }
            Indent(out, depth);
            out += '}';
            return;
    }
}

}  // namespace inkvista
