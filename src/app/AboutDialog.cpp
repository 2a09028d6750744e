#include "app/AboutDialog.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

#include "Version.h"
#include "platform/Win32.h"

namespace inkvista {

AboutDialog::AboutDialog(QWidget* owner)
    : TemplateDialog(owner, kAboutTemplateId, QStringLiteral("About"), 132, 124) {
    QLabel* name = AddText(kStaticControlId, QStringLiteral("InkVISTA"), 5, 12, 122, 20);
    QFont large = name->font();
    large.setPixelSize(qRound(24 * scale()));
    large.setBold(true);
    name->setFont(large);
    name->setAlignment(Qt::AlignCenter);
    AddText(kStaticControlId, QStringLiteral("Comic book reader"), 5, 36, 122, 10)
        ->setAlignment(Qt::AlignCenter);

    QLabel* version = AddText(kAboutVersionId, QString(), 5, 60, 120, 10);
    version->setAlignment(Qt::AlignCenter);
    AddText(kStaticControlId, QStringLiteral("\u00A9 Quillmark"), 5, 76, 120, 10)
        ->setAlignment(Qt::AlignCenter);

    QPushButton* ok = AddButton(kAboutOkId, QStringLiteral("OK"), 4, 108, 60, 14, true);
    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });

    // Initialisation fills the version line.
    version->setText(QStringLiteral("Version ") + QString::fromLatin1(kVersion));
}

}  // namespace inkvista
