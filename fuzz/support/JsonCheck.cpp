#include "support/JsonCheck.h"

#include <cstddef>

#include "platform/Text.h"

namespace inkvista::fuzz {
namespace {

class Checker {
  public:
    explicit Checker(std::string_view text) : s_(text) {}

    bool Document() {
        if (!Value(0)) return false;
        Space();
        return at_ == s_.size();
    }

  private:
    void Space() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool Take(char c) {
        Space();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w) {
        if (s_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }
    bool Digits() {
        const size_t start = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
        return at_ > start;
    }
    bool Number() {
        if (at_ < s_.size() && s_[at_] == '-') ++at_;
        if (at_ < s_.size() && s_[at_] == '0') {
            ++at_;
        } else if (!Digits()) {
            return false;
        }
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !Digits())) return false;
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            if (!Digits()) return false;
        }
        return true;
    }
    bool Hex4() {
        for (int i = 0; i < 4; ++i, ++at_) {
            if (at_ >= s_.size()) return false;
            const char c = s_[at_];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
                return false;
        }
        return true;
    }
    bool String() {
        if (!Take('"')) return false;
        while (at_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (++at_ >= s_.size()) return false;
                const char e = s_[at_++];
                if (e == 'u') {
                    if (!Hex4()) return false;
                } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                    return false;
                }
                continue;
            }
            size_t length = 0;
            if (!DecodeUtf8(s_.substr(at_), &length)) return false;
            at_ += length;
        }
        return false;
    }
    bool Members(int depth, char close, bool named) {
        if (Take(close)) return true;
        do {
            if (named && (!String() || !Take(':'))) return false;
            if (!Value(depth + 1)) return false;
        } while (Take(','));
        return Take(close);
    }
    bool Value(int depth) {
        if (depth > 64) return false;
        Space();
        if (at_ >= s_.size()) return false;
        switch (s_[at_]) {
            case '{':
                ++at_;
                return Members(depth, '}', true);
            case '[':
                ++at_;
                return Members(depth, ']', false);
            case '"':
                return String();
            case 't':
                return Word("true");
            case 'f':
                return Word("false");
            case 'n':
                return Word("null");
            default:
                return Number();
        }
    }

    std::string_view s_;
    size_t at_ = 0;
};

}  // namespace

bool IsValidJson(std::string_view text) {
    return Checker(text).Document();
}

}  // namespace inkvista::fuzz
