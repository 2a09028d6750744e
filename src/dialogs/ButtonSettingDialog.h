// The Button Setting dialog (template 145, or 198 on the FUJITSU Pocket
// LOOX). It edits the caller's working copy of the key map.
#pragma once

#include "app/DialogControls.h"
#include "dialogs/WorkingCopies.h"

namespace inkvista {

constexpr int kButtonSettingTemplateId = 145;
constexpr int kButtonSettingLooxTemplateId = 198;
constexpr int kButtonSettingOkId = 1012;
constexpr int kButtonSettingCancelId = 1013;

class ButtonSettingDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // So far the dialog offers OK and Cancel only; its key lists come with
    // the settings dialogs. OK answers IDOK, Cancel IDCANCEL.
    ButtonSettingDialog(QWidget* owner, DialogWorkingCopies& working, int templateId);

  private:
    DialogWorkingCopies& working_;
};

}  // namespace inkvista
