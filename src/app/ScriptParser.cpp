#include "app/ScriptParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "platform/Device.h"
#include "platform/Screen.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

struct Token {
    std::string text;
    size_t start = 0;  // offset of the token (its opening quote) in the line
};

// Cuts the line at a '#' outside quotes and splits it at blanks; a double-
// quoted stretch keeps its blanks and '#'. False for an unclosed quote.
bool Tokenize(std::string_view line, std::vector<Token>* tokens, std::string_view* content) {
    size_t i = 0;
    bool inQuote = false;
    size_t end = line.size();
    for (size_t k = 0; k < line.size(); ++k) {
        if (line[k] == '"') inQuote = !inQuote;
        if (line[k] == '#' && !inQuote) {
            end = k;
            break;
        }
    }
    if (inQuote) return false;
    *content = line.substr(0, end);
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < end) {
        while (i < end && blank(line[i])) ++i;
        if (i >= end) break;
        Token token;
        token.start = i;
        while (i < end && !blank(line[i])) {
            if (line[i] == '"') {
                size_t close = line.find('"', i + 1);
                token.text.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                token.text.push_back(line[i++]);
            }
        }
        tokens->push_back(std::move(token));
    }
    return true;
}

// The rest of the line from token `from` on, blanks trimmed, without the
// quotes when they enclose all of it.
std::string RestOfLine(std::string_view content, const std::vector<Token>& tokens, size_t from) {
    if (from >= tokens.size()) return {};
    std::string_view rest = content.substr(tokens[from].start);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
        rest.remove_suffix(1);
    }
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' &&
        rest.find('"', 1) == rest.size() - 1) {
        rest = rest.substr(1, rest.size() - 2);
    }
    return std::string(rest);
}

// Decimal, or hexadecimal after "0x".
bool ParseNumber(const std::string& text, int64_t* value) {
    std::string_view s = text;
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    *value = negative ? -v : v;
    return true;
}

struct CommandName {
    const char* name;
    ScriptOp op;
};

constexpr CommandName kCommands[] = {
    {"tap", ScriptOp::Tap},
    {"down", ScriptOp::Down},
    {"move", ScriptOp::Move},
    {"up", ScriptOp::Up},
    {"dtap", ScriptOp::DoubleTap},
    {"key", ScriptOp::Key},
    {"button", ScriptOp::Button},
    {"wait", ScriptOp::Wait},
    {"answer", ScriptOp::Answer},
    {"activate", ScriptOp::Activate},
    {"deactivate", ScriptOp::Deactivate},
    {"card", ScriptOp::CardInsert},
    {"click", ScriptOp::Click},
    {"check", ScriptOp::Check},
    {"select", ScriptOp::Select},
    {"type", ScriptOp::Type},
    {"expand", ScriptOp::Expand},
    {"collapse", ScriptOp::Collapse},
    {"shot", ScriptOp::Shot},
    {"state", ScriptOp::State},
    {"quit", ScriptOp::Quit},
    {"open", ScriptOp::Open},
    {"close", ScriptOp::Close},
    {"time", ScriptOp::Time},
    {"rtap", ScriptOp::RightTap},
};

// A day of virtual time is more than any script needs; the bound keeps a
// typo from spinning the clock for hours of real time.
constexpr int64_t kMaxWaitMs = 24 * 60 * 60 * 1000;
constexpr int64_t kMaxControlId = 0xFFFF;

class LineParser {
  public:
    LineParser(const std::vector<Token>& tokens, std::string_view content,
               const std::filesystem::path& baseDir)
        : tokens_(tokens), content_(content), baseDir_(baseDir) {}

    bool Parse(ScriptCommand* command, std::string* error) {
        const std::string& name = tokens_[0].text;
        auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [&](const CommandName& c) { return name == c.name; });
        if (it == std::end(kCommands)) {
            *error = "unknown command '" + name + "'";
            return false;
        }
        command->op = it->op;
        error_ = error;
        return Arguments(command);
    }

  private:
    bool Arguments(ScriptCommand* command) {
        switch (command->op) {
            case ScriptOp::Tap:
            case ScriptOp::Down:
            case ScriptOp::Move:
            case ScriptOp::Up:
            case ScriptOp::DoubleTap:
            case ScriptOp::RightTap:
                return Count(2, 2, "X Y") && Point(command);
            case ScriptOp::Key:
                return Count(1, 1, "NAME or a virtual-key number") && Key(command);
            case ScriptOp::Button:
                return Count(1, 1, "N (1 to 4)") && Number(1, 1, 4, "button", &command->number);
            case ScriptOp::Wait:
                return Count(1, 1, "MS") &&
                       Number(1, 0, kMaxWaitMs, "milliseconds", &command->number);
            case ScriptOp::Time:
                return Count(1, 1, "HH:MM") && Time(command);
            case ScriptOp::Answer:
                return Count(1, 1, "ok or cancel") && Choice(1, "ok", "cancel", &command->on);
            case ScriptOp::Activate:
            case ScriptOp::Deactivate:
            case ScriptOp::Quit:
            case ScriptOp::Close:
                return Count(0, 0, "");
            case ScriptOp::CardInsert:
            case ScriptOp::CardRemove:
                return Card(command);
            case ScriptOp::Click:
            case ScriptOp::Check:
            case ScriptOp::Select:
            case ScriptOp::Type:
                return Control(command);
            case ScriptOp::Expand:
            case ScriptOp::Collapse:
                if (!Count(1, SIZE_MAX, "PATH")) return false;
                command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 1));
                return true;
            case ScriptOp::Shot:
            case ScriptOp::State:
                return Output(command);
            case ScriptOp::Open:
                return Open(command);
        }
        return false;
    }

    bool Control(ScriptCommand* command) {
        switch (command->op) {
            case ScriptOp::Click:
                return Count(1, 1, "ID") && Number(1, 0, kMaxControlId, "id", &command->number);
            case ScriptOp::Check:
                return Count(2, 2, "ID on|off") &&
                       Number(1, 0, kMaxControlId, "id", &command->number) &&
                       Choice(2, "on", "off", &command->on);
            case ScriptOp::Select:
                return Count(2, 2, "ID INDEX") &&
                       Number(1, 0, kMaxControlId, "id", &command->number) &&
                       Number(2, 0, INT32_MAX, "index", &command->index);
            default:  // type
                if (!Count(1, SIZE_MAX, "ID TEXT") ||
                    !Number(1, 0, kMaxControlId, "id", &command->number)) {
                    return false;
                }
                command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 2));
                return true;
        }
    }

    bool Output(ScriptCommand* command) {
        if (command->op == ScriptOp::State) {
            if (!Count(1, 1, "FILE")) return false;
            command->file = File(tokens_[1].text);
            return true;
        }
        if (!Count(1, 1, "FILE.png")) return false;
        if (!HasPngSuffix(tokens_[1].text)) {
            *error_ = "shot writes a PNG: '" + tokens_[1].text + "' does not end in .png";
            return false;
        }
        command->file = File(tokens_[1].text);
        return true;
    }

    bool Open(ScriptCommand* command) {
        if (!Count(1, 3, "FILE [SLOT [PAGE]]")) return false;
        command->text = Utf8ToUtf16(tokens_[1].text);
        command->number = 1;
        command->index = 0;
        if (command->text.empty()) {
            *error_ = "open needs a book file name";
            return false;
        }
        return (tokens_.size() < 3 || Number(2, 1, 5, "slot", &command->number)) &&
               (tokens_.size() < 4 || Number(3, 0, INT32_MAX, "page", &command->index));
    }

    // HH:MM, 00:00 to 23:59, two digits each.
    bool Time(ScriptCommand* command) {
        const std::string& text = tokens_[1].text;
        const auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
        const bool shaped =
            text.size() == 5 && text[2] == ':' && digit(0) && digit(1) && digit(3) && digit(4);
        const int hour = shaped ? (text[0] - '0') * 10 + (text[1] - '0') : -1;
        const int minute = shaped ? (text[3] - '0') * 10 + (text[4] - '0') : -1;
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
            *error_ = "bad time '" + text + "' for 'time' (HH:MM, 00:00 to 23:59)";
            return false;
        }
        command->number = hour;
        command->index = minute;
        return true;
    }

    bool Count(size_t min, size_t max, const char* usage) {
        size_t n = tokens_.size() - 1;
        if (n >= min && n <= max) return true;
        if (max == 0) {
            *error_ = "'" + tokens_[0].text + "' takes no arguments";
        } else {
            *error_ = "'" + tokens_[0].text + "' needs " + usage;
        }
        return false;
    }

    bool Number(size_t at, int64_t min, int64_t max, const char* what, int64_t* value) {
        const std::string& text = tokens_[at].text;
        if (!ParseNumber(text, value) || *value < min || *value > max) {
            *error_ = "bad " + std::string(what) + " '" + text + "' for '" + tokens_[0].text +
                      "' (" + std::to_string(min) + " to " + std::to_string(max) + ")";
            return false;
        }
        return true;
    }

    bool Choice(size_t at, const char* yes, const char* no, bool* value) {
        const std::string& text = tokens_[at].text;
        if (text == yes || text == no) {
            *value = text == yes;
            return true;
        }
        *error_ =
            "bad argument '" + text + "' for '" + tokens_[0].text + "' (" + yes + " or " + no + ")";
        return false;
    }

    bool Point(ScriptCommand* command) {
        int64_t x = 0;
        int64_t y = 0;
        if (!Number(1, INT32_MIN, INT32_MAX, "x", &x) ||
            !Number(2, INT32_MIN, INT32_MAX, "y", &y)) {
            return false;
        }
        if (x < 0 || y < 0 || x >= kScreenWidth || y >= kScreenHeight) {
            *error_ = "point " + std::to_string(x) + "," + std::to_string(y) + " is off the " +
                      std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) +
                      " screen";
            return false;
        }
        command->x = static_cast<int>(x);
        command->y = static_cast<int>(y);
        return true;
    }

    bool Key(ScriptCommand* command) {
        static const std::pair<const char*, uint32_t> kNames[] = {
            {"left", VK_LEFT}, {"right", VK_RIGHT},  {"up", VK_UP},
            {"down", VK_DOWN}, {"enter", VK_RETURN},
        };
        for (const auto& [name, vk] : kNames) {
            if (tokens_[1].text == name) {
                command->number = vk;
                return true;
            }
        }
        int64_t vk = 0;
        if (ParseNumber(tokens_[1].text, &vk) && vk >= 1 && vk <= 254) {
            command->number = vk;
            return true;
        }
        *error_ = "bad key '" + tokens_[1].text +
                  "' (left, right, up, down, enter or a virtual-key number 1 to 254)";
        return false;
    }

    bool Card(ScriptCommand* command) {
        if (tokens_.size() < 2) {
            *error_ = "'card' needs insert NAME DIR or remove NAME";
            return false;
        }
        std::string verb = tokens_[1].text;
        // mount and unmount: the card comes or goes without the system
        // saying so, as the second slot of the LOOX does.
        if (verb == "mount" || verb == "unmount") {
            command->quiet = true;
            verb = verb == "mount" ? "insert" : "remove";
        }
        if (verb == "insert") {
            // The name may have blanks ("Storage Card"); the folder is the
            // last argument.
            if (tokens_.size() < 4) {
                *error_ = "'card insert' needs NAME DIR";
                return false;
            }
            std::string name;
            for (size_t k = 2; k + 1 < tokens_.size(); ++k) {
                if (!name.empty()) name += ' ';
                name += tokens_[k].text;
            }
            command->op = ScriptOp::CardInsert;
            command->text = Utf8ToUtf16(name);
            command->file = File(tokens_.back().text);
        } else if (verb == "remove") {
            if (tokens_.size() < 3) {
                *error_ = "'card remove' needs NAME";
                return false;
            }
            command->op = ScriptOp::CardRemove;
            command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 2));
        } else {
            *error_ = "bad argument '" + verb + "' for 'card' (insert or remove)";
            return false;
        }
        if (!inkvista::ValidCardName(command->text)) {
            *error_ = "bad card name '" + Utf16ToUtf8(command->text) + "'";
            return false;
        }
        return true;
    }

    static bool HasPngSuffix(const std::string& name) {
        if (name.size() < 4) return false;
        std::string suffix = name.substr(name.size() - 4);
        std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return suffix == ".png";
    }

    std::filesystem::path File(const std::string& name) const {
        std::filesystem::path p = std::filesystem::u8path(name);
        return p.is_absolute() ? p : baseDir_ / p;
    }

    const std::vector<Token>& tokens_;
    std::string_view content_;
    const std::filesystem::path& baseDir_;
    std::string* error_ = nullptr;
};

}  // namespace

bool ParseScript(std::string_view text, const std::filesystem::path& baseDir,
                 std::vector<ScriptCommand>* commands, ScriptError* error) {
    commands->clear();
    int lineNumber = 0;
    size_t pos = 0;
    // A UTF-8 byte-order mark is no part of the first command.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        ++lineNumber;
        pos = eol + 1;
        std::vector<Token> tokens;
        std::string_view content;
        if (!Tokenize(line, &tokens, &content)) {
            *error = {lineNumber, "unclosed quote"};
            return false;
        }
        if (tokens.empty()) continue;
        ScriptCommand command;
        command.line = lineNumber;
        std::string message;
        LineParser parser(tokens, content, baseDir);
        if (!parser.Parse(&command, &message)) {
            *error = {lineNumber, message};
            return false;
        }
        commands->push_back(std::move(command));
    }
    return true;
}

std::string FormatScriptError(const std::string& scriptName, const ScriptError& error) {
    return scriptName + ":" + std::to_string(error.line) + ": " + error.message;
}

}  // namespace inkvista
