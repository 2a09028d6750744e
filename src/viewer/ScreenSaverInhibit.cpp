#include "viewer/ScreenSaverInhibit.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <cstdio>

namespace inkvista {

namespace {

const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";

}  // namespace

ScreenSaverInhibit::~ScreenSaverInhibit() {
    Release();
}

bool ScreenSaverInhibit::Hold() {
    if (held_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QString why;
    if (!bus.isConnected()) {
        why = QStringLiteral("no session bus");
    } else {
        QDBusInterface saver(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                             QString::fromLatin1(kService), bus);
        QDBusReply<uint32_t> reply =
            saver.call(QStringLiteral("Inhibit"), QStringLiteral("InkVISTA"),
                       QStringLiteral("Reading with auto scroll"));
        if (reply.isValid()) {
            cookie_ = reply.value();
            held_ = true;
            return true;
        }
        why = reply.error().message();
    }
    if (!warned_) {
        std::fprintf(stderr,
                     "inkvista: the screen saver cannot be held off during auto scroll (%s)\n",
                     qPrintable(why));
        warned_ = true;
    }
    return false;
}

void ScreenSaverInhibit::Release() {
    if (!held_) return;
    held_ = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusInterface saver(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                         QString::fromLatin1(kService), bus);
    saver.call(QDBus::NoBlock, QStringLiteral("UnInhibit"), cookie_);
}

}  // namespace inkvista
