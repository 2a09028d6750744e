// How the program's dialogs are built: every control carries the numeric id of
// its template in the dynamic property "controlId", positions are given in
// dialog units, and a dialog opens centred over the screen.
#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QWidget;

namespace inkvista {

inline constexpr char kControlIdProperty[] = "controlId";
// The id of a control that no code addresses (a static text, a group box).
constexpr int kStaticControlId = -1;

void SetControlId(QWidget* control, int id);
// The control's id, or kStaticControlId when it has none.
int ControlId(const QWidget* control);
// The first visible-or-not descendant of `dialog` with that id, else null.
QWidget* FindControl(QWidget* dialog, int id);

// Dialog units of the dialogs' font of size 10 in screen pixels: one unit is
// 7/4 pixel across and 2 pixels down.
QRect DialogUnitsToPixels(int x, int y, int width, int height);
QSize DialogUnitsToPixels(int width, int height);

// A modal dialog built from a template: a client area of the given size in
// dialog units, its title, and controls placed in dialog units. It ends with
// the command that closed it (IDOK, IDCANCEL, …) as exec()'s result.
class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    TemplateDialog(QWidget* owner, int templateId, const QString& title, int widthDu, int heightDu);

    int templateId() const { return templateId_; }

    QPushButton* AddButton(int id, const QString& text, int x, int y, int width, int height,
                           bool isDefault = false);
    QLabel* AddText(int id, const QString& text, int x, int y, int width, int height);
    // Keeps a control made by a subclass (its parent must be this dialog).
    template <typename Control>
    Control* Keep(std::unique_ptr<Control> control) {
        Control* raw = control.get();
        controls_.push_back(std::move(control));
        return raw;
    }

    // Centres the dialog over the screen, whose top-left is the owner's
    // top-left.
    void CentreOverScreen();

  private:
    int templateId_;
    std::vector<std::unique_ptr<QWidget>> controls_;
};

}  // namespace inkvista
