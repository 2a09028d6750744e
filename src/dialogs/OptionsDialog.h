// The Options dialog (template 138). It edits the caller's working copies of
// the view settings, the password and the user folder.
#pragma once

#include "app/DialogControls.h"
#include "dialogs/WorkingCopies.h"

namespace inkvista {

constexpr int kOptionsTemplateId = 138;
constexpr int kOptionsOkId = 1006;
constexpr int kOptionsCancelId = 1007;

class OptionsDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // So far the dialog offers OK and Cancel only; its settings controls come
    // with the settings dialogs. OK answers IDOK, Cancel IDCANCEL.
    OptionsDialog(QWidget* owner, DialogWorkingCopies& working);

  private:
    DialogWorkingCopies& working_;
};

}  // namespace inkvista
