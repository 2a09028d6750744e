// The settings a dialog edits while it runs. The caller copies its records in
// before the dialog and takes them back on confirmation (the password and the
// user folder also on cancel: the dialogs inside Options act at once).
#pragma once

#include "models/HiddenBooks.h"
#include "settings/UserDir.h"
#include "settings/ViewOption.h"

namespace inkvista {

struct DialogWorkingCopies {
    ViewOption viewOption;
    KeyMap keyMap;
    Password password{};
    UserDir userDir{};
    // Set by the password dialog when the hidden books are to be removed;
    // the caller removes them when Options closes and clears it.
    bool resetRequested = false;
    // The folder last expanded in the user-folder dialog's tree, kept across
    // openings for one run of the program (cleared at window creation).
    UserDir expandedFolderPath{};

    // What the dialogs inside Options report to it.
    Password oldPassword{};         // what the old password must match
    bool passwordChanged = false;   // the Password Setting dialog set one
    bool passwordVerified = false;  // the Input Password dialog was answered
    bool userDirChosen = false;     // the user-folder dialog ended with OK
};

}  // namespace inkvista
