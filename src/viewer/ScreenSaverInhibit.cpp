#include "viewer/ScreenSaverInhibit.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <cstdio>
#include <utility>

namespace inkvista {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

ScreenSaverInhibit::ScreenSaverInhibit(std::optional<QDBusConnection> bus, int giveUpMs)
    : bus_(std::move(bus)), giveUpMs_(giveUpMs) {
    giveUp_.setSingleShot(true);
    giveUp_.setInterval(giveUpMs_);
    connect(&giveUp_, &QTimer::timeout, this, &ScreenSaverInhibit::GiveUp);
}

ScreenSaverInhibit::~ScreenSaverInhibit() {
    Release();
}

void ScreenSaverInhibit::Hold() {
    if (held_ || asking_) return;
    if (!bus_) bus_ = QDBusConnection::sessionBus();
    if (!bus_->isConnected()) {
        Warn(QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage inhibit = Call(QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("InkVISTA") << QStringLiteral("Reading with auto scroll");
    // The watcher lives until the answer, or the bus's own time-out, even
    // when the hold is given up before: its cookie must still be released.
    asking_ = new QDBusPendingCallWatcher(bus_->asyncCall(inhibit), this);
    QDBusPendingCallWatcher* call = asking_;
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] { Answered(call); });
    giveUp_.start();
}

void ScreenSaverInhibit::Release() {
    if (asking_) {
        asking_ = nullptr;
        giveUp_.stop();
    }
    if (held_) {
        held_ = false;
        UnInhibit(cookie_);
    }
}

void ScreenSaverInhibit::Answered(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const bool wanted = call == asking_;
    if (wanted) {
        asking_ = nullptr;
        giveUp_.stop();
    }
    const QDBusPendingReply<uint32_t> reply = *call;
    if (reply.isError()) {
        if (wanted) Warn(reply.error().message());
        return;
    }
    if (!wanted) {
        UnInhibit(reply.value());
        return;
    }
    cookie_ = reply.value();
    held_ = true;
}

void ScreenSaverInhibit::GiveUp() {
    if (!asking_) return;
    asking_ = nullptr;
    Warn(QStringLiteral("%1 did not answer within %2 s").arg(kService).arg(giveUpMs_ / 1000.0));
}

void ScreenSaverInhibit::UnInhibit(uint32_t cookie) {
    QDBusMessage uninhibit = Call(QStringLiteral("UnInhibit"));
    uninhibit << cookie;
    // Nothing waits for the answer; the watcher only lives until it comes.
    auto* call = new QDBusPendingCallWatcher(bus_->asyncCall(uninhibit), this);
    connect(call, &QDBusPendingCallWatcher::finished, call, &QObject::deleteLater);
}

void ScreenSaverInhibit::Warn(const QString& why) {
    if (warned_) return;
    warned_ = true;
    std::fprintf(stderr, "inkvista: the screen saver cannot be held off during auto scroll (%s)\n",
                 qPrintable(why));
}

}  // namespace inkvista
