#include "dialogs/OptionsDialog.h"

#include <QPushButton>

#include "platform/Win32.h"

namespace inkvista {

OptionsDialog::OptionsDialog(QWidget* owner, DialogWorkingCopies& working)
    : TemplateDialog(owner, kOptionsTemplateId, QStringLiteral("Options"), 132, 130),
      working_(working) {
    QPushButton* ok = AddButton(kOptionsOkId, QStringLiteral("OK"), 1, 113, 65, 16, true);
    QPushButton* cancel = AddButton(kOptionsCancelId, QStringLiteral("Cancel"), 67, 113, 65, 16);
    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

}  // namespace inkvista
