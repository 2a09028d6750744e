#include "app/LaunchOptions.h"

#include <QString>
#include <QUrl>
#include <fstream>
#include <string_view>

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
    if (!TakeLaunchBook(arg, &book, error)) return false;
    options.book = std::move(book);
    return true;
}

}  // namespace

bool TakeLaunchBook(const std::string& arg, std::filesystem::path* book, std::string* error) {
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
    if (!BookKindFromName(DeviceName(path.filename().native()))) {
        *error = "not a book (.cmb or .cxb): " + path.string();
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
    if (!std::ifstream(path, std::ios::binary)) {
        *error = "cannot read book: " + path.string();
        return false;
    }
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

std::string LaunchUsage() {
    std::string text =
        "Usage: inkvista [OPTION]... [BOOK]\n"
        "InkVISTA, the comic-book reader of a 240x320 pocket computer, on the desktop.\n"
        "A BOOK (FILE.cmb or FILE.cxb, a path or a file:// URI) opens at once at its\n"
        "remembered page; for this run its folder is the user folder.\n"
        "\n";
    text += DeviceOptionsHelp();
    text +=
        "  --scale N          show the screen enlarged N times (1 to 8)\n"
        "  --screen 240x320   the screen size; the only size is the handheld's own\n"
        "  --script FILE      run headless on a virtual clock, driven by FILE\n"
        "                     (see docs/scripting.md)\n"
        "  --version          show the version and exit\n"
        "  --help             show this help and exit\n"
        "\n"
        "Keys: F1 to F4 are the hardware buttons (F5 is 0xC5), the arrow keys the\n"
        "direction pad, Enter is Enter; the mouse is the stylus.\n"
        "Exit status: 0 normally, 2 for a bad option, a bad script or a BOOK that is\n"
        "missing, unreadable or not named .cmb/.cxb.\n";
    return text;
}

}  // namespace inkvista
