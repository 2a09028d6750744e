// The window messages that cross window boundaries, as Qt events of our own
// types. Posting one (QCoreApplication::postEvent) keeps the queued meaning of
// a posted message; sending one (QCoreApplication::sendEvent) is a sent
// message.
#pragma once

#include <QEvent>
#include <cstdint>

#include "platform/Win32.h"

namespace inkvista {

// A hardware button posted by the main window to the viewer: first parameter
// the button's key code, second 0.
constexpr uint32_t kHotKeyMessage = WM_USER + 2;
// The viewer closes its book without a bookmark.
constexpr uint32_t kCloseBookMessage = WM_USER + 3;
// The list window asks itself for its popup menu.
constexpr uint32_t kPopupMenuMessage = WM_USER + 1;

enum WindowEventType : int {
    kHotKeyEventType = QEvent::User + 0x100,        // WM_HOTKEY
    kUserMessageEventType = QEvent::User + 0x101,   // WM_USER + n
    kDeviceChangeEventType = QEvent::User + 0x102,  // WM_DEVICECHANGE
};

// WM_HOTKEY: a registered key was pressed, whichever window had the focus.
class HotKeyEvent : public QEvent {
  public:
    HotKeyEvent(int id, uint32_t modifiers, uint32_t vk)
        : QEvent(static_cast<QEvent::Type>(kHotKeyEventType)),
          id_(id),
          modifiers_(modifiers),
          vk_(vk) {}
    int id() const { return id_; }
    uint32_t modifiers() const { return modifiers_; }
    uint32_t virtualKey() const { return vk_; }

  private:
    int id_;
    uint32_t modifiers_;
    uint32_t vk_;
};

// WM_USER + n with its two parameters.
class UserMessageEvent : public QEvent {
  public:
    UserMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(kUserMessageEventType)),
          message_(message),
          wParam_(wParam),
          lParam_(lParam) {}
    uint32_t message() const { return message_; }
    uintptr_t wParam() const { return wParam_; }
    intptr_t lParam() const { return lParam_; }

  private:
    uint32_t message_;
    uintptr_t wParam_;
    intptr_t lParam_;
};

// WM_DEVICECHANGE with its event code (DBT_DEVICEARRIVAL, …).
class DeviceChangeEvent : public QEvent {
  public:
    explicit DeviceChangeEvent(uint32_t deviceEvent)
        : QEvent(static_cast<QEvent::Type>(kDeviceChangeEventType)), event_(deviceEvent) {}
    uint32_t deviceEvent() const { return event_; }

  private:
    uint32_t event_;
};

}  // namespace inkvista
