// Script mode: the stylus commands, handed to Qt's window system layer so
// that Qt routes them as it routes a real pointer.
#include <QApplication>
#include <QWindow>

#include "app/BackWnd.h"
#include "app/ScriptRunner.h"

// Hands a mouse event to the window system layer as the platform would, so
// that Qt itself routes it: modality, popups, the implicit grab of a pressed
// button, widgets holding the mouse, double clicks. Exported by QtGui for its
// own test library.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace inkvista {

namespace {

// Timestamps of synthesized stylus events. Separate commands lie far apart,
// so two taps never make a double tap; only `dtap` does.
constexpr int kStylusCommandSpacing = 10000;

QWidget* TopLevelAt(const std::vector<QPointer<QWidget>>& stack, QWidget* main, QPoint p) {
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        QWidget* w = *it;
        if (w && w->isVisible() && w->geometry().contains(p)) return w;
    }
    return main;
}

}  // namespace

void ScriptRunner::SendMouse(QWidget* window, QPoint at, QEvent::Type type, Qt::MouseButtons state,
                             Qt::MouseButton button) {
    if (!window || !window->windowHandle()) return;
    const QPoint local = at - window->geometry().topLeft();
    stamp_ += 1;
    qt_handleMouseEvent(window->windowHandle(), QPointF(local), QPointF(at), state, button, type,
                        Qt::NoModifier, stamp_);
}

// Where a stylus that goes down now lands: an open popup takes every press
// (and closes itself when the press is outside it), a widget that holds the
// mouse takes it, else the topmost window under the point. A window blocked
// by a modal dialog is left to Qt to refuse.
QWidget* ScriptRunner::PressTarget(QPoint at) const {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QWidget* grabber = QWidget::mouseGrabber()) return grabber->window();
    return TopLevelAt(shown_, &main_, at);
}

// Where the held stylus's moves and release go.
QWidget* ScriptRunner::HeldTarget(QPoint at) const {
    if (QWidget* grabber = QWidget::mouseGrabber()) return grabber->window();
    if (pressWindow_ && pressWindow_->isVisible()) return pressWindow_;
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return TopLevelAt(shown_, &main_, at);
}

void ScriptRunner::PressAndRelease(QPoint at, Qt::MouseButton button) {
    QWidget* target = PressTarget(at);
    pressWindow_ = target;
    SendMouse(target, at, QEvent::MouseButtonPress, button, button);
    SendMouse(HeldTarget(at), at, QEvent::MouseButtonRelease, Qt::NoButton, button);
}

bool ScriptRunner::Stylus(const ScriptCommand& command, std::string* error) {
    const QPoint at(command.x, command.y);
    stamp_ += kStylusCommandSpacing;
    switch (command.op) {
        case ScriptOp::Down:
            if (stylusDown_) break;
            pressWindow_ = PressTarget(at);
            SendMouse(pressWindow_, at, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
            stylusDown_ = true;
            return true;
        case ScriptOp::Tap:
        case ScriptOp::DoubleTap:
            if (stylusDown_) break;
            PressAndRelease(at);
            // A second press close in time and place: Qt makes it the double
            // click (press, release, double click, release).
            if (command.op == ScriptOp::DoubleTap) PressAndRelease(at);
            pressWindow_.clear();
            return true;
        case ScriptOp::RightTap:
            if (stylusDown_) break;
            PressAndRelease(at, Qt::RightButton);
            pressWindow_.clear();
            return true;
        case ScriptOp::Move:
            if (!stylusDown_) {
                *error = "'move' needs the stylus down ('down' first)";
                return false;
            }
            SendMouse(HeldTarget(at), at, QEvent::MouseMove, Qt::LeftButton, Qt::NoButton);
            return true;
        case ScriptOp::Up:
            if (!stylusDown_) {
                *error = "'up' needs the stylus down ('down' first)";
                return false;
            }
            stylusDown_ = false;
            SendMouse(HeldTarget(at), at, QEvent::MouseButtonRelease, Qt::NoButton, Qt::LeftButton);
            pressWindow_.clear();
            return true;
        default:
            return false;
    }
    *error = "the stylus is already down";
    return false;
}

}  // namespace inkvista
