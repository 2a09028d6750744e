// The reader's command line: the device options shared with the port layer,
// plus the enlargement of the screen and the script to run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book/BookFormat.h"
#include "platform/Device.h"
#include "platform/Services.h"

namespace inkvista {

struct LaunchOptions {
    DeviceOptions device;
    int scale = 1;  // whole-number enlargement of the window on the desktop
    std::optional<std::filesystem::path> script;
    // The book to open at once (absolute, an existing readable file that is
    // a book by its header or its name), and the kind it opens as.
    std::optional<std::filesystem::path> book;
    BookKind bookKind = BookKind::Cmb;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. False with `error` set (one
// line, no program name) for an unknown option, a missing or bad value.
// `--help` and `--version` set their flag and stop parsing.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& options,
                        std::string* error);

// A book named on the command line, as a path or a file:// URI: its
// absolute path and its kind, or false with `error` set when it is missing,
// is a folder, cannot be read or is no book. A header of either kind makes
// a book whatever the name, and gives the kind (a copy saved without its
// extension, a .cmb that is really a .cxb); else the name's extension does.
bool TakeLaunchBook(const std::string& arg, std::filesystem::path* book, BookKind* kind,
                    std::string* error);

// Tells a refusal at start, `message` being one line without the program's
// name: "inkvista: MESSAGE" (and `hint` on a line of its own) on standard
// error, and in a box of `boxes` as well unless standard error is seen (a
// terminal): a start from a file manager or a menu, whose standard error
// nobody reads, must not end in silence.
void TellStartRefusal(const std::string& message, bool stderrIsSeen, MessageBoxes& boxes,
                      std::string_view hint = {});

// "WxH" with two whole numbers; false otherwise.
bool ParseScreenSize(const std::string& text, int* width, int* height);

// The --help text.
std::string LaunchUsage();

}  // namespace inkvista
