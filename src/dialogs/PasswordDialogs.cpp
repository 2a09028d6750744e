#include "dialogs/PasswordDialogs.h"

#include <QLineEdit>
#include <QPainter>
#include <algorithm>

#include "models/HiddenBooks.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

using K = ControlKind;

constexpr ControlRow kSettingControls[] = {
    {kStaticControlId, K::GroupBox, u"Set or Change Password", 5, 5, 125, 59},
    {kStaticControlId, K::Label, u"Old Password", 12, 18, 46, 8},
    {kPasswordOldId, K::PasswordEdit, {}, 61, 16, 65, 12},
    {kStaticControlId, K::Label, u"Password", 25, 33, 34, 8},
    {kPasswordNewId, K::PasswordEdit, {}, 61, 31, 65, 12},
    {kStaticControlId, K::Label, u"Confirm", 32, 47, 29, 8},
    {kPasswordConfirmId, K::PasswordEdit, {}, 61, 47, 65, 12},
    {kPasswordSettingOkId, K::DefaultButton, u"OK", 2, 73, 41, 16},
    {kPasswordSettingCancelId, K::Button, u"Cancel", 45, 73, 41, 16},
    {kPasswordResetId, K::Button, u"Reset", 89, 73, 41, 16},
};

constexpr DialogTemplate kSettingTemplate{kPasswordSettingTemplateId,
                                          u"Password Setting",
                                          DialogFace::System,
                                          8,
                                          1,
                                          2,
                                          136,
                                          152,
                                          kSettingControls};

constexpr ControlRow kInputControls[] = {
    {kStaticControlId, K::Label, u"Input your password", 5, 18, 68, 8},
    {kInputPasswordEditId, K::PasswordEdit, {}, 5, 35, 123, 12},
    {kInputPasswordOkId, K::DefaultButton, u"OK", 5, 70, 60, 14},
    {kInputPasswordCancelId, K::Button, u"Cancel", 69, 70, 60, 14},
};

constexpr DialogTemplate kInputTemplate{kInputPasswordTemplateId,
                                        u"Input Password",
                                        DialogFace::System,
                                        10,
                                        1,
                                        0,
                                        135,
                                        153,
                                        kInputControls};

std::u16string TextOf(QLineEdit* edit) {
    return edit->text().left(static_cast<qsizetype>(kPasswordMaxLength)).toStdU16String();
}

// A black line one device pixel high across the client area, `above`
// device pixels over its bottom edge.
void DrawSeparator(TemplateDialog* dialog, int above) {
    QPainter painter(dialog);
    const qreal scale = dialog->scale();
    const int y = dialog->height() - qRound(above * scale);
    painter.fillRect(QRect(0, y, dialog->width(), std::max(1, qRound(scale))), Qt::black);
}

}  // namespace

PasswordSettingDialog::PasswordSettingDialog(QWidget* owner, MessageBoxes& messages,
                                             DialogWorkingCopies& working)
    : TemplateDialog(owner, kSettingTemplate), messages_(messages), working_(working) {
    for (int id : {kPasswordOldId, kPasswordNewId, kPasswordConfirmId}) {
        control<QLineEdit>(id)->setMaxLength(static_cast<int>(kPasswordMaxLength));
    }
}

void PasswordSettingDialog::OnCommand(int id) {
    switch (id) {
        case kPasswordSettingOkId:
            OnOk();
            break;
        case kPasswordSettingCancelId:
            done(IDCANCEL);
            break;
        case kPasswordResetId:
            OnReset();
            break;
        default:
            break;
    }
}

void PasswordSettingDialog::OnOk() {
    const std::u16string typedOld = TextOf(control<QLineEdit>(kPasswordOldId));
    const std::u16string typedNew = TextOf(control<QLineEdit>(kPasswordNewId));
    const std::u16string confirm = TextOf(control<QLineEdit>(kPasswordConfirmId));
    switch (CheckPasswordChange(working_.oldPassword, typedOld, typedNew, confirm)) {
        case PasswordChange::IncorrectOld:
            messages_.Show(u"Incorrect old password");
            return;
        case PasswordChange::DifferentTexts:
            messages_.Show(u"Passwords are different");
            return;
        case PasswordChange::Accepted:
            SetPasswordText(working_.password, typedNew);
            working_.passwordChanged = true;
            done(IDOK);
            return;
    }
}

void PasswordSettingDialog::OnReset() {
    const int answer =
        messages_.ShowCaptioned(u"Resetting password will remove all hidden CMB files. Continue ?",
                                u"Warning !", MB_OKCANCEL);
    if (answer != IDOK) return;
    working_.resetRequested = true;
    working_.passwordChanged = true;
    working_.password.fill(u'\0');
    done(IDOK);
}

void PasswordSettingDialog::paintEvent(QPaintEvent* event) {
    TemplateDialog::paintEvent(event);
    DrawSeparator(this, 24);
}

InputPasswordDialog::InputPasswordDialog(QWidget* owner, MessageBoxes& messages,
                                         DialogWorkingCopies& working)
    : TemplateDialog(owner, kInputTemplate), messages_(messages), working_(working) {
    control<QLineEdit>(kInputPasswordEditId)->setMaxLength(static_cast<int>(kPasswordMaxLength));
}

void InputPasswordDialog::OnCommand(int id) {
    if (id == kInputPasswordCancelId) {
        done(IDCANCEL);
        return;
    }
    if (id != kInputPasswordOkId) return;
    if (TextOf(control<QLineEdit>(kInputPasswordEditId)) != PasswordText(working_.password)) {
        messages_.Show(u"Incorrect Password");
        return;
    }
    working_.passwordVerified = true;
    done(IDOK);
}

void InputPasswordDialog::paintEvent(QPaintEvent* event) {
    TemplateDialog::paintEvent(event);
    DrawSeparator(this, 23);
}

}  // namespace inkvista
