// Script mode inside the test program: the virtual clock's timer order, and
// scripts run against a real main window on a test device.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <memory>

#include "AppTestSupport.h"
#include "app/ReaderApp.h"
#include "app/ScriptRunner.h"
#include "ui/HotKeys.h"

namespace inkvista {
namespace {

// Counts the posted events it receives, in order, into a shared log.
class Recorder : public QObject {
  public:
    explicit Recorder(std::vector<std::string>* log) : log_(log) {}
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            log_->push_back("posted");
            return true;
        }
        return QObject::event(event);
    }

  private:
    std::vector<std::string>* log_;
};

TEST(ScriptClock, TimersFireInTimeOrderWithTheirPostedMessagesBetween) {
    test::App();
    ScriptClock clock;
    std::vector<std::string> log;
    Recorder recorder(&log);
    int owner = 0;
    // Timer 1 every 30 ms posts a message; timer 2 every 50 ms only logs.
    clock.SetTimer(&owner, 1, 30, [&] {
        log.push_back("t1@" + std::to_string(clock.NowMs()));
        QCoreApplication::postEvent(&recorder, std::make_unique<QEvent>(QEvent::User).release());
    });
    clock.SetTimer(&owner, 2, 50, [&] { log.push_back("t2@" + std::to_string(clock.NowMs())); });
    clock.Advance(100);
    const std::vector<std::string> expected = {"t1@30",  "posted", "t2@50",  "t1@60",
                                               "posted", "t1@90",  "posted", "t2@100"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(clock.NowMs(), 100u);
    // A plain virtual clock would have run every timer before any message.
}

TEST(ScriptClock, KillingItsOwnTimerFromTheCallbackIsSafe) {
    test::App();
    ScriptClock clock;
    int owner = 0;
    int fired = 0;
    clock.SetTimer(&owner, 7, 20, [&] {
        ++fired;
        clock.KillTimer(&owner, 7);
    });
    clock.Advance(200);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(clock.IsRunning(&owner, 7));
}

// The whole program on a test device, run by a script in this process.
class ScriptedProgram {
  public:
    ScriptedProgram() { test::App(); }

    // Runs `text` to its end; answers the exit status. `prepare` sees the
    // program before the script starts.
    int Run(std::string_view text, const std::function<void(BackWnd&)>& prepare = {}) {
        std::vector<ScriptCommand> commands;
        ScriptError error;
        if (!ParseScript(text, dev.base(), &commands, &error)) {
            ADD_FAILURE() << error.line << ": " << error.message;
            return -1;
        }
        app = std::make_unique<ReaderApp>(dev.device(), keys);
        keys.Install();
        keys.SetTarget(&app->mainWindow());
        app->mainWindow().SetIgnorePlatformActivation(true);
        app->InitInstance();
        if (prepare) prepare(app->mainWindow());
        ScriptRunner runner(app->mainWindow(), dev.device(), dev.messages(), dev.clock(), keys,
                            std::move(commands), "test.script");
        runner.Start();
        QCoreApplication::exec();
        return runner.exitCode();
    }

    QJsonObject State(const std::string& name) {
        QFile file(QString::fromStdString((dev.base() / name).string()));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    TestDevice dev;
    DesktopHotKeys keys;
    std::unique_ptr<ReaderApp> app;
};

TEST(ScriptRunner, ButtonsReachTheViewerOnlyWhileABookIsShown) {
    ScriptedProgram program;
    ASSERT_TRUE(
        test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\b.cmb"), 2, 240, 320));
    std::unique_ptr<test::PostedButtons> posted;
    const int status = program.Run(
        "button 1\n"  // home screen: held by the program, dropped
        "open b.cmb\n"
        "button 1\n"  // 0xC1, forwarded
        "button 3\n"  // not held with the default map: a plain key press
        "button 4\n"  // 0xC4, forwarded
        "deactivate\n"
        "button 2\n"  // given back: not the program's
        "activate\n"
        "state s.json\n"
        "close\n"
        "button 2\n",  // home screen again
        [&](BackWnd& wnd) { posted = std::make_unique<test::PostedButtons>(wnd); });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(program.State("s.json").value("screenState").toInt(), 16);
    const std::vector<uint32_t> forwarded = {0xC1, 0xC4};
    EXPECT_EQ(posted->codes, forwarded);
}

TEST(ScriptRunner, CommandsRunInsideADialogAndItsOpenerFinishesFirst) {
    ScriptedProgram program;
    const int status = program.Run(
        "tap 200 55\n"  // About opens; its opener waits in the dialog's loop
        "state in.json\n"
        "click 1005\n"  // closes it; the stylus-up handler finishes first
        "state out.json\n"
        "tap 150 55\n"  // Options, then a nested wait inside it
        "wait 1000\n"
        "state options.json\n"
        "click 1007\n"
        "state end.json\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(program.State("in.json").value("screenState").toInt(), 8);
    EXPECT_EQ(program.State("in.json").value("dialog").toString(), "About");
    EXPECT_EQ(program.State("out.json").value("screenState").toInt(), 2);
    EXPECT_EQ(program.State("out.json").value("pressedButton").toInt(), 2);
    EXPECT_TRUE(program.State("out.json").value("dialog").isNull());
    EXPECT_EQ(program.State("options.json").value("screenState").toInt(), 4);
    EXPECT_EQ(program.State("end.json").value("screenState").toInt(), 2);
    EXPECT_TRUE(program.app->mainWindow().isClosed());
}

TEST(ScriptRunner, AFailedCommandStopsTheRunWithStatusTwo) {
    ScriptedProgram program;
    const int status = program.Run(
        "state a.json\n"
        "tap 200 55\n"
        "click 4242\n"  // About has no such control; its loop must end too
        "state b.json\n");
    EXPECT_EQ(status, 2);
    EXPECT_FALSE(program.State("a.json").isEmpty());
    EXPECT_TRUE(program.State("b.json").isEmpty());
    EXPECT_TRUE(program.app->mainWindow().isClosed());
}

TEST(ScriptRunner, QuitAnsweredOkEndsTheRunThere) {
    ScriptedProgram program;
    const int status = program.Run(
        "answer cancel\n"
        "tap 229 12\n"
        "state a.json\n"
        "tap 229 12\n"  // empty queue: OK
        "state b.json\n");
    EXPECT_EQ(status, 0);
    const QJsonArray messages = program.State("a.json").value("messages").toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toString(), "Quit InkVISTA ?");
    EXPECT_TRUE(program.State("b.json").isEmpty());
    EXPECT_EQ(program.dev.messages().shown().size(), 2u);
}

TEST(ScriptRunner, StylusMistakesAreErrors) {
    for (const char* text : {"up 10 10\n", "move 10 10\n", "down 1 1\ndown 2 2\n"}) {
        ScriptedProgram program;
        EXPECT_EQ(program.Run(text), 2) << text;
    }
}

}  // namespace
}  // namespace inkvista
