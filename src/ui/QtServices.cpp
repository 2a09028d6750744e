#include "ui/QtServices.h"

#include <QApplication>
#include <QString>
#include <QThread>
#include <QWidget>
#include <algorithm>

#include "platform/Device.h"
#include "ui/DeviceScreen.h"
#include "ui/MessageBoxDialog.h"

namespace inkvista {

QtTimerService::QtTimerService() {
    clock_.start();
}

QtTimerService::~QtTimerService() = default;

unsigned QtTimerService::SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) {
    if (!cb) return 0;
    auto key = std::make_pair(owner, id);
    auto it = timers_.find(key);
    if (it == timers_.end()) {
        Entry entry;
        entry.timer = std::make_unique<QTimer>();
        it = timers_.emplace(key, std::move(entry)).first;
    } else {
        // Restarting a running timer replaces its period and callback, as
        // SetTimer does for an existing id.
        it->second.timer->stop();
        it->second.timer->disconnect();
    }
    Entry& entry = it->second;
    entry.cb = std::make_shared<Callback>(std::move(cb));
    // A zero period fires as soon as the event loop runs, again and again, as
    // a window timer of 0 ms does.
    entry.timer->setInterval(static_cast<int>(std::min<unsigned>(periodMs, 0x7FFFFFFF)));
    entry.timer->setTimerType(Qt::PreciseTimer);
    std::weak_ptr<Callback> weak = entry.cb;
    QObject::connect(entry.timer.get(), &QTimer::timeout, [this, weak] {
        if (auto cb = weak.lock()) {
            Callback keep = *cb;  // the timer may be killed or reset by the callback
            ++runningCallbacks_;
            keep();
            --runningCallbacks_;
        }
    });
    ReleaseRetired();
    entry.timer->start();
    return id;
}

bool QtTimerService::KillTimer(const void* owner, unsigned id) {
    auto it = timers_.find(std::make_pair(owner, id));
    if (it == timers_.end()) return false;
    it->second.timer->stop();
    it->second.timer->disconnect();
    // A timer may be killed from inside its own timeout, where it must not
    // be deleted yet: it is kept until no callback runs.
    retired_.push_back(std::move(it->second.timer));
    timers_.erase(it);
    ReleaseRetired();
    return true;
}

void QtTimerService::ReleaseRetired() {
    if (runningCallbacks_ == 0) retired_.clear();
}

bool QtTimerService::IsRunning(const void* owner, unsigned id) const {
    auto it = timers_.find(std::make_pair(owner, id));
    return it != timers_.end() && it->second.timer->isActive();
}

uint64_t QtTimerService::NowMs() const {
    return static_cast<uint64_t>(clock_.elapsed());
}

void QtTimerService::Sleep(unsigned ms) {
    QThread::msleep(ms);
}

int QtMessageBoxes::Show(std::u16string_view text, uint32_t type) {
    return ShowCaptioned(text, u"InkVISTA", type);
}

int QtMessageBoxes::ShowCaptioned(std::u16string_view text, std::u16string_view caption,
                                  uint32_t type) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = parent_.data();
    // The main window's screen as it is drawn now (it may have been resized
    // or rescaled since the last box), whichever dialog owns the box.
    const DeviceScreenView screen = DeviceScreenOf(parent_.data());
    MessageBoxDialog box(
        owner, QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())),
        QString::fromUtf16(caption.data(), static_cast<qsizetype>(caption.size())), type, screen);
    return box.exec() == IDOK ? IDOK : IDCANCEL;
}

MountWatcher::MountWatcher(Device& device, Handler handler, int periodMs)
    : device_(device), handler_(std::move(handler)) {
    timer_.setInterval(periodMs);
    connect(&timer_, &QTimer::timeout, this, &MountWatcher::Poll);
}

void MountWatcher::Poll() {
    bool arrived = false;
    if (device_.RefreshMounts(&arrived) && handler_) {
        handler_(arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE);
    }
}

}  // namespace inkvista
