// The page viewer: child window 1002 of the main window, shown while a book
// is open. It paints what its reader model holds and turns window events
// into the model's operations; every frame is composed off-screen and copied
// in one piece.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "models/ReaderModel.h"
#include "platform/Device.h"

namespace inkvista {

class JsonValue;
class SessionAwake;

class PageViewWnd : public QWidget, public ReaderHost {
    Q_OBJECT

  public:
    // `screens` are the main window's passages, reached when the model
    // hands the screen back to the library.
    PageViewWnd(Device& device, ScreenSwitcher& screens, QWidget* parent);
    ~PageViewWnd() override;

    // Window creation: hidden child at `rect` with id `id`.
    bool Create(const QRect& rect, int id);

    // The screen is drawn `scale` logical pixels per device pixel (the main
    // window places this window over it): frames are composed that much
    // finer, and the stylus is taken back to the device's pixels.
    void SetScale(qreal scale);
    qreal scale() const { return scale_; }

    ReaderModel& model() { return reader_; }
    const ReaderModel& model() const { return reader_; }

    // Composes one frame (240 × 320 screen pixels, `pixelRatio` image pixels
    // to each) off-screen and answers it.
    const QImage& ComposeFrame(qreal pixelRatio = 1.0);

    // The script state's "viewer" object.
    void WriteState(JsonValue& state) const;

    // WM_USER + 2: a hardware button the main window posted.
    void OnHardwareButton(uint32_t code);

    // ReaderHost.
    void Redraw() override;
    void AnimationFrame() override;
    void OpenRequestedBook() override;
    void ReturnToLibrary(bool keepPage) override;
    void ShowMessage(std::u16string_view text) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    QPoint StylusAt(const QMouseEvent& event) const;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    Device& device_;
    ScreenSwitcher& screens_;
    ReaderModel reader_;
    // The session's screen saver, held off while auto scroll runs.
    std::unique_ptr<SessionAwake> session_;
    // The off-screen frame (backBitmap).
    QImage backBitmap_;
    // The page part of a frame at the device's size, on its way to a
    // fractional scale.
    QImage deviceFrame_;
    // When the last frame of a smooth step was shown, to pace the next.
    QElapsedTimer lastAnimationFrame_;
    // Shortly after a frame, the next turn's page is decoded ahead
    // (ReaderModel::PrepareNextTurn), once the frame is on the screen.
    QTimer turnAhead_;
    // Eighths of a degree of wheel turn not yet taken as a key press.
    int wheelRemainder_ = 0;
    qreal scale_ = 1;
};

}  // namespace inkvista
