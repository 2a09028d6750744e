// The JSON of the script's state file. Every window and model writes its own
// members into one document; members come out in key order, so where a new
// member is added does not matter. The text has the layout of Qt's indented
// JSON documents (four spaces a level, non-ASCII as UTF-8), so state files
// stay byte for byte what script-mode tests have always compared.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <utility>

namespace inkvista {

class JsonValue {
  public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    JsonValue() = default;  // null
    JsonValue(std::nullptr_t) {}
    JsonValue(bool value) : kind_(Kind::Bool), bool_(value) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) JsonValue(T value)
        : kind_(Kind::Number), number_(static_cast<int64_t>(value)) {}
    // Written in its shortest form that reads back the same ("0.48828125",
    // "1e-07"), as Qt writes a double; a whole number without a point; not
    // finite: null.
    JsonValue(double value) : kind_(Kind::Number), real_(value), isReal_(true) {}
    JsonValue(std::u16string_view text) : kind_(Kind::String), text_(text) {}
    JsonValue(const std::u16string& text) : JsonValue(std::u16string_view(text)) {}
    JsonValue(const char16_t* text) : JsonValue(std::u16string_view(text)) {}
    // UTF-8 text.
    JsonValue(std::string_view text);
    JsonValue(const std::string& text) : JsonValue(std::string_view(text)) {}
    JsonValue(const char* text) : JsonValue(std::string_view(text)) {}

    static JsonValue Array();
    static JsonValue Object();

    Kind kind() const { return kind_; }
    bool boolean() const { return bool_; }
    int64_t number() const { return isReal_ ? static_cast<int64_t>(real_) : number_; }
    double real() const { return isReal_ ? real_ : static_cast<double>(number_); }
    const std::u16string& text() const { return text_; }
    const std::list<JsonValue>& items() const { return items_; }

    // Appends to an array (a null value becomes an empty array first).
    JsonValue& Append(JsonValue item);
    // The member `key` of an object, added as null when missing (a null
    // value becomes an empty object first). References to items and members
    // stay valid while more are added.
    JsonValue& operator[](std::string_view key);
    // The member `key`, or null when there is none or this is no object.
    const JsonValue* Find(std::string_view key) const;

    // The value as a document: indented text ending in a newline.
    std::string ToText() const;

  private:
    void Write(std::string& out, int depth) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    int64_t number_ = 0;
    double real_ = 0;
    bool isReal_ = false;
    std::u16string text_;
    std::list<JsonValue> items_;
    // Sorted by key.
    std::list<std::pair<std::string, JsonValue>> members_;
};

}  // namespace inkvista
