// The two password dialogs the Options dialog runs: "Password Setting"
// (template 193) sets, changes or resets the hidden-books password, and
// "Input Password" (template 194) asks for it before hidden books are shown.
#pragma once

#include "dialogs/WorkingCopies.h"
#include "platform/Services.h"
#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kPasswordSettingTemplateId = 193;
constexpr int kPasswordSettingOkId = 1043;
constexpr int kPasswordSettingCancelId = 1044;
constexpr int kPasswordNewId = 1045;
constexpr int kPasswordConfirmId = 1046;
constexpr int kPasswordOldId = 1047;
constexpr int kPasswordResetId = 1054;

constexpr int kInputPasswordTemplateId = 194;
constexpr int kInputPasswordEditId = 1046;
constexpr int kInputPasswordOkId = 1047;
constexpr int kInputPasswordCancelId = 1048;

// Checks the old password against working.oldPassword and sets
// working.password, passwordChanged and resetRequested.
class PasswordSettingDialog : public TemplateDialog {
    Q_OBJECT

  public:
    PasswordSettingDialog(QWidget* owner, MessageBoxes& messages, DialogWorkingCopies& working);

  protected:
    void OnCommand(int id) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnOk();
    void OnReset();

    MessageBoxes& messages_;
    DialogWorkingCopies& working_;
};

// Sets working.passwordVerified when the typed text is working.password.
class InputPasswordDialog : public TemplateDialog {
    Q_OBJECT

  public:
    InputPasswordDialog(QWidget* owner, MessageBoxes& messages, DialogWorkingCopies& working);

  protected:
    void OnCommand(int id) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    MessageBoxes& messages_;
    DialogWorkingCopies& working_;
};

}  // namespace inkvista
