// The Options dialog (template 138). It edits the caller's working copies of
// the view settings, the password and the user folder.
#pragma once

#include "dialogs/WorkingCopies.h"
#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kOptionsTemplateId = 138;
constexpr int kOptionsOkId = 1006;
constexpr int kOptionsCancelId = 1007;

class OptionsDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // A placeholder with OK and Cancel only and no settings controls: OK
    // answers IDOK, Cancel IDCANCEL, and the working copies are left as they
    // were given.
    OptionsDialog(QWidget* owner, DialogWorkingCopies& working);

    // The copies this dialog edits.
    DialogWorkingCopies& working() { return working_; }

  private:
    DialogWorkingCopies& working_;
};

}  // namespace inkvista
