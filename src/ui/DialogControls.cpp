#include "ui/DialogControls.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "platform/Screen.h"

namespace inkvista {

void SetControlId(QWidget* control, int id) {
    if (control) control->setProperty(kControlIdProperty, id);
}

int ControlId(const QWidget* control) {
    if (!control) return kStaticControlId;
    const QVariant id = control->property(kControlIdProperty);
    bool ok = false;
    const int value = id.toInt(&ok);
    return id.isValid() && ok ? value : kStaticControlId;
}

QWidget* FindControl(QWidget* dialog, int id) {
    if (!dialog) return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (ControlId(child) == id && child->property(kControlIdProperty).isValid()) return child;
    }
    return nullptr;
}

QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    const QSize size = DialogUnitsToPixels(width, height);
    return QRect((x * 7 + 2) / 4, y * 2, size.width(), size.height());
}

QSize DialogUnitsToPixels(int width, int height) {
    return QSize((width * 7 + 2) / 4, height * 2);
}

TemplateDialog::TemplateDialog(QWidget* owner, int templateId, const QString& title, int widthDu,
                               int heightDu)
    : QDialog(owner), templateId_(templateId) {
    setWindowTitle(title);
    setModal(true);
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(DialogUnitsToPixels(widthDu, heightDu));
}

QPushButton* TemplateDialog::AddButton(int id, const QString& text, int x, int y, int width,
                                       int height, bool isDefault) {
    auto* button = Keep(std::make_unique<QPushButton>(text, this));
    SetControlId(button, id);
    button->setGeometry(DialogUnitsToPixels(x, y, width, height));
    button->setDefault(isDefault);
    button->setAutoDefault(isDefault);
    return button;
}

QLabel* TemplateDialog::AddText(int id, const QString& text, int x, int y, int width, int height) {
    auto* label = Keep(std::make_unique<QLabel>(text, this));
    if (id != kStaticControlId) SetControlId(label, id);
    label->setGeometry(DialogUnitsToPixels(x, y, width, height));
    return label;
}

void TemplateDialog::CentreOverScreen() {
    QPoint origin(0, 0);
    if (QWidget* owner = parentWidget()) origin = owner->mapToGlobal(QPoint(0, 0));
    const QSize frame = frameGeometry().size().isValid() ? frameGeometry().size() : size();
    const int x = origin.x() + (kScreenWidth - frame.width()) / 2;
    const int y = origin.y() + (kScreenHeight - frame.height()) / 2;
    move(std::max(origin.x(), x), std::max(origin.y(), y));
}

}  // namespace inkvista
