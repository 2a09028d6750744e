#include "app/LaunchOptions.h"

#include <charconv>
#include <string_view>

namespace inkvista {

namespace {

constexpr int kMinScreenSide = 16;  // leaves the list window a positive size
constexpr int kMaxScreenSide = 4096;
constexpr int kMaxScale = 8;

bool ParseInt(std::string_view text, int* value) {
    if (text.empty()) return false;
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    *value = v;
    return true;
}

// "--name=value" or "--name value"; answers false when the value is missing.
// Leaves i on the last argument taken.
bool TakeValue(const std::vector<std::string>& args, size_t& i, std::string_view name,
               bool* matched, std::string* value) {
    const std::string& arg = args[i];
    *matched = false;
    if (arg == name) {
        *matched = true;
        if (i + 1 >= args.size()) return false;
        *value = args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
        arg[name.size()] == '=') {
        *matched = true;
        *value = arg.substr(name.size() + 1);
        return true;
    }
    return true;
}

}  // namespace

bool ParseScreenSize(const std::string& text, int* width, int* height) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    int w = 0;
    int h = 0;
    if (!ParseInt(std::string_view(text).substr(0, x), &w) ||
        !ParseInt(std::string_view(text).substr(x + 1), &h)) {
        return false;
    }
    if (w < kMinScreenSide || h < kMinScreenSide || w > kMaxScreenSide || h > kMaxScreenSide) {
        return false;
    }
    *width = w;
    *height = h;
    return true;
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
        // The device options advance i past what they take.
        bool matched = false;
        std::string deviceError;
        if (!ParseDeviceOption(args, i, options.device, &matched, &deviceError)) {
            *error = deviceError.empty() ? "bad value for " + arg : deviceError;
            return false;
        }
        if (matched) continue;

        std::string value;
        if (!TakeValue(args, i, "--screen", &matched, &value)) {
            *error = "--screen needs a size WxH";
            return false;
        }
        if (matched) {
            if (!ParseScreenSize(value, &options.screenWidth, &options.screenHeight)) {
                *error = "bad screen size '" + value + "' (WxH, each side " +
                         std::to_string(kMinScreenSide) + " to " + std::to_string(kMaxScreenSide) +
                         ")";
                return false;
            }
            ++i;
            continue;
        }
        if (!TakeValue(args, i, "--scale", &matched, &value)) {
            *error = "--scale needs a number";
            return false;
        }
        if (matched) {
            int scale = 0;
            if (!ParseInt(value, &scale) || scale < 1 || scale > kMaxScale) {
                *error = "bad scale '" + value + "' (1 to " + std::to_string(kMaxScale) + ")";
                return false;
            }
            options.scale = scale;
            ++i;
            continue;
        }
        if (!TakeValue(args, i, "--script", &matched, &value) || (matched && value.empty())) {
            *error = "--script needs a file";
            return false;
        }
        if (matched) {
            options.script = std::filesystem::path(value);
            ++i;
            continue;
        }
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
        "  --screen WxH       screen size in pixels (default 240x320)\n"
        "  --scale N          show the screen enlarged N times (1 to 8)\n"
        "  --script FILE      run headless on a virtual clock, driven by FILE\n"
        "                     (see docs/scripting.md)\n"
        "  --help             show this help and exit\n"
        "\n"
        "Keys: F1 to F4 are the hardware buttons (F5 is 0xC5), the arrow keys the\n"
        "direction pad, Enter is Enter; the mouse is the stylus.\n"
        "Exit status: 0 normally, 2 for a bad option or a bad script.\n";
    return text;
}

}  // namespace inkvista
