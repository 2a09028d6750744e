// The home screen that the main window paints itself: the background picture,
// the pressed look of a held button, and what the buttons do.
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QString>

#include "app/AboutDialog.h"
#include "app/BackWnd.h"
#include "dialogs/ButtonSettingDialog.h"
#include "dialogs/OptionsDialog.h"

namespace inkvista {

namespace {

QImage LoadBitmap(int id) {
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

// Hit regions, both ends inclusive.
bool InKeyButton(int x, int y) {
    return x >= 86 && x <= 124 && y >= 49 && y <= 67;
}
// "Option" (x < 180) and "About" share one band.
bool InOptionAboutBand(int x, int y) {
    return x >= 128 && x <= 234 && y >= 49 && y <= 67;
}
bool InCloseBox(int x, int y) {
    return x >= 222 && x <= 237 && y >= 5 && y <= 20;
}

}  // namespace

void BackWnd::DrawBackImage(QPainter& target) {
    if (backBitmap.isNull()) backBitmap = QImage(screenWidth, screenHeight, QImage::Format_RGB32);
    {
        QPainter back(&backBitmap);
        back.fillRect(QRect(0, 0, screenWidth, screenHeight), Qt::white);
        imageDC = LoadBitmap(129);
        back.drawImage(QPoint(0, 0), imageDC, QRect(0, 0, 240, 320));

        struct Overlay {
            int id, x, y, width;
        };
        const Overlay* overlay = nullptr;
        static constexpr Overlay kOption{136, 127, 48, 52};
        static constexpr Overlay kAbout{134, 182, 48, 52};
        static constexpr Overlay kKey{135, 85, 48, 39};
        switch (pressedButton) {
            case kButtonOptions:
                overlay = &kOption;
                break;
            case kButtonAbout:
                overlay = &kAbout;
                break;
            case kButtonKeys:
                overlay = &kKey;
                break;
            case kButtonClose:  // the close box has no pressed look
            case kNoButton:
                break;
            default:
                device_.messages().Show(u"Error on DrawBackImage()--> Switch in BackWnd.cpp");
                break;
        }
        if (overlay) {
            imageDC = LoadBitmap(overlay->id);
            back.drawImage(QPoint(overlay->x, overlay->y), imageDC,
                           QRect(0, 0, overlay->width, 19));
        }
    }
    target.drawImage(QPoint(0, 0), backBitmap, QRect(0, 0, screenWidth, screenHeight));
    imageDC = QImage();  // bitmaps live only for one paint
}

void BackWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawBackImage(painter);
}

void BackWnd::InvalidateAndUpdate() {
    repaint();
}

void BackWnd::OnStylusDown(int x, int y) {
    if (InKeyButton(x, y)) {
        pressedButton = kButtonKeys;
        InvalidateAndUpdate();
        TakeCapture();
    }
    if (InOptionAboutBand(x, y)) {
        pressedButton = x < 180 ? kButtonOptions : kButtonAbout;
        InvalidateAndUpdate();
        TakeCapture();
    }
    if (InCloseBox(x, y)) pressedButton = kButtonClose;
}

void BackWnd::OnStylusUp(int x, int y) {
    bool repaintDue = pressedButton != kNoButton;
    if (InKeyButton(x, y) && pressedButton == kButtonKeys) {
        screenState = kStateKeys;
        working.keyMap = keyMap;
        if (ShowDialog()) {
            keyMap = working.keyMap;
            SaveOptions();
            RegisterHotKeys();
        }
        list.setFocus();
    }
    if (InOptionAboutBand(x, y)) {
        if (x >= 180 && pressedButton == kButtonAbout) {
            screenState = kStateAbout;
            ShowDialog();
            list.setFocus();
        } else if (x < 180 && pressedButton == kButtonOptions) {
            screenState = kStateOptions;
            working.viewOption = viewOption;
            if (ShowDialog()) {
                viewOption = working.viewOption;
                SaveOptions();
            }
            list.RefreshLibrary();
            list.setFocus();
        }
    }
    if (InCloseBox(x, y) && pressedButton == kButtonClose) {
        repaintDue = false;
        if (device_.messages().Show(u"Quit InkVISTA ?", MB_OKCANCEL) == IDOK) close();
    }
    screenState = kStateList;
    pressedButton = kNoButton;
    if (captured) ReleaseCapture();
    if (repaintDue) InvalidateAndUpdate();
}

bool BackWnd::ShowDialog() {
    // A dialog coming up cancels the stylus capture of the button that opened it.
    if (QWidget::mouseGrabber() == this) releaseMouse();
    const QSize screen(screenWidth, screenHeight);
    switch (screenState) {
        case kStateOptions: {
            working.password = password;
            working.userDir = userDir;
            OptionsDialog dialog(this, working);
            dialog.CentreOverScreen(screen);
            const bool confirmed = dialog.exec() == IDOK;
            // The password and folder dialogs inside Options act at once, so
            // their results stand even when Options is cancelled.
            password = working.password;
            userDir = working.userDir;
            CheckUserDir();
            if (working.resetRequested) {
                DeleteHiddenBooks();
                working.resetRequested = false;
            }
            return confirmed;
        }
        case kStateAbout: {
            AboutDialog dialog(this);
            dialog.CentreOverScreen(screen);
            return dialog.exec() == IDOK;
        }
        case kStateKeys: {
            ButtonSettingDialog dialog(
                this, working, isLoox ? kButtonSettingLooxTemplateId : kButtonSettingTemplateId);
            dialog.CentreOverScreen(screen);
            return dialog.exec() == IDOK;
        }
        default:
            device_.messages().Show(u"Error on ShowDialog in BackWnd");
            return false;
    }
}

void BackWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        OnStylusDown(at.x(), at.y());
    }
}

void BackWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        OnStylusUp(at.x(), at.y());
    }
}

}  // namespace inkvista
