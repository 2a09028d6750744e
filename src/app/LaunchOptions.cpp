#include "app/LaunchOptions.h"

#include <string_view>

#include "platform/CommandLine.h"
#include "platform/Screen.h"

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

}  // namespace

bool ParseScreenSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseWholeNumber(std::string_view(text).substr(0, x), width) &&
           ParseWholeNumber(std::string_view(text).substr(x + 1), height);
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& options,
                        std::string* error) {
    size_t i = 0;
    while (i < args.size()) {
        const std::string arg = args[i];
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
        *error = arg.rfind("-", 0) == 0 ? "unknown option '" + arg + "'"
                                        : "unexpected argument '" + arg + "'";
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
        "Usage: inkvista [OPTION]...\n"
        "InkVISTA, the comic-book reader of a 240x320 pocket computer, on the desktop.\n"
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
        "Exit status: 0 normally, 2 for a bad option or a bad script.\n";
    return text;
}

}  // namespace inkvista
