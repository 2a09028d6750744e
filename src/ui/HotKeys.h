// Hardware buttons taken from the system as hot keys, and how keys reach the
// program's windows.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QKeyEvent;
class QWidget;

namespace inkvista {

// RegisterHotKey / UnregisterHotKey of the main window.
class HotKeys {
  public:
    virtual ~HotKeys() = default;
    // Takes key `vk` for the main window under identifier `id`; false when
    // the system refuses.
    virtual bool Register(int id, uint32_t modifiers, uint32_t vk) = 0;
    // Gives back identifier `id`; harmless when it is not held.
    virtual void Unregister(int id) = 0;
    // Who hears a held key's press (WM_HOTKEY) under its identifier,
    // whichever window has the focus: the main window, for its lifetime.
    virtual void SetReceiver(std::function<void(int id)> pressed) = 0;
};

// Virtual-key codes of Qt keys: F1…F4 are the hardware buttons 0xC1…0xC4 (F5
// is 0xC5), the arrows are the direction pad, Enter and Return are VK_RETURN,
// letters and digits keep their codes. 0 for a key without one.
uint32_t VirtualKeyFromQtKey(int qtKey);
// The Qt key standing for a virtual key, or Qt::Key_unknown.
int QtKeyFromVirtualKey(uint32_t vk);
// The virtual key of a key event, also for events made by DeliverKey for codes
// that have no Qt key (carried as the native virtual key).
uint32_t VirtualKeyOf(const QKeyEvent& event);

// The desktop's hot keys: an application-wide event filter hands a registered
// key to the receiver whichever window has the focus; any other key goes on
// to the focused window as an ordinary key press.
class DesktopHotKeys : public QObject, public HotKeys {
    Q_OBJECT

  public:
    DesktopHotKeys();
    ~DesktopHotKeys() override;

    // The main window: keys go to its focus child when the application has
    // no focus.
    void SetTarget(QWidget* target);
    // Installs the filter on the application (once).
    void Install();

    bool Register(int id, uint32_t modifiers, uint32_t vk) override;
    void Unregister(int id) override;
    void SetReceiver(std::function<void(int id)> pressed) override;

    bool IsRegistered(uint32_t vk) const;
    // Registered key codes, ascending.
    std::vector<uint32_t> RegisteredKeys() const;

    // A key press as the device delivers it: a registered key as WM_HOTKEY to
    // the target; any other as key down and key up to the focused window (the
    // target's focus child when the application has no focus). False when
    // there was nobody to deliver to.
    bool DeliverKey(uint32_t vk);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Registration {
        uint32_t modifiers;
        uint32_t vk;
    };
    const Registration* Find(uint32_t vk, int* id) const;
    bool SendHotKey(uint32_t vk);

    std::map<int, Registration> registered_;
    QPointer<QWidget> target_;
    std::function<void(int id)> pressed_;
    bool installed_ = false;
};

}  // namespace inkvista
