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
    // Set by the password dialog when the hidden books are to be removed.
    bool resetRequested = false;
    // The folder last expanded in the user-folder dialog's tree, kept across
    // openings for one run of the program (cleared at window creation).
    UserDir expandedFolderPath{};
};

}  // namespace inkvista
