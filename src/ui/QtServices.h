// The desktop's platform services: window timers on QTimer, the program's
// own message boxes (MessageBoxDialog), and the watcher that turns mounts and unmounts of removable
// volumes into device-change messages.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Services.h"

class QWidget;

namespace inkvista {

class Device;

class QtTimerService : public TimerService {
  public:
    QtTimerService();
    ~QtTimerService() override;

    unsigned SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) override;
    bool KillTimer(const void* owner, unsigned id) override;
    bool IsRunning(const void* owner, unsigned id) const override;
    uint64_t NowMs() const override;
    void Sleep(unsigned ms) override;

  private:
    struct Entry {
        std::unique_ptr<QTimer> timer;
        // Shared so a callback that kills or restarts its own timer does not
        // destroy the function while it runs.
        std::shared_ptr<Callback> cb;
    };
    void ReleaseRetired();

    std::map<std::pair<const void*, unsigned>, Entry> timers_;
    // Killed timers, deleted once no timer callback is running.
    std::vector<std::unique_ptr<QTimer>> retired_;
    int runningCallbacks_ = 0;
    QElapsedTimer clock_;
};

class QtMessageBoxes : public MessageBoxes {
  public:
    // Boxes are owned by the open modal dialog, else by `parent` when one is
    // set (the main window), and drawn over the device screen of `parent`,
    // so they sit inside the program rather than anywhere on the desktop.
    void SetParent(QWidget* parent) { parent_ = parent; }
    int Show(std::u16string_view text, uint32_t type = MB_OK) override;
    int ShowCaptioned(std::u16string_view text, std::u16string_view caption,
                      uint32_t type) override;

  private:
    QPointer<QWidget> parent_;
};

// Polls the host's mounts (Device::RefreshMounts) and reports a removable
// volume appearing or going as DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE.
class MountWatcher : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(uint32_t event)>;
    MountWatcher(Device& device, Handler handler, int periodMs = 1000);
    void Start() { timer_.start(); }
    void Stop() { timer_.stop(); }
    // One poll, for tests and for the timer.
    void Poll();

  private:
    Device& device_;
    Handler handler_;
    QTimer timer_;
};

}  // namespace inkvista
