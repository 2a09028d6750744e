// The main window's settings in the script state: the records as they are in
// memory, the user folder, whether a password is set (never the password),
// and what the shell's full-screen control and input panel were told.
#include "app/BackWnd.h"
#include "models/Json.h"

namespace inkvista {

namespace {

void WriteViewOption(const ViewOption& view, JsonValue& out) {
    out["portrait"] = view.portrait;
    out["smoothScroll"] = view.smoothScroll;
    out["fitToWindow"] = view.fitToWindow;
    out["tabScroll"] = view.tabScroll;
    out["showHiddenFiles"] = view.showHiddenFiles;
    out["koreanPatch"] = view.koreanPatch;
    out["scrollRange"] = view.scrollRange;
    out["autoScrollSec"] = view.autoScrollSec;
}

void WriteKeyMap(const KeyMap& keys, JsonValue& out) {
    static constexpr const char* kNames[] = {"hotKey1", "hotKey2",  "hotKey3", "hotKey4",
                                             "leftKey", "rightKey", "upKey",   "downKey"};
    for (size_t i = 0; i < keys.entries.size(); ++i) out[kNames[i]] = keys.entries[i];
}

void WriteChrome(const ShellChrome& chrome, JsonValue& out) {
    JsonValue& calls = out["fullScreenCalls"] = JsonValue::Array();
    for (uint32_t flags : chrome.fullScreenCalls) calls.Append(flags);
    out["taskBarHidden"] = chrome.taskBarHidden;
    out["inputPanelButton"] = chrome.inputPanelButtonShown;
    out["startIconHidden"] = chrome.startIconHidden;
    out["inputPanel"] = chrome.inputPanelShown;
}

}  // namespace

void BackWnd::WriteSettingsState(JsonValue& state) const {
    WriteViewOption(viewOption_, state["viewOption"]);
    WriteKeyMap(keyMap_, state["keyMap"]);
    state["passwordSet"] = PasswordSet(password_);
    state["userDir"] = UserDirText(userDir_);
    state["userDirExists"] = userDirExists_;
    WriteChrome(device_.shell().chrome(), state["shell"]);
}

}  // namespace inkvista
