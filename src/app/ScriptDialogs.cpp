// Script mode: the commands that work dialogs, popup menus and folder trees,
// acting on controls by their template ids as a user would.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/BackWnd.h"
#include "app/ScriptRunner.h"
#include "ui/DialogControls.h"

namespace inkvista {

namespace {

QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A menu command's numeric id: its "commandId" or "controlId" property, else
// its integer data.
int CommandIdOf(const QAction* action) {
    for (const char* name : {"commandId", kControlIdProperty}) {
        QVariant v = action->property(name);
        bool ok = false;
        int id = v.toInt(&ok);
        if (v.isValid() && ok) return id;
    }
    bool ok = false;
    int id = action->data().toInt(&ok);
    return ok ? id : -1;
}

// A popup menu takes `click` by command id, chosen as a user chooses it so
// that the menu's exec() answers it.
bool MenuCommand(QMenu* menu, const ScriptCommand& command, std::string* error) {
    const int id = static_cast<int>(command.number);
    const std::string idText = std::to_string(id);
    if (command.op != ScriptOp::Click) {
        *error = "a popup menu is open: only 'click' applies to it";
        return false;
    }
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator() || CommandIdOf(action) != id) continue;
        if (!action->isEnabled()) {
            *error = "menu command " + idText + " is disabled";
            return false;
        }
        menu->setActiveAction(action);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &press);
        return true;
    }
    *error = "the popup menu has no command " + idText;
    return false;
}

bool SelectEntry(QWidget* control, int index, const std::string& idText, std::string* error) {
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (index >= combo->count()) {
            *error = "control " + idText + " has " + std::to_string(combo->count()) +
                     " entries, no entry " + std::to_string(index);
            return false;
        }
        combo->setCurrentIndex(index);
        // What a choice made by hand reports besides the change.
        emit combo->activated(index);
        return true;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        QAbstractItemModel* model = view->model();
        const int rows = model ? model->rowCount(view->rootIndex()) : 0;
        if (index >= rows) {
            *error = "control " + idText + " has " + std::to_string(rows) + " rows, no row " +
                     std::to_string(index);
            return false;
        }
        const QModelIndex item = model->index(index, 0, view->rootIndex());
        view->setCurrentIndex(item);
        if (view->selectionModel()) {
            view->selectionModel()->select(
                item, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        return true;
    }
    *error = "control " + idText + " is not a list or combo box";
    return false;
}

bool TypeText(QWidget* control, const QString& text, const std::string& idText,
              std::string* error) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(control);
    if (!edit) {
        if (auto* combo = qobject_cast<QComboBox*>(control)) edit = combo->lineEdit();
    }
    if (edit) {
        if (edit->isReadOnly()) {
            *error = "control " + idText + " is read-only";
            return false;
        }
        // Typed over the old text, as a user does: the edit's length limit
        // and validator apply and textEdited is reported.
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        edit->insert(text);
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(text);
        return true;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->setPlainText(text);
        return true;
    }
    *error = "control " + idText + " is not a text field";
    return false;
}

bool ClickOrCheck(QWidget* control, const ScriptCommand& command, const std::string& idText,
                  std::string* error) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (command.op == ScriptOp::Click) {
        if (button) {
            button->click();
            return true;
        }
        *error = "control " + idText + " is not a button";
        return false;
    }
    if (button && button->isCheckable()) {
        if (button->isChecked() != command.on) button->click();
        // A radio button cannot be clicked off. Any other box stays as the
        // click left it: a dialog may refuse the change (Show Hidden Files
        // without the password).
        if (!command.on && button->autoExclusive() && button->isChecked()) {
            button->setChecked(false);
        }
        return true;
    }
    *error = "control " + idText + " is not a check box or radio button";
    return false;
}

// A tree item's device path: its own when it carries one (Qt::UserRole),
// else its parent's path and its text.
QString ItemPath(const QTreeWidgetItem* item) {
    const QString own = item->data(0, Qt::UserRole).toString();
    if (!own.isEmpty()) return own;
    const QString text = item->text(0);
    if (!item->parent()) return text.startsWith(u'\\') ? text : QStringLiteral("\\") + text;
    QString parent = ItemPath(item->parent());
    if (!parent.endsWith(u'\\')) parent += u'\\';
    return parent + text;
}

QString TrimSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(u'\\')) path.chop(1);
    return path;
}

QTreeWidgetItem* FindItem(QTreeWidgetItem* item, const QString& path) {
    if (TrimSeparator(ItemPath(item)).compare(path, Qt::CaseInsensitive) == 0) return item;
    for (int i = 0; i < item->childCount(); ++i) {
        if (QTreeWidgetItem* found = FindItem(item->child(i), path)) return found;
    }
    return nullptr;
}

}  // namespace

QWidget* ScriptRunner::TopDialog() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal != &main_) return modal;
    }
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
        QWidget* w = *it;
        if (w && w->isVisible() && qobject_cast<QDialog*>(w)) return w;
    }
    return nullptr;
}

bool ScriptRunner::ControlCommand(const ScriptCommand& command, std::string* error) {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        return MenuCommand(menu, command, error);
    }
    const int id = static_cast<int>(command.number);
    const std::string idText = std::to_string(id);
    QWidget* dialog = TopDialog();
    if (!dialog) {
        *error = "no dialog is open";
        return false;
    }
    QWidget* control = FindControl(dialog, id);
    if (!control) {
        *error =
            "the dialog '" + dialog->windowTitle().toStdString() + "' has no control " + idText;
        return false;
    }
    if (!control->isEnabled()) {
        *error = "control " + idText + " is disabled";
        return false;
    }
    switch (command.op) {
        case ScriptOp::Click:
        case ScriptOp::Check:
            return ClickOrCheck(control, command, idText, error);
        case ScriptOp::Select:
            return SelectEntry(control, static_cast<int>(command.index), idText, error);
        case ScriptOp::Type:
            return TypeText(control, ToQString(command.text), idText, error);
        default:
            return false;
    }
}

bool ScriptRunner::TreeCommand(const ScriptCommand& command, std::string* error) {
    QWidget* dialog = TopDialog();
    if (!dialog) {
        *error = "no dialog is open";
        return false;
    }
    const auto trees = dialog->findChildren<QTreeWidget*>();
    QTreeWidget* tree = nullptr;
    for (QTreeWidget* t : trees) {
        if (t->isVisible()) {
            tree = t;
            break;
        }
    }
    if (!tree) {
        *error = "the dialog '" + dialog->windowTitle().toStdString() + "' has no tree";
        return false;
    }
    const QString path = TrimSeparator(ToQString(command.text));
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && !item; ++i) {
        item = FindItem(tree->topLevelItem(i), path);
    }
    if (!item) {
        *error = "the tree has no item '" + path.toStdString() + "'";
        return false;
    }
    if (command.op == ScriptOp::Expand) {
        tree->expandItem(item);
    } else {
        tree->collapseItem(item);
    }
    return true;
}

}  // namespace inkvista
