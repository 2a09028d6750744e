// The reader's command line: the device options shared with the port layer,
// plus the enlargement of the screen and the script to run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Device.h"

namespace inkvista {

struct LaunchOptions {
    DeviceOptions device;
    int scale = 1;  // whole-number enlargement of the window on the desktop
    std::optional<std::filesystem::path> script;
    // The book to open at once (absolute, an existing readable .cmb/.cxb).
    std::optional<std::filesystem::path> book;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. False with `error` set (one
// line, no program name) for an unknown option, a missing or bad value.
// `--help` and `--version` set their flag and stop parsing.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& options,
                        std::string* error);

// A book named on the command line, as a path or a file:// URI: its
// absolute path, or false with `error` set when it is no book by name, is
// missing, is a folder or cannot be read.
bool TakeLaunchBook(const std::string& arg, std::filesystem::path* book, std::string* error);

// "WxH" with two whole numbers; false otherwise.
bool ParseScreenSize(const std::string& text, int* width, int* height);

// The --help text.
std::string LaunchUsage();

}  // namespace inkvista
