#include "ui/HotKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "platform/Win32.h"

namespace inkvista {

uint32_t VirtualKeyFromQtKey(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F5) {
        return VK_APP1 + static_cast<uint32_t>(qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        default:
            break;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<uint32_t>(qtKey);  // same codes as the virtual keys
    }
    return 0;
}

int QtKeyFromVirtualKey(uint32_t vk) {
    if (vk >= VK_APP1 && vk <= VK_APP1 + 4) return Qt::Key_F1 + static_cast<int>(vk - VK_APP1);
    switch (vk) {
        case VK_LEFT:
            return Qt::Key_Left;
        case VK_UP:
            return Qt::Key_Up;
        case VK_RIGHT:
            return Qt::Key_Right;
        case VK_DOWN:
            return Qt::Key_Down;
        case VK_RETURN:
            return Qt::Key_Return;
        default:
            break;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<int>(vk);
    return Qt::Key_unknown;
}

uint32_t VirtualKeyOf(const QKeyEvent& event) {
    const uint32_t vk = VirtualKeyFromQtKey(event.key());
    if (vk != 0) return vk;
    return event.key() == Qt::Key_unknown ? event.nativeVirtualKey() : 0;
}

DesktopHotKeys::DesktopHotKeys() = default;

DesktopHotKeys::~DesktopHotKeys() {
    if (installed_ && qApp) qApp->removeEventFilter(this);
}

void DesktopHotKeys::SetReceiver(std::function<void(int id)> pressed) {
    pressed_ = std::move(pressed);
}

void DesktopHotKeys::SetTarget(QWidget* target) {
    target_ = target;
}

void DesktopHotKeys::Install() {
    if (installed_ || !qApp) return;
    qApp->installEventFilter(this);
    installed_ = true;
}

bool DesktopHotKeys::Register(int id, uint32_t modifiers, uint32_t vk) {
    // As on the device, a key held under another identifier is refused.
    int heldBy = 0;
    if (Find(vk, &heldBy) && heldBy != id) return false;
    registered_[id] = Registration{modifiers, vk};
    return true;
}

void DesktopHotKeys::Unregister(int id) {
    registered_.erase(id);
}

const DesktopHotKeys::Registration* DesktopHotKeys::Find(uint32_t vk, int* id) const {
    for (const auto& [key, registration] : registered_) {
        if (registration.vk == vk) {
            if (id) *id = key;
            return &registration;
        }
    }
    return nullptr;
}

bool DesktopHotKeys::IsRegistered(uint32_t vk) const {
    return Find(vk, nullptr) != nullptr;
}

std::vector<uint32_t> DesktopHotKeys::RegisteredKeys() const {
    std::vector<uint32_t> keys;
    for (const auto& entry : registered_) keys.push_back(entry.second.vk);
    std::sort(keys.begin(), keys.end());
    return keys;
}

bool DesktopHotKeys::SendHotKey(uint32_t vk) {
    int id = 0;
    const Registration* registration = Find(vk, &id);
    if (!registration || !pressed_) return false;
    pressed_(id);
    return true;
}

bool DesktopHotKeys::DeliverKey(uint32_t vk) {
    if (IsRegistered(vk)) return SendHotKey(vk);
    QWidget* focus = QApplication::focusWidget();
    if (!focus && target_) focus = target_->focusWidget();
    if (!focus) focus = target_.data();
    if (!focus) return false;
    const int qtKey = QtKeyFromVirtualKey(vk);
    const QString text = vk == VK_RETURN ? QStringLiteral("\r") : QString();
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, 0, vk, 0, text);
    QPointer<QWidget> guard(focus);
    QCoreApplication::sendEvent(focus, &press);
    if (guard) {
        QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier, 0, vk, 0, text);
        QCoreApplication::sendEvent(guard.data(), &release);
    }
    return true;
}

bool DesktopHotKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return QObject::eventFilter(watched, event);
    }
    if (!watched->isWidgetType()) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const uint32_t vk = VirtualKeyOf(*key);
    if (vk == 0 || !IsRegistered(vk)) return QObject::eventFilter(watched, event);
    // A held key belongs to the main window alone: the press becomes
    // WM_HOTKEY, and neither press nor release reaches the focused window.
    if (event->type() == QEvent::KeyPress) SendHotKey(vk);
    return true;
}

}  // namespace inkvista
