// The program's message box, drawn as its dialogs are: the caption strip,
// the text wrapped to the device's screen, OK or OK and Cancel. It is laid
// out for the device screen it opens over and never stands out past it.
#pragma once

#include <QString>
#include <QTextLayout>
#include <QWidget>
#include <cstdint>

#include "ui/DeviceScreen.h"
#include "ui/DialogControls.h"

class QScrollArea;

namespace inkvista {

// A text in lines of at most a given width, breaking at word boundaries and,
// for a word longer than a line (a path), anywhere in it.
class WrappedText : public QWidget {
  public:
    WrappedText(const QString& text, QWidget* parent);
    // Breaks the text into lines of at most `width` pixels and takes the
    // height they need; answers that height.
    int LayOut(int width);
    // The widest line of the text as it stands, unbroken.
    int naturalWidth() const;
    // The widest line of the last LayOut.
    int usedWidth() const { return usedWidth_; }
    const QString& text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    QTextLayout layout_;
    int usedWidth_ = 0;
};

class MessageBoxDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // `type` is MB_OK or MB_OKCANCEL; exec() answers IDOK or IDCANCEL, and
    // Escape answers IDCANCEL, or IDOK in a box without Cancel, as the
    // device's boxes do.
    MessageBoxDialog(QWidget* owner, const QString& text, const QString& caption, uint32_t type,
                     const DeviceScreenView& screen);

    QString text() const { return text_->text(); }
    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Pixels of the box for `devicePixels` of the device's screen.
    int Px(int devicePixels) const;
    void LayOut(const DeviceScreenView& screen);

    qreal scale_;
    bool hasCancel_;
    QScrollArea* scroll_ = nullptr;
    WrappedText* text_ = nullptr;
    QWidget* ok_ = nullptr;
    QWidget* cancel_ = nullptr;
};

}  // namespace inkvista
