#include "viewer/PageViewWnd.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QWheelEvent>
#include <cmath>

#include "models/Json.h"
#include "platform/Screen.h"
#include "ui/DialogControls.h"
#include "ui/HotKeys.h"
#include "viewer/Overlays.h"
#include "viewer/PagePainter.h"
#include "viewer/ScreenSaverInhibit.h"

namespace inkvista {

namespace {

// The frames of a smooth step are shown one per display frame.
constexpr qint64 kAnimationFrameMs = 16;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

// Whether frames reach a person: not on the headless platforms of script
// mode and the tests, where the clock must not move.
bool OnDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

PageViewWnd::PageViewWnd(Device& device, ScreenSwitcher& screens, QWidget* parent)
    : QWidget(parent), device_(device), screens_(screens), reader_(device, *this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The viewer is a window of its own: stylus events on it end here and
    // never reach the home screen underneath, whose buttons would act on them.
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    if (OnDisplay()) {
        session_ = std::make_unique<ScreenSaverInhibit>();
        device_.power().SetSession(session_.get());
    }
    // 20 ms: after the frame has reached the screen, long before a person
    // turns again. Not in script mode and tests, where what is decoded
    // when must not depend on the machine's speed.
    turnAhead_.setSingleShot(true);
    turnAhead_.setInterval(20);
    connect(&turnAhead_, &QTimer::timeout, this, [this] { reader_.PrepareNextTurn(); });
    hide();
}

PageViewWnd::~PageViewWnd() {
    // The model's own teardown stops auto scroll, which lets the session go:
    // close it first, while the session still exists.
    if (reader_.isOpen()) reader_.CloseBook();
    device_.power().KeepAwake(false);
    if (session_) device_.power().SetSession(nullptr);
}

bool PageViewWnd::Create(const QRect& rect, int id) {
    setGeometry(rect);
    SetControlId(this, id);
    backBitmap_ = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    backBitmap_.fill(kStockGrey);
    hide();
    return true;
}

void PageViewWnd::SetScale(qreal scale) {
    if (scale == scale_) return;
    scale_ = scale;
    update();
}

QPoint PageViewWnd::StylusAt(const QMouseEvent& event) const {
    const QPointF at = event.position() / scale_;
    return QPoint(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
}

const QImage& PageViewWnd::ComposeFrame(qreal pixelRatio) {
    const QSize size(qRound(kScreenWidth * pixelRatio), qRound(kScreenHeight * pixelRatio));
    if (backBitmap_.size() != size) {
        backBitmap_ = QImage(size, QImage::Format_RGB32);
        backBitmap_.setDevicePixelRatio(pixelRatio);
    }
    if (!reader_.isOpen()) {
        backBitmap_.fill(kStockGrey);
        return backBitmap_;
    }
    DrawPageFrame(backBitmap_, deviceFrame_, reader_.image(), reader_.position().scrollX,
                  reader_.position().scrollY);

    const ReadingState& reading = reader_.reading();
    FrameFacts facts;
    facts.portrait = reader_.portrait();
    facts.title = reader_.book().bookTitle;
    facts.currentPage = reader_.currentPage();
    facts.pageCount = reader_.book().pageCount;
    if (reading.menuShown) {
        // Asked at each paint: the bar shows them as they are now.
        facts.batteryPercent = device_.shell().BatteryPercent();
        facts.clock = device_.timers().LocalTime();
    }
    DrawOverlays(backBitmap_, reading, facts);
    return backBitmap_;
}

void PageViewWnd::WriteState(JsonValue& state) const {
    reader_.WriteState(state["viewer"]);
}

void PageViewWnd::Redraw() {
    repaint();
    if (OnDisplay() && !turnAhead_.isActive()) turnAhead_.start();
}

void PageViewWnd::AnimationFrame() {
    if (OnDisplay() && lastAnimationFrame_.isValid()) {
        const qint64 wait = kAnimationFrameMs - lastAnimationFrame_.elapsed();
        if (wait > 0 && wait <= kAnimationFrameMs)
            QThread::msleep(static_cast<unsigned long>(wait));
    }
    repaint();
    lastAnimationFrame_.start();
}

void PageViewWnd::OpenRequestedBook() {
    screens_.OpenRequestedBook();
}

void PageViewWnd::ReturnToLibrary(bool keepPage) {
    screens_.ReturnToLibrary(keepPage);
}

void PageViewWnd::ShowMessage(std::u16string_view text) {
    device_.messages().Show(text);
}

void PageViewWnd::paintEvent(QPaintEvent*) {
    ComposeFrame(scale_ * devicePixelRatioF());
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), backBitmap_, QRectF(backBitmap_.rect()));
}

void PageViewWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint at = StylusAt(*event);
    reader_.OnTapDown(at.x(), at.y());
}

void PageViewWnd::mouseMoveEvent(QMouseEvent* event) {
    // Only a stylus that is down drags.
    if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    const QPoint at = StylusAt(*event);
    reader_.OnDrag(at.x(), at.y());
}

void PageViewWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    reader_.OnRelease();
}

void PageViewWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    reader_.OnDoubleTap();
}

void PageViewWnd::keyPressEvent(QKeyEvent* event) {
    // The desktop's own reading keys, on the operations a person expects.
    ViewerCommand command = ViewerCommand::None;
    uint32_t vk = VirtualKeyOf(*event);
    switch (event->key()) {
        case Qt::Key_PageDown:
            vk = VK_NEXT;
            break;
        case Qt::Key_PageUp:
            vk = VK_PRIOR;
            break;
        case Qt::Key_Home:
            vk = VK_HOME;
            break;
        case Qt::Key_End:
            vk = VK_END;
            break;
        case Qt::Key_Escape:
            vk = VK_ESCAPE;
            break;
        default:
            break;
    }
    switch (vk) {
        case VK_NEXT:
            command = ViewerCommand::GoNextPage;
            break;
        case VK_PRIOR:
            command = ViewerCommand::GoPrevPage;
            break;
        case VK_HOME:
            command = ViewerCommand::GoFirstPage;
            break;
        case VK_END:
            command = ViewerCommand::GoLastPage;
            break;
        case VK_ESCAPE:
            // The bar's close button: the page is kept as the bookmark.
            if (reader_.isOpen()) return reader_.CloseAndReturn(true);
            break;
        default:
            if (reader_.OnKey(vk)) return;
            return QWidget::keyPressEvent(event);
    }
    if (!reader_.OnKeyCommand(command)) QWidget::keyPressEvent(event);
}

void PageViewWnd::wheelEvent(QWheelEvent* event) {
    // Each notch is one press of the up or down direction key.
    wheelRemainder_ += event->angleDelta().y();
    while (wheelRemainder_ >= kWheelNotch) {
        wheelRemainder_ -= kWheelNotch;
        reader_.OnKey(VK_UP);
    }
    while (wheelRemainder_ <= -kWheelNotch) {
        wheelRemainder_ += kWheelNotch;
        reader_.OnKey(VK_DOWN);
    }
    event->accept();
}

void PageViewWnd::OnHardwareButton(uint32_t code) {
    reader_.OnHardwareButton(code);
}

}  // namespace inkvista
