// The page viewer: child window 1002 of the main window, shown while a book
// is open. It paints what its reader model holds and turns window events
// into the model's operations; every frame is composed off-screen and copied
// in one piece.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include "models/ReaderModel.h"
#include "platform/Device.h"

namespace inkvista {

class JsonValue;

class PageViewWnd : public QWidget, public ReaderHost {
    Q_OBJECT

  public:
    // `screens` is the main window's SwitchScreen, reached when the model
    // hands the screen back to the library.
    PageViewWnd(Device& device, ScreenSwitcher& screens, QWidget* parent);
    ~PageViewWnd() override;

    // Window creation: hidden child at `rect` with id `id`.
    bool Create(const QRect& rect, int id);

    ReaderModel& model() { return reader_; }
    const ReaderModel& model() const { return reader_; }

    // Composes one frame (240 × 320) off-screen and answers it.
    const QImage& ComposeFrame();

    // The script state's "viewer" object.
    void WriteState(JsonValue& state) const;

    // ReaderHost.
    void Redraw() override;
    void SwitchScreen(int id, bool flag) override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    ScreenSwitcher& screens_;
    ReaderModel reader_;
    // The off-screen frame (backBitmap).
    QImage backBitmap_;
};

}  // namespace inkvista
