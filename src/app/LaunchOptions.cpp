#include "app/LaunchOptions.h"

#include <QString>
#include <QUrl>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "book/BookFormat.h"
#include "platform/CommandLine.h"
#include "platform/HostNames.h"
#include "platform/Screen.h"
#include "platform/Text.h"

namespace inkvista {

namespace {

constexpr int kMaxScale = 8;

// --screen stays for the command lines that name the handheld's own size;
// any other size would leave the fixed 240 × 320 layout of every screen in a
// corner, so it is refused in favour of --scale.
bool TakeScreen(const std::string& value, std::string* error) {
    int width = 0;
    int height = 0;
    if (!ParseScreenSize(value, &width, &height)) {
        *error = "bad screen size '" + value + "' (WxH)";
        return false;
    }
    if (width != kScreenWidth || height != kScreenHeight) {
        *error = "--screen: the screen is always " + std::to_string(kScreenWidth) + "x" +
                 std::to_string(kScreenHeight) + ", not " + value +
                 "; use --scale N to show it larger";
        return false;
    }
    return true;
}

bool TakeScale(const std::string& value, int* scale, std::string* error) {
    if (!ParseWholeNumber(value, scale) || *scale < 1 || *scale > kMaxScale) {
        *error = "bad scale '" + value + "' (1 to " + std::to_string(kMaxScale) + ")";
        return false;
    }
    return true;
}

// One of the reader's own options at args[i]: false with `error` set when it
// is given wrongly; `matched` tells whether args[i] was one of them.
bool TakeReaderOption(const std::vector<std::string>& args, size_t& i, LaunchOptions& options,
                      bool* matched, std::string* error) {
    std::string value;
    *matched = true;
    switch (TakeOption(args, i, "--screen", &value)) {
        case OptionValue::Taken:
            return TakeScreen(value, error);
        case OptionValue::Missing:
            *error = "--screen needs a size WxH";
            return false;
        case OptionValue::Absent:
            break;
    }
    switch (TakeOption(args, i, "--scale", &value)) {
        case OptionValue::Taken:
            return TakeScale(value, &options.scale, error);
        case OptionValue::Missing:
            *error = "--scale needs a number";
            return false;
        case OptionValue::Absent:
            break;
    }
    switch (TakeOption(args, i, "--script", &value)) {
        case OptionValue::Taken:
            if (value.empty()) break;
            options.script = std::filesystem::path(value);
            return true;
        case OptionValue::Missing:
            break;
        case OptionValue::Absent:
            *matched = false;
            return true;
    }
    *error = "--script needs a file";
    return false;
}

bool TakePositional(const std::string& arg, LaunchOptions& options, std::string* error) {
    if (options.book) {
        *error = "unexpected argument '" + arg + "' (one book at a time)";
        return false;
    }
    std::filesystem::path book;
    if (!TakeLaunchBook(arg, &book, &options.bookKind, error)) return false;
    options.book = std::move(book);
    return true;
}

// The first bytes of `file`, as many as the header check looks at (fewer
// for a shorter file); false when it cannot be read.
bool ReadBookStart(const std::filesystem::path& file, std::vector<uint8_t>* start) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    start->resize(kBookKindProbeSize);
    in.read(reinterpret_cast<char*>(start->data()), static_cast<std::streamsize>(start->size()));
    if (in.bad()) return false;
    start->resize(static_cast<size_t>(in.gcount()));
    return true;
}

// The keys the reader answers, in the order --help lists them; the manual
// page's KEYS section and the README list the same.
struct KeyHelp {
    const char* keys;
    const char* action;
};
constexpr KeyHelp kKeyHelp[] = {
    {"F1 ... F4", "the hardware buttons 1 to 4 (F5 is the fifth, 0xC5)"},
    {"arrow keys", "the direction pad"},
    {"Enter", "Enter: opens the chosen book, presses a dialog's button"},
    {"Escape", "leaves F11's full screen; else Cancel in a dialog or box,"},
    {"", "and in a book closes it, page kept"},
    {"Page Down/Up", "in a book: the next, the previous page"},
    {"Home/End", "in a book: the first, the last page"},
    {"mouse wheel", "in a book: a notch is a press of the up or down arrow"},
    {"mouse", "the stylus: tap, hold and drag"},
    {"right-click", "on a list row: its popup at once"},
    {"Tab, Shift+Tab", "on the home screen: the next, the previous button or the list"},
    {"Space", "presses the focused home-screen button"},
    {"Ctrl+O", "choose a book to open"},
    {"drop", "a book opens; a comic archive or a folder of pictures becomes a book"},
    {"F11", "full screen, or back to the window"},
    {"Ctrl+plus/minus", "the screen one step larger, smaller (and the window)"},
    {"Ctrl+0", "the screen at the device's own size"},
    {"Ctrl+Q", "asks \"Quit InkVISTA ?\", as the close box does"},
};

}  // namespace

bool TakeLaunchBook(const std::string& arg, std::filesystem::path* book, BookKind* kind,
                    std::string* error) {
    namespace fs = std::filesystem;
    fs::path path(arg);
    if (arg.rfind("file:", 0) == 0) {
        const QUrl url(QString::fromStdString(arg));
        if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty()) {
            *error = "not a local file: " + arg;
            return false;
        }
        path = fs::path(url.toLocalFile().toStdString());
    }
    if (path.empty()) {
        *error = "empty book name";
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        *error = "no such book: " + path.string();
        return false;
    }
    if (!fs::is_regular_file(status)) {
        *error = "not a book file: " + path.string();
        return false;
    }
    std::vector<uint8_t> start;
    if (!ReadBookStart(path, &start)) {
        *error = "cannot read book: " + path.string();
        return false;
    }
    const std::optional<BookKind> byHeader = BookKindFromHeader(start);
    const std::optional<BookKind> byName = BookKindFromName(DeviceName(path.filename().native()));
    if (!byHeader && !byName) {
        *error = "not a book (.cmb or .cxb): " + path.string();
        return false;
    }
    *kind = byHeader.value_or(*byName);
    *book = fs::absolute(path, ec).lexically_normal();
    return !ec;
}

bool ParseScreenSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseWholeNumber(std::string_view(text).substr(0, x), width) &&
           ParseWholeNumber(std::string_view(text).substr(x + 1), height);
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& options,
                        std::string* error) {
    size_t i = 0;
    bool optionsEnd = false;
    while (i < args.size()) {
        const std::string arg = args[i];
        if (optionsEnd || arg.empty() || arg[0] != '-') {
            if (!TakePositional(arg, options, error)) return false;
            ++i;
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            ++i;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg == "--version") {
            options.version = true;
            return true;
        }
        // Both kinds of option advance i past what they take.
        bool matched = false;
        std::string optionError;
        if (!ParseDeviceOption(args, i, options.device, &matched, &optionError)) {
            *error = optionError.empty() ? "bad value for " + arg : optionError;
            return false;
        }
        if (matched) continue;
        if (!TakeReaderOption(args, i, options, &matched, error)) return false;
        if (matched) continue;
        *error = "unknown option '" + arg + "'";
        return false;
    }
    if (!options.device.cards.empty() && !options.device.root) {
        *error = "--card needs --root (without it the cards are the mounted removable volumes)";
        return false;
    }
    return true;
}

void TellStartRefusal(const std::string& message, bool stderrIsSeen, MessageBoxes& boxes,
                      std::string_view hint) {
    std::fprintf(stderr, "inkvista: %s\n", message.c_str());
    if (!hint.empty()) std::fprintf(stderr, "%.*s\n", static_cast<int>(hint.size()), hint.data());
    if (stderrIsSeen) return;
    // A line of standard error, as a sentence.
    std::string sentence = message;
    if (!sentence.empty() && sentence[0] >= 'a' && sentence[0] <= 'z') sentence[0] -= 'a' - 'A';
    boxes.Show(Utf8ToUtf16(sentence), MB_OK);
}

std::string LaunchUsage() {
    std::string text =
        "Usage: inkvista [OPTION]... [BOOK]\n"
        "InkVISTA, the comic-book reader of a 240x320 pocket computer, on the desktop.\n"
        "A BOOK (a .cmb or .cxb book file, a path or a file:// URI; a file with a\n"
        "book's header under any name) opens at once at its remembered page; for\n"
        "this run its folder is the user folder.\n"
        "\n";
    text += DeviceOptionsHelp();
    text +=
        "  --scale N          show everything N times as large (2 to 8) for the whole\n"
        "                     run; without it (or with 1) the screen takes the largest\n"
        "                     scale that fits the window\n"
        "  --screen 240x320   the screen size; the only size is the handheld's own\n"
        "  --script FILE      run headless on a virtual clock, driven by FILE\n"
        "                     (see docs/scripting.md)\n"
        "  --version          show the version and exit\n"
        "  --help             show this help and exit\n"
        "\n"
        "Keys:\n";
    for (const KeyHelp& key : kKeyHelp) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-18s %s\n", key.keys, key.action);
        text += line;
    }
    text +=
        "\n"
        "Exit status: 0 normally, 2 for a bad option, a bad script or a BOOK that is\n"
        "missing, unreadable or no .cmb/.cxb book by its header nor by its name.\n"
        "Without a terminal on standard error a refusal is shown in a box as well.\n";
    return text;
}

}  // namespace inkvista
