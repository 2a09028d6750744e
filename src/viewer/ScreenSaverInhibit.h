// Keeps a desktop session from blanking or suspending while the reader
// scrolls by itself: the freedesktop screen-saver service on the session
// bus (org.freedesktop.ScreenSaver.Inhibit / UnInhibit). No call waits for
// the service, so a slow or silent one never holds up the window.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

#include "platform/Power.h"

class QDBusPendingCallWatcher;

namespace inkvista {

class ScreenSaverInhibit : public QObject, public SessionAwake {
    Q_OBJECT

  public:
    // How long a hold waits for the service's answer before giving up.
    static constexpr int kGiveUpMs = 3000;

    // Without a `bus`, the session bus, reached at the first hold. A desktop
    // start has it connected already (SessionBus); elsewhere (offscreen)
    // most runs never scroll by themselves, and connecting, with the bus
    // started on the way where the session has none, would be paid by all.
    explicit ScreenSaverInhibit(std::optional<QDBusConnection> bus = std::nullopt,
                                int giveUpMs = kGiveUpMs);
    // A cookie still on its way is lost with the connection; the service
    // lets go of the holds of a program that leaves the bus.
    ~ScreenSaverInhibit() override;

    // Sends Inhibit; the hold is in place when its cookie comes back. No
    // session bus, an error, or no answer within the give-up time leave it
    // off, and the first such failure of the run is told in one line on
    // standard error; the reader goes on scrolling without the hold.
    void Hold() override;
    // Sends UnInhibit for the cookie held. An Inhibit still under way, or
    // given up on, is released (UnInhibit with its cookie) when it answers.
    void Release() override;
    bool held() const override { return held_; }

  private:
    void Answered(QDBusPendingCallWatcher* call);
    void GiveUp();
    void UnInhibit(uint32_t cookie);
    void Warn(const QString& why);

    std::optional<QDBusConnection> bus_;
    int giveUpMs_;
    QTimer giveUp_;
    // The Inhibit call whose cookie is wanted, while it is under way.
    QDBusPendingCallWatcher* asking_ = nullptr;
    uint32_t cookie_ = 0;
    bool held_ = false;
    bool warned_ = false;
};

}  // namespace inkvista
