// How the program's dialogs are built from their templates: a dialog is a
// table of controls in dialog units, converted to pixels with the base units
// of the template's font, and every control carries the numeric id of its
// template in the dynamic property "controlId".
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <span>
#include <string_view>
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

// The font faces templates name. On the device both are drawn with its one
// system face, and so they are here.
enum class DialogFace { System, MsSansSerif };

// The font that stands for a template's face at `pointSize` on the device's
// 96-dpi screen, `scale` times as large for a screen drawn enlarged.
QFont TemplateFont(DialogFace face, int pointSize, qreal scale = 1);

// A font's dialog base units in pixels: the average width of its letters and
// its height. One horizontal dialog unit is x / 4 pixels, one vertical unit
// y / 8 pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle in dialog units in pixels. Each edge is converted on its own,
// so controls that meet in dialog units meet in pixels too.
QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int width, int height);

// Dialog units of the System font of size 10, the font of most templates.
QRect DialogUnitsToPixels(int x, int y, int width, int height);
QSize DialogUnitsToPixels(int width, int height);

enum class ControlKind {
    GroupBox,
    Label,          // static text, left-aligned, wrapping at words
    Button,         // push button
    DefaultButton,  // the push button Enter presses
    RadioButton,    // automatic radio button
    CheckBox,       // automatic check box
    DropDownList,   // combo box with a list only; the height includes the list
    PasswordEdit,   // one-line edit that masks its text and scrolls
    Picture,        // a bitmap of the resources, at its own size
};

// One control of a template.
struct ControlRow {
    int id = kStaticControlId;
    ControlKind kind = ControlKind::Label;
    std::u16string_view text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    int bitmap = 0;                           // a picture's resource id
};

// A dialog template: its resource id, title, font, place over its owner and
// client size in dialog units, and its controls in creation order.
struct DialogTemplate {
    int id = 0;
    std::u16string_view title;
    DialogFace face = DialogFace::System;
    int pointSize = 10;
    int x = 0, y = 0, width = 0, height = 0;
    std::span<const ControlRow> controls;
};

// A dialog's scale: the one its owner's device screen is drawn at when the
// dialog is made (DeviceScreenOf).
inline constexpr qreal kOwnersScale = 0;
// The colour of a dialog's caption strip.
QColor CaptionColour();

// A modal dialog built from a template. It ends with the command that closed
// it (IDOK, IDCANCEL, …) as exec()'s result; Escape and the close box end it
// with IDCANCEL. Its title is drawn in a caption strip above the client area,
// as the device shows it; controls are placed in the client area.
class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    // Every control of `dialogTemplate` is created; push buttons, check boxes
    // and radio buttons report their clicks to OnCommand.
    TemplateDialog(QWidget* owner, const DialogTemplate& dialogTemplate);
    // A template of the System font of size 10 whose controls the subclass
    // adds itself; `scale` enlarges font, units and caption alike.
    TemplateDialog(QWidget* owner, int templateId, const QString& title, int widthDu, int heightDu,
                   qreal scale = kOwnersScale);

    int templateId() const { return templateId_; }
    // Logical pixels per device pixel: fonts, units, pictures and the style's
    // parts are that much larger than on the device.
    qreal scale() const { return scale_; }
    const DialogBaseUnits& baseUnits() const { return units_; }
    // The client area below the caption strip, in the dialog's pixels.
    QRect clientRect() const;
    int captionHeight() const;

    QPushButton* AddButton(int id, const QString& text, int x, int y, int width, int height,
                           bool isDefault = false);
    QLabel* AddText(int id, const QString& text, int x, int y, int width, int height);
    // Creates one control of a table (its parent is this dialog).
    QWidget* AddControl(const ControlRow& row);
    // Keeps a control made by a subclass (its parent must be this dialog).
    template <typename Control>
    Control* Keep(std::unique_ptr<Control> control) {
        Control* raw = control.get();
        controls_.push_back(std::move(control));
        return raw;
    }
    // Puts a control at a rectangle in dialog units of the client area.
    void Place(QWidget* control, int x, int y, int width, int height) const;

    // The control with that id when it is of that kind, else null.
    template <typename Control>
    Control* control(int id) {
        return qobject_cast<Control*>(FindControl(this, id));
    }

    // Places the dialog at its template position over its owner's client
    // area, moved as little as needed to stay on the device's screen.
    void PlaceOverOwner();
    // Centres the dialog over the device's screen, where the main window
    // draws it.
    void CentreOverScreen();

    void reject() override;

  protected:
    // A push button, check box or radio button of the table was clicked.
    // The default handling does nothing.
    virtual void OnCommand(int id);
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetUp(const QString& title, const QFont& font, int widthDu, int heightDu);
    // The control of one table row; drop-down lists and pictures are placed
    // at `rect` here, in their own way.
    QWidget* CreateControl(const ControlRow& row, const QRect& rect);

    int templateId_;
    qreal scale_ = 1;
    QPoint templatePosition_;
    DialogBaseUnits units_;
    std::vector<std::unique_ptr<QWidget>> controls_;
};

}  // namespace inkvista
