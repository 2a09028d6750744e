// The home screen that the main window paints itself: the background picture,
// the pressed look of a held button, and what the buttons do.
#include "app/HomeScreen.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "app/AboutDialog.h"
#include "app/BackWnd.h"
#include "app/DesktopWays.h"
#include "dialogs/ButtonSettingDialog.h"
#include "dialogs/OptionsDialog.h"
#include "ui/Artwork.h"

namespace inkvista {

namespace {

// What surrounds the device's screen in a larger window.
const QColor kDesktopBackground(0x20, 0x20, 0x20);

}  // namespace

bool InKeyButton(int x, int y) {
    return x >= 86 && x <= 124 && y >= 49 && y <= 67;
}

bool InOptionAboutBand(int x, int y) {
    return x >= 128 && x <= 234 && y >= 49 && y <= 67;
}

bool InCloseBox(int x, int y) {
    return x >= 222 && x <= 237 && y >= 5 && y <= 20;
}

void ComposeHomeScreen(QImage& back, HomeButton pressedButton, MessageBoxes& messages) {
    struct Overlay {
        int id, x, y, width;
    };
    static constexpr Overlay kOption{136, 127, 48, 52};
    static constexpr Overlay kAbout{134, 182, 48, 52};
    static constexpr Overlay kKey{135, 85, 48, 39};
    const Overlay* overlay = nullptr;
    switch (pressedButton) {
        case HomeButton::Options:
            overlay = &kOption;
            break;
        case HomeButton::About:
            overlay = &kAbout;
            break;
        case HomeButton::Keys:
            overlay = &kKey;
            break;
        case HomeButton::Close:  // the close box has no pressed look
        case HomeButton::None:
            break;
        default:
            messages.Show(u"Error on DrawBackImage()--> Switch in BackWnd.cpp");
            break;
    }
    // `back` may have more pixels than the screen (an enlarged window); the
    // pictures are then the ones drawn for its ratio.
    const qreal ratio = back.devicePixelRatio();
    QPainter painter(&back);
    const QImage background =
        CopyBitmap(LoadBitmap(kHomeScreenBitmapId, ratio), QRect(0, 0, 240, 320));
    // White where the picture does not reach; on the device's screen it
    // covers every pixel, and a large frame is not filled twice.
    const QRectF whole(QPointF(0, 0), back.deviceIndependentSize());
    if (background.isNull() || background.size() != back.size()) {
        painter.fillRect(whole, Qt::white);
    }
    painter.drawImage(QPoint(0, 0), background);
    if (overlay) {
        painter.drawImage(
            QPoint(overlay->x, overlay->y),
            CopyBitmap(LoadBitmap(overlay->id, ratio), QRect(0, 0, overlay->width, 19)));
    }
}

void BackWnd::DrawBackImage(QPainter& target) {
    const qreal ratio = scale_ * target.device()->devicePixelRatioF();
    const QSize pixels(qRound(screenWidth_ * ratio), qRound(screenHeight_ * ratio));
    // Nothing held or focused: the home screen is its picture alone, drawn
    // straight onto the window instead of through the back bitmap (at full
    // screen that is 3.4 MB copied, and at first faulted in, for nothing).
    if (pressedButton_ == HomeButton::None &&
        !(desktopWays_ && desktopWays_->focusedButton() != HomeButton::None)) {
        const QImage background = CopyBitmap(LoadBitmap(kHomeScreenBitmapId, ratio),
                                             QRect(0, 0, screenWidth_, screenHeight_));
        if (background.size() == pixels) {
            target.drawImage(QRectF(screenRect_), background, QRectF(background.rect()));
            return;
        }
    }
    if (backBitmap_.isNull() || backBitmap_.devicePixelRatio() != ratio) {
        backBitmap_ = QImage(pixels, QImage::Format_RGB32);
        backBitmap_.setDevicePixelRatio(ratio);
    }
    ComposeHomeScreen(backBitmap_, pressedButton_, device_.messages());
    if (desktopWays_) desktopWays_->DrawFocus(backBitmap_);
    // Composed in the device's pixels, copied pixel for pixel onto the
    // screen's place in the window.
    target.drawImage(QRectF(screenRect_), backBitmap_, QRectF(backBitmap_.rect()));
}

void BackWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Around the screen, a plain background.
    for (const QRect& band : QRegion(rect()).subtracted(screenRect_)) {
        painter.fillRect(band, kDesktopBackground);
    }
    // The viewer covers the screen while it is shown.
    if (event->region().intersects(screenRect_)) DrawBackImage(painter);
}

void BackWnd::InvalidateAndUpdate() {
    repaint();
}

void BackWnd::OnStylusDown(int x, int y) {
    if (InKeyButton(x, y)) {
        pressedButton_ = HomeButton::Keys;
        InvalidateAndUpdate();
        TakeCapture();
    }
    if (InOptionAboutBand(x, y)) {
        pressedButton_ = x < 180 ? HomeButton::Options : HomeButton::About;
        InvalidateAndUpdate();
        TakeCapture();
    }
    if (InCloseBox(x, y)) pressedButton_ = HomeButton::Close;
}

void BackWnd::OnStylusUp(int x, int y) {
    bool repaintDue = pressedButton_ != HomeButton::None;
    if (InKeyButton(x, y) && pressedButton_ == HomeButton::Keys) RunKeysDialog();
    if (InOptionAboutBand(x, y)) {
        if (x >= 180 && pressedButton_ == HomeButton::About) {
            screenState_ = Screen::About;
            ShowDialog();
            list_.setFocus();
        } else if (x < 180 && pressedButton_ == HomeButton::Options) {
            RunOptionsDialog();
        }
    }
    if (InCloseBox(x, y) && pressedButton_ == HomeButton::Close) {
        repaintDue = false;
        if (device_.messages().Show(u"Quit InkVISTA ?", MB_OKCANCEL) == IDOK) close();
    }
    screenState_ = Screen::List;
    pressedButton_ = HomeButton::None;
    if (captured_) ReleaseCapture();
    if (repaintDue) InvalidateAndUpdate();
}

void BackWnd::RunKeysDialog() {
    screenState_ = Screen::Keys;
    working_.keyMap = keyMap_;
    if (ShowDialog()) {
        keyMap_ = working_.keyMap;
        SaveOptions();
        RegisterHotKeys();
    }
    list_.setFocus();
}

void BackWnd::RunOptionsDialog() {
    screenState_ = Screen::Options;
    working_.viewOption = viewOption_;
    if (ShowDialog()) {
        viewOption_ = working_.viewOption;
        SaveOptions();
    }
    list_.SetSettings(LibrarySettingsNow());
    list_.RefreshLibrary();
    list_.setFocus();
}

bool BackWnd::ShowDialog() {
    // A dialog coming up cancels the stylus capture of the button that opened it.
    if (QWidget::mouseGrabber() == this) releaseMouse();
    switch (screenState_) {
        case Screen::Options: {
            working_.password = password_;
            working_.userDir = userDir_;
            OptionsDialog dialog(this, device_, working_);
            dialog.PlaceOverOwner();
            dialog.exec();
            const bool confirmed = dialog.confirmed();
            // The password and folder dialogs inside Options act at once, so
            // their results stand even when Options is cancelled.
            password_ = working_.password;
            userDir_ = working_.userDir;
            CheckUserDir();
            if (working_.resetRequested) {
                DeleteHiddenBooks();
                working_.resetRequested = false;
            }
            return confirmed;
        }
        case Screen::About: {
            AboutDialog dialog(this);
            dialog.CentreOverScreen();
            return dialog.exec() == IDOK;
        }
        case Screen::Keys: {
            ButtonSettingDialog dialog(
                this, working_, isLoox_ ? kButtonSettingLooxTemplateId : kButtonSettingTemplateId);
            dialog.PlaceOverOwner();
            dialog.exec();
            return dialog.confirmed();
        }
        default:
            device_.messages().Show(u"Error on ShowDialog in BackWnd");
            return false;
    }
}

void BackWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = ToDevice(event->position());
        OnStylusDown(at.x(), at.y());
    }
}

void BackWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = ToDevice(event->position());
        OnStylusUp(at.x(), at.y());
    }
}

}  // namespace inkvista
