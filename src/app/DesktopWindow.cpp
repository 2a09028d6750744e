// The main window as a desktop program's window: decorated, resizable,
// maximisable and full screen, with the device's screen drawn as large as
// the window lets it, centred on a plain background.
#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/BackWnd.h"
#include "app/WindowMemory.h"
#include "models/LibraryRows.h"
#include "platform/HeapTuning.h"
#include "ui/Artwork.h"
#include "ui/DeviceScreen.h"

namespace inkvista {

namespace {

// The list window's rectangle on the screen, right and bottom exclusive.
constexpr int kListLeft = 7, kListTop = 78, kListRight = 233, kListBottom = 313;

// A first window takes this share of the desktop's height at most.
constexpr qreal kFirstWindowShare = 0.85;
// Long after a first frame (some 50 ms after start), long before a person
// reaches for the window's edge.
constexpr int kSetAsideDrawingsDelayMs = 400;

bool KeepsItsSize(Qt::WindowStates states) {
    return states & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

// The first paint writes every pixel of a backing store the size of the
// window, whose pages the kernel clears as each is first touched: 8 MB at
// 1920 x 1080, some 5 ms of the first paint. Sized now, for the size the
// window is coming at, the store is faulted in on another thread while the
// window manager maps the window. Should the window get another size, Qt
// makes the store again at the first paint, as it would have.
void PrepareBackingStore(QWidget& window, QSize size) {
    // Qt's X11 store has its memory as soon as it is sized. Other platforms'
    // stores may make theirs only as their first paint begins (Wayland's has
    // no image to hand out before then): theirs are left to Qt.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    // A store Qt has sized already has been painted: only the first paint's
    // is made ready.
    QBackingStore* store = window.backingStore();
    if (!store || store->size().isValid() || size.isEmpty()) return;
    store->resize(size);
    const QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image) return;
    const auto* image = static_cast<const QImage*>(device);
    FaultInAhead(const_cast<uchar*>(image->constBits()), static_cast<size_t>(image->sizeInBytes()));
    // Qt paints a store that already has the window's size only where the
    // window is marked dirty, and flushes it as it is otherwise. Qt marks a
    // window it shows dirty all over; this makes sure of it.
    window.update();
}

}  // namespace

void BackWnd::BecomeDesktopWindow(WindowMemory* memory, bool fixedScale) {
    desktopWindow_ = true;
    fixedScale_ = fixedScale;
    memory_ = fixedScale ? nullptr : memory;
    setWindowFlag(Qt::FramelessWindowHint, false);
    PrepareProgramIcon();
    setMinimumSize(kScreenWidth, kScreenHeight);
    AddDesktopKeys();
    if (memory_ && memory_->Restore(*this)) {
        // Only F11 makes the window full screen: one that comes back so
        // leaves it with Escape too.
        fullScreenByF11_ = windowState() & Qt::WindowFullScreen;
        leaveFullScreen_->setEnabled(fullScreenByF11_);
        comingSize_ = memory_->ComingSize(*this);
        PrepareStartPictures(comingSize_);
        return;
    }
    // A first window: the largest step that leaves the desktop some room.
    qreal scale = 1;
    if (const QScreen* desktop = screen(); desktop && !fixedScale_) {
        const qreal limit = FitScale(desktop->availableGeometry().size() * kFirstWindowShare);
        for (qreal next = StepScale(scale, true, kLargestScale); next > scale && next <= limit;
             next = StepScale(next, true, kLargestScale)) {
            scale = next;
        }
    }
    resize(ScreenSizeAt(scale));
    PrepareStartPictures(std::nullopt);
}

void BackWnd::PrepareStartPictures(std::optional<QSize> comingSize) {
    // The scale the window will come up at: its own size, or the one it had
    // when it was last maximised or full screen here. Without that, near
    // enough to pick the drawing: such a window fills the screen less its
    // frame.
    const auto ids = {kListIconsBitmapId, kHomeScreenBitmapId};
    const qreal ratio = devicePixelRatioF();
    if (fixedScale_ || comingSize || !KeepsItsSize(windowState())) {
        const qreal scale = fixedScale_ ? 1 : FitScale(comingSize.value_or(size()));
        PrepareBitmaps(ids, scale * ratio);
    } else if (const QScreen* desktop = screen()) {
        const QSize area = windowState() & Qt::WindowFullScreen
                               ? desktop->geometry().size()
                               : desktop->availableGeometry().size();
        PrepareDrawings(ids, FitScale(area) * ratio);
    }
}

void BackWnd::AddDesktopKeys() {
    auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
        return shortcut;
    };
    add(QKeySequence(Qt::Key_F11), [this] { ToggleFullScreen(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { AskToQuit(); });
    // The platform's zoom keys and the usual others, each once: a key held
    // by two shortcuts would do nothing.
    auto distinct = [](QKeySequence::StandardKey standard, QList<QKeySequence> more) {
        for (const QKeySequence& keys : QKeySequence::keyBindings(standard)) {
            if (!more.contains(keys)) more.append(keys);
        }
        return more;
    };
    for (const QKeySequence& larger : distinct(
             QKeySequence::ZoomIn,
             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)})) {
        add(larger, [this] { StepDeviceScale(1); });
    }
    for (const QKeySequence& smaller :
         distinct(QKeySequence::ZoomOut, {QKeySequence(Qt::CTRL | Qt::Key_Minus)})) {
        add(smaller, [this] { StepDeviceScale(-1); });
    }
    add(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { StepDeviceScale(0); });
    // Only while F11's full screen lasts: then Escape leaves it before it
    // closes a book or anything else.
    leaveFullScreen_ = add(QKeySequence(Qt::Key_Escape), [this] {
        if (fullScreenByF11_) ToggleFullScreen();
    });
    leaveFullScreen_->setEnabled(false);
}

void BackWnd::ToggleFullScreen() {
    if (!desktopWindow_ || closed_) return;
    const bool entering = !(windowState() & Qt::WindowFullScreen);
    fullScreenByF11_ = entering;
    leaveFullScreen_->setEnabled(entering);
    // A maximised window comes back maximised.
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void BackWnd::StepDeviceScale(int step) {
    if (!desktopWindow_ || fixedScale_ || closed_) return;
    if (KeepsItsSize(windowState())) {
        const qreal fit = FitScale(size());
        const qreal scale = step == 0 ? 1 : StepScale(scale_, step > 0, fit);
        if (scale >= fit) {
            chosenScale_.reset();
        } else {
            chosenScale_ = scale;
        }
        PlaceScreen();
        return;
    }
    // The window grows as far as the desktop has room for it.
    qreal limit = kLargestScale;
    if (const QScreen* desktop = screen()) {
        const QSize frame = frameGeometry().size() - size();
        limit = FitScale(desktop->availableGeometry().size() - frame);
    }
    const qreal scale = step == 0 ? 1 : StepScale(scale_, step > 0, std::max(limit, scale_));
    resize(ScreenSizeAt(scale));
}

void BackWnd::AskToQuit() {
    if (closed_) return;
    if (device_.messages().Show(u"Quit InkVISTA ?", MB_OKCANCEL) == IDOK) close();
}

void BackWnd::PlaceScreen() {
    if (!desktopWindow_) return;  // the device's window is the screen
    const QSize placing = comingSize_.value_or(size());
    const qreal fit = fixedScale_ ? 1 : FitScale(placing);
    scale_ = chosenScale_ ? std::min(*chosenScale_, fit) : fit;
    screenRect_ = CentredScreen(placing, scale_);
    PublishDeviceScreen(this, screenRect_, scale_);
    // A hidden window changes its size and state several times on its way
    // to the screen (restored, then maximised); its children follow once,
    // when it is shown.
    if (!isVisible()) return;
    // Each edge on its own, so that the list meets the frame of the picture.
    auto at = [this](int device) { return qRound(device * scale_); };
    list_.setGeometry(
        QRect(QPoint(at(kListLeft), at(kListTop)), QPoint(at(kListRight) - 1, at(kListBottom) - 1))
            .translated(screenRect_.topLeft()));
    list_.SetScale(scale_);
    viewer_.setGeometry(screenRect_);
    viewer_.SetScale(scale_);
    update();
}

QPoint BackWnd::ToDevice(const QPointF& at) const {
    const QPointF device = (at - screenRect_.topLeft()) / scale_;
    return QPoint(static_cast<int>(std::floor(device.x())),
                  static_cast<int>(std::floor(device.y())));
}

void BackWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Seen before the window's first paint.
    if (comingSize_ && windowHandle()) windowHandle()->installEventFilter(this);
    PlaceScreen();
    if (desktopWindow_) PrepareBackingStore(*this, comingSize_.value_or(size()));
    // The home screen's picture is decoded while the window system maps the
    // window, not in its first paint; the list's icons first, as the list
    // takes them when it is laid out, before that paint.
    if (screenState_ == Screen::List) {
        PrepareDrawings({kListIconsBitmapId, kHomeScreenBitmapId}, scale_ * devicePixelRatioF());
    }
    // What pictures kept from the last start stood in for, once the window
    // is on the screen and a person could change its size.
    QTimer::singleShot(kSetAsideDrawingsDelayMs, this, [] { PrepareSetAsideDrawings(); });
}

void BackWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The window system's size is the window's from now on.
    if (event->spontaneous()) comingSize_.reset();
    PlaceScreen();
}

bool BackWnd::eventFilter(QObject* watched, QEvent* event) {
    // Shown before the window system gave it the size it was to come at (a
    // window manager that does not maximise): laid out for the size it has.
    if (comingSize_ && watched == windowHandle() && event->type() == QEvent::Expose) {
        watched->removeEventFilter(this);
        const bool elsewhere = *comingSize_ != size();
        comingSize_.reset();
        if (elsewhere) PlaceScreen();
    }
    return QWidget::eventFilter(watched, event);
}

void BackWnd::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !desktopWindow_) return;
    // A scale chosen below the fit lasts as long as the window keeps its size.
    if (!KeepsItsSize(windowState())) chosenScale_.reset();
    // Only a full screen that ends ends F11's: on the way in a window
    // manager may report states without it before the full screen comes.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool left =
        (change->oldState() & Qt::WindowFullScreen) && !(windowState() & Qt::WindowFullScreen);
    if (left && fullScreenByF11_) {
        fullScreenByF11_ = false;
        leaveFullScreen_->setEnabled(false);
    }
    PlaceScreen();
}

}  // namespace inkvista
