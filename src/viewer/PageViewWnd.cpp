#include "viewer/PageViewWnd.h"

#include <QPaintEvent>
#include <QPainter>

#include "models/Json.h"
#include "platform/Screen.h"
#include "ui/DialogControls.h"
#include "ui/WindowMessages.h"
#include "viewer/PagePainter.h"

namespace inkvista {

PageViewWnd::PageViewWnd(Device& device, ScreenSwitcher& screens, QWidget* parent)
    : QWidget(parent), screens_(screens), reader_(device, *this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The viewer is a window of its own: stylus events on it end here and
    // never reach the home screen underneath, whose buttons would act on them.
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    hide();
}

PageViewWnd::~PageViewWnd() = default;

bool PageViewWnd::Create(const QRect& rect, int id) {
    setGeometry(rect);
    SetControlId(this, id);
    backBitmap_ = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    backBitmap_.fill(kStockGrey);
    hide();
    return true;
}

const QImage& PageViewWnd::ComposeFrame() {
    if (backBitmap_.isNull()) {
        backBitmap_ = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    }
    backBitmap_.fill(kStockGrey);
    if (reader_.isOpen()) DrawPage(backBitmap_, reader_.image());
    return backBitmap_;
}

void PageViewWnd::WriteState(JsonValue& state) const {
    reader_.WriteState(state["viewer"]);
}

void PageViewWnd::Redraw() {
    repaint();
}

void PageViewWnd::SwitchScreen(int id, bool flag) {
    screens_.SwitchScreen(id, flag);
}

void PageViewWnd::paintEvent(QPaintEvent*) {
    ComposeFrame();
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), backBitmap_);
}

bool PageViewWnd::event(QEvent* event) {
    // The main window's messages (a hardware button, WM_USER + 2) are taken
    // here; the viewer does not act on hardware buttons in this version.
    if (event->type() == static_cast<QEvent::Type>(kUserMessageEventType)) return true;
    return QWidget::event(event);
}

}  // namespace inkvista
