#include "viewer/SessionBus.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QThread>

namespace inkvista {

namespace {

// The platforms whose accessibility bridge connects to the session bus: the
// desktop's own, which is also the one Qt picks when none is asked for.
bool PlatformUsesSessionBus() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    return asked.isEmpty() || asked.startsWith("xcb") || asked.startsWith("wayland");
}

}  // namespace

AsideThread ConnectSessionBusAhead() {
    if (!PlatformUsesSessionBus()) return {};
    // Qt takes the first thread that asks which thread it is on for the
    // program's main thread: that must be this one, not the bus's.
    QThread::currentThread();
    return AsideThread([] { QDBusConnection::sessionBus(); });
}

}  // namespace inkvista
