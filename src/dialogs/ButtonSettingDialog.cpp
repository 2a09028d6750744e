#include "dialogs/ButtonSettingDialog.h"

#include <QPushButton>

#include "platform/Win32.h"

namespace inkvista {

ButtonSettingDialog::ButtonSettingDialog(QWidget* owner, DialogWorkingCopies& working,
                                         int templateId)
    : TemplateDialog(owner, templateId, QStringLiteral("Button Setting"), 133, 133),
      working_(working) {
    QPushButton* ok = AddButton(kButtonSettingOkId, QStringLiteral("OK"), 1, 118, 63, 15, true);
    QPushButton* cancel =
        AddButton(kButtonSettingCancelId, QStringLiteral("Cancel"), 68, 118, 61, 15);
    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

}  // namespace inkvista
