// The Button Setting dialog (template 145, or 198 on the FUJITSU Pocket
// LOOX): the action of each hardware button and direction key, on the
// caller's working copy of the key map.
#pragma once

#include <QStringList>

#include "dialogs/WorkingCopies.h"
#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kButtonSettingTemplateId = 145;
constexpr int kButtonSettingLooxTemplateId = 198;
constexpr int kButtonSettingOkId = 1012;
constexpr int kButtonSettingCancelId = 1013;
// The lists of the four hardware buttons, in key-code order.
constexpr int kHotKey1ListId = 1004;
constexpr int kHotKey2ListId = 1014;
constexpr int kHotKey3ListId = 1006;
constexpr int kHotKey4ListId = 1015;
// The lists of the direction keys.
constexpr int kUpKeyListId = 1016;
constexpr int kLeftKeyListId = 1017;
constexpr int kRightKeyListId = 1018;
constexpr int kDownKeyListId = 1019;

class ButtonSettingDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // Initialisation: each list shows the action of its key in the working
    // copy; an action the key cannot take leaves its list without a
    // selection.
    ButtonSettingDialog(QWidget* owner, DialogWorkingCopies& working, int templateId);

    // The copies this dialog edits.
    DialogWorkingCopies& working() { return working_; }
    bool confirmed() const { return confirmed_; }
    // The display texts of the key actions in code order; filled while the
    // dialog is open, emptied when it closes.
    const QStringList& actionNames() const { return actionNames_; }

    // Sets every list from the working copy of the key map.
    void ShowKeyMap();

    // Closing the dialog, however it closes, empties the action names.
    void done(int result) override;

  protected:
    void OnCommand(int id) override;

  private:
    void TakeKeyMap();

    DialogWorkingCopies& working_;
    bool confirmed_ = false;
    QStringList actionNames_;
};

}  // namespace inkvista
