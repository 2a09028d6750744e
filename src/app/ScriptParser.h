// The script language of script mode (see docs/scripting.md): every line
// checked and turned into a command before anything runs. No Qt here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace inkvista {

enum class ScriptOp {
    Tap,
    Down,
    Move,
    Up,
    DoubleTap,
    Key,
    Button,
    Wait,
    Answer,
    Activate,
    Deactivate,
    CardInsert,
    CardRemove,
    Click,
    Check,
    Select,
    Type,
    Expand,
    Collapse,
    Shot,
    State,
    Quit,
    Open,
    Close,
    Time,
    RightTap,
};

struct ScriptCommand {
    ScriptOp op = ScriptOp::Quit;
    int line = 0;
    int x = 0;  // stylus commands
    int y = 0;
    // Key code (key), button number (button), milliseconds (wait), control
    // id (click, check, select, type), folder slot number (open), hour (time).
    int64_t number = 0;
    int64_t index = 0;           // select: row; open: bookmark page; time: minute
    bool on = false;             // check on, answer ok
    bool quiet = false;          // card mount, unmount: no device-change message
    std::u16string text;         // card name, typed text, tree path, book file name
    std::filesystem::path file;  // shot, state, card folder; absolute
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// Parses a whole script (UTF-8) before anything runs, so a mistake anywhere
// stops the run before it starts. File names are made absolute against
// `baseDir`; stylus positions must lie on the screen.
bool ParseScript(std::string_view text, const std::filesystem::path& baseDir,
                 std::vector<ScriptCommand>* commands, ScriptError* error);

// "NAME:LINE: MESSAGE", as compilers name a place.
std::string FormatScriptError(const std::string& scriptName, const ScriptError& error);

}  // namespace inkvista
