// The Button Setting dialog (template 145, or 198 on the FUJITSU Pocket
// LOOX). It edits the caller's working copy of the key map.
#pragma once

#include "dialogs/WorkingCopies.h"
#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kButtonSettingTemplateId = 145;
constexpr int kButtonSettingLooxTemplateId = 198;
constexpr int kButtonSettingOkId = 1012;
constexpr int kButtonSettingCancelId = 1013;

class ButtonSettingDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // A placeholder with OK and Cancel only and no key lists: OK answers
    // IDOK, Cancel IDCANCEL, and the working copy is left as it was given.
    ButtonSettingDialog(QWidget* owner, DialogWorkingCopies& working, int templateId);

    // The copies this dialog edits.
    DialogWorkingCopies& working() { return working_; }

  private:
    DialogWorkingCopies& working_;
};

}  // namespace inkvista
