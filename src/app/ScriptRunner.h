// Script mode: the whole program driven headless from a text file of stylus,
// key and dialog commands, with screenshots and state dumps (see
// docs/scripting.md).
#pragma once

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/ScriptParser.h"
#include "platform/Services.h"

class QWidget;

namespace inkvista {

class BackWnd;
class Device;
class DesktopHotKeys;

// A virtual clock whose timers hand the posted messages they caused to their
// windows before the next timer fires, as a message loop does between two
// timer messages.
class ScriptClock : public VirtualClock {
  public:
    unsigned SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) override;
};

// Runs parsed commands against the program. Each command runs from its own
// posted event, so a command that opens a modal dialog (a nested event loop)
// lets the following commands run inside that loop, and the command resumes
// once the dialog has closed.
class ScriptRunner : public QObject {
    Q_OBJECT

  public:
    ScriptRunner(BackWnd& mainWindow, Device& device, RecordingMessageBoxes& messages,
                 VirtualClock& clock, DesktopHotKeys& hotKeys, std::vector<ScriptCommand> commands,
                 std::string scriptName);
    ~ScriptRunner() override;

    // Activates the program once, as the shell does when it starts it, then
    // runs the commands from the event loop.
    void Start();
    // 0 when the script ran to its end or the program was closed; 2 when a
    // command failed.
    int exitCode() const { return exitCode_; }

    // The topmost open dialog (the active modal one, else the last shown), or
    // null.
    QWidget* TopDialog() const;
    // The whole screen with the open dialogs and popups over the main window,
    // one image pixel per screen pixel.
    QImage ComposeScreen() const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Frame;
    void ScheduleStep();
    void Step();
    bool Execute(const ScriptCommand& command, std::string* error);
    void Fail(const ScriptCommand& command, const std::string& message);
    void Finish(int status);

    // ScriptStylus.cpp
    bool Stylus(const ScriptCommand& command, std::string* error);
    void SendMouse(QWidget* window, QPoint at, QEvent::Type type, Qt::MouseButtons state,
                   Qt::MouseButton button);
    QWidget* PressTarget(QPoint at) const;
    QWidget* HeldTarget(QPoint at) const;
    void PressAndRelease(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    // ScriptDialogs.cpp
    bool ControlCommand(const ScriptCommand& command, std::string* error);
    bool TreeCommand(const ScriptCommand& command, std::string* error);
    // ScriptOutput.cpp
    bool WriteState(const std::filesystem::path& file, std::string* error);
    bool WriteShot(const std::filesystem::path& file, std::string* error);

    bool Wait(int64_t ms);
    bool Card(const ScriptCommand& command, std::string* error);
    bool OpenBook(const ScriptCommand& command, std::string* error);
    bool CloseBook(std::string* error);

    BackWnd& main_;
    Device& device_;
    RecordingMessageBoxes& messages_;
    VirtualClock& clock_;
    DesktopHotKeys& hotKeys_;
    std::vector<ScriptCommand> commands_;
    std::string scriptName_;
    size_t pc_ = 0;
    std::vector<Frame*> frames_;
    bool stepPosted_ = false;
    bool stopped_ = false;
    int exitCode_ = 0;
    // Where the stylus is held down (script coordinates), for `move` and `up`.
    bool stylusDown_ = false;
    int stamp_ = 0;
    QPointer<QWidget> pressWindow_;
    // Top-level windows in the order they were last shown: the stacking order.
    std::vector<QPointer<QWidget>> shown_;
};

}  // namespace inkvista
