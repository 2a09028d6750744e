// The screen-saver hold against a stand-in service (python3-dbusmock) on a
// private session bus: a slow Inhibit never holds up the event loop, a
// cookie that comes after the hold was given back is released at once, and
// a service that does not answer in time is given up.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>

#include "AppTestSupport.h"
#include "platform/Power.h"
#include "viewer/ScreenSaverInhibit.h"

namespace inkvista {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kConnection = QStringLiteral("inkvista-test-bus");

// Runs the event loop until `done` holds, for at most 20 s.
bool RunUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// Debian's python3-dbusmock is installed for the system's interpreter, which
// need not be the first python3 on the PATH.
QString PythonWithDbusmock() {
    for (const QString& python :
         {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable("python3")}) {
        if (python.isEmpty()) continue;
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            return python;
        }
    }
    return {};
}

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) process.kill();
    process.waitForFinished(5000);
}

class ScreenSaverBus : public ::testing::Test {
  protected:
    void SetUp() override {
        test::App();
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(dir_.isValid());
        bus_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
        ASSERT_TRUE(bus_.waitForStarted()) << bus_.errorString().toStdString();
        while (!bus_.canReadLine() && bus_.waitForReadyRead(20000)) {
        }
        const QString address = QString::fromUtf8(bus_.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon gave no address";

        const QString python = PythonWithDbusmock();
        ASSERT_FALSE(python.isEmpty())
            << "python3-dbusmock is missing (scripts/deps.sh installs it)";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        mock_.setProcessEnvironment(env);
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock_.start(python, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("-l"),
                             log(), kService, kPath, kService});
        ASSERT_TRUE(mock_.waitForStarted());

        connection_ = QDBusConnection::connectToBus(address, kConnection);
        ASSERT_TRUE(connection_.isConnected());
        ASSERT_TRUE(RunUntil([this] {
            return connection_.interface()->isServiceRegistered(kService).value();
        })) << "the mock service never came up";
        AddMethod(QStringLiteral("UnInhibit"), QStringLiteral("u"), QString(), QString());
    }

    void TearDown() override {
        connection_ = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(kConnection);
        Stop(mock_);
        Stop(bus_);
    }

    // Inhibit answers `cookie` after `seconds`, during which the service
    // answers nothing else.
    void SlowInhibit(double seconds, unsigned cookie) {
        AddMethod(QStringLiteral("Inhibit"), QStringLiteral("ss"), QStringLiteral("u"),
                  QStringLiteral("import time; time.sleep(%1); ret = %2").arg(seconds).arg(cookie));
    }

    void AddMethod(const QString& name, const QString& in, const QString& out,
                   const QString& code) {
        QDBusMessage add = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"),
            QStringLiteral("AddMethod"));
        add << kService << name << in << out << code;
        const QDBusMessage reply = connection_.call(add);
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    // The calls the service took, in order, as "Method arguments…".
    QStringList Calls() const {
        QFile file(log());
        QStringList calls;
        if (!file.open(QIODevice::ReadOnly)) return calls;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype blank = line.indexOf(' ');  // after the time stamp
            if (blank > 0) calls.append(QString::fromUtf8(line.mid(blank + 1)));
        }
        return calls;
    }
    bool Called(const QString& call) const { return Calls().contains(call); }

    QString log() const { return dir_.filePath(QStringLiteral("calls.log")); }

    QDBusConnection connection_{QString()};

  private:
    QTemporaryDir dir_;
    QProcess bus_;
    QProcess mock_;
};

const QString kInhibitCall = QStringLiteral("Inhibit \"InkVISTA\" \"Reading with auto scroll\"");

TEST_F(ScreenSaverBus, AHoldGrantedInTimeLastsUntilAutoScrollStops) {
    SlowInhibit(0.2, 42);
    ScreenSaverInhibit inhibit(connection_);
    Power power;
    power.SetSession(&inhibit);
    power.KeepAwake(true);
    EXPECT_FALSE(power.awake());  // asked for, not granted yet
    ASSERT_TRUE(RunUntil([&] { return power.awake(); }));
    power.KeepAwake(false);
    EXPECT_FALSE(power.awake());
    ASSERT_TRUE(RunUntil([&] { return Called("UnInhibit 42"); }));
    EXPECT_EQ(Calls(), (QStringList{kInhibitCall, QStringLiteral("UnInhibit 42")}));
    power.SetSession(nullptr);
}

TEST_F(ScreenSaverBus, ACookieThatComesAfterAutoScrollStoppedIsReleasedAtOnce) {
    SlowInhibit(1.5, 7);
    ScreenSaverInhibit inhibit(connection_);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    inhibit.Hold();
    EXPECT_FALSE(inhibit.held());
    inhibit.Release();  // auto scroll stops while the service still sleeps
    ASSERT_TRUE(RunUntil([&] { return Called("UnInhibit 7"); }))
        << Calls().join('\n').toStdString();
    // The loop ran on while the service kept its answer.
    EXPECT_GT(ticks, 10);
    EXPECT_FALSE(inhibit.held());
}

TEST_F(ScreenSaverBus, NoAnswerInTimeIsGivenUpWithOneLineAndItsLateCookieReleased) {
    SlowInhibit(2, 9);
    testing::internal::CaptureStderr();
    bool released = false;
    bool held = true;
    {
        ScreenSaverInhibit inhibit(connection_, 200);
        inhibit.Hold();  // and auto scroll runs on, never releasing it
        released = RunUntil([&] { return Called("UnInhibit 9"); });
        held = inhibit.held();
    }
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(released) << Calls().join('\n').toStdString();
    EXPECT_FALSE(held);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("inkvista: the screen saver cannot be held off"), std::string::npos) << err;
}

}  // namespace
}  // namespace inkvista
