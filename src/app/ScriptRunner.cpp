#include "app/ScriptRunner.h"

#include <QApplication>
#include <QDialog>
#include <algorithm>
#include <cstdio>

#include "app/BackWnd.h"
#include "book/BookFormat.h"
#include "platform/Device.h"
#include "platform/Text.h"
#include "ui/HotKeys.h"

namespace inkvista {

// ---------------------------------------------------------------------------
// The clock

unsigned ScriptClock::SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) {
    if (!cb) return VirtualClock::SetTimer(owner, id, periodMs, std::move(cb));
    return VirtualClock::SetTimer(owner, id, periodMs, [cb = std::move(cb)] {
        cb();
        // A message loop dispatches what a timer message posted before it
        // gets to the next timer message.
        QCoreApplication::sendPostedEvents();
    });
}

// ---------------------------------------------------------------------------
// Running

namespace {

const QEvent::Type kStepEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

bool IsBlockingWindow(const QWidget* w) {
    if (!w->isWindow()) return false;
    if (w->windowType() == Qt::Popup) return true;
    return w->isModal() || qobject_cast<const QDialog*>(w) != nullptr;
}

}  // namespace

struct ScriptRunner::Frame {
    // A window with its own event loop opened while this command ran; the
    // following commands run inside that loop while it is shown.
    bool handedOff = false;
    QPointer<QWidget> blocking;
    // A step came while this command was still busy: take it up afterwards.
    bool resumeAfter = false;
};

ScriptRunner::ScriptRunner(BackWnd& mainWindow, Device& device, RecordingMessageBoxes& messages,
                           VirtualClock& clock, DesktopHotKeys& hotKeys,
                           std::vector<ScriptCommand> commands, std::string scriptName)
    : main_(mainWindow),
      device_(device),
      messages_(messages),
      clock_(clock),
      hotKeys_(hotKeys),
      commands_(std::move(commands)),
      scriptName_(std::move(scriptName)) {
    qApp->installEventFilter(this);
}

ScriptRunner::~ScriptRunner() {
    if (qApp) qApp->removeEventFilter(this);
}

void ScriptRunner::Start() {
    main_.SetIgnorePlatformActivation(true);
    main_.OnActivate(true);
    ScheduleStep();
}

void ScriptRunner::ScheduleStep() {
    if (stepPosted_ || stopped_) return;
    stepPosted_ = true;
    // Low priority: whatever the last command posted is handled first.
    QCoreApplication::postEvent(this, std::make_unique<QEvent>(kStepEventType).release(),
                                Qt::LowEventPriority);
}

bool ScriptRunner::event(QEvent* event) {
    if (event->type() == kStepEventType) {
        stepPosted_ = false;
        Step();
        return true;
    }
    return QObject::event(event);
}

bool ScriptRunner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w != &main_) {
            shown_.erase(std::remove_if(shown_.begin(), shown_.end(),
                                        [w](const QPointer<QWidget>& p) { return !p || p == w; }),
                         shown_.end());
            shown_.emplace_back(w);
            // Also when the window the command handed off to has closed and
            // the command opens the next (a popup command opening a dialog).
            Frame* top = frames_.empty() ? nullptr : frames_.back();
            if (IsBlockingWindow(w) && top &&
                (!top->handedOff || !top->blocking || !top->blocking->isVisible())) {
                top->handedOff = true;
                top->blocking = w;
                ScheduleStep();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScriptRunner::Step() {
    if (stopped_) return;
    if (!frames_.empty()) {
        Frame* top = frames_.back();
        // Either a command is processing events itself, or the window it is
        // waiting on has closed and it has not yet resumed: the next command
        // waits for it.
        if (!top->handedOff || !top->blocking || !top->blocking->isVisible()) {
            top->resumeAfter = true;
            return;
        }
    }
    if (main_.isClosed()) {
        Finish(0);
        return;
    }
    if (pc_ >= commands_.size()) {
        // As if the window were closed.
        Finish(0);
        return;
    }
    const ScriptCommand& command = commands_[pc_++];
    Frame frame;
    frames_.push_back(&frame);
    std::string error;
    const bool ok = Execute(command, &error);
    frames_.pop_back();
    if (stopped_) return;
    if (!ok) {
        Fail(command, error);
        return;
    }
    if (main_.isClosed()) {
        Finish(0);
        return;
    }
    if (!frame.handedOff || frame.resumeAfter) ScheduleStep();
}

void ScriptRunner::Fail(const ScriptCommand& command, const std::string& message) {
    std::fprintf(stderr, "%s\n",
                 FormatScriptError(scriptName_, ScriptError{command.line, message}).c_str());
    Finish(2);
}

void ScriptRunner::Finish(int status) {
    if (stopped_) return;
    stopped_ = true;
    exitCode_ = status;
    if (stylusDown_) {
        stylusDown_ = false;
        pressWindow_.clear();
    }
    if (!main_.isClosed()) main_.close();
    // Every event loop ends, those of open dialogs too; dialogs asked for
    // while unwinding return at once.
    QCoreApplication::exit(status);
}

bool ScriptRunner::Execute(const ScriptCommand& command, std::string* error) {
    switch (command.op) {
        case ScriptOp::Tap:
        case ScriptOp::Down:
        case ScriptOp::Move:
        case ScriptOp::Up:
        case ScriptOp::DoubleTap:
        case ScriptOp::RightTap:
            return Stylus(command, error);
        case ScriptOp::Key:
            hotKeys_.DeliverKey(static_cast<uint32_t>(command.number));
            return true;
        case ScriptOp::Button:
            hotKeys_.DeliverKey(main_.hotKeyBase() + static_cast<uint32_t>(command.number) - 1);
            return true;
        case ScriptOp::Wait:
            return Wait(command.number);
        case ScriptOp::Time:
            clock_.SetLocalTime(
                ClockTime{static_cast<int>(command.number), static_cast<int>(command.index)});
            return true;
        case ScriptOp::Answer:
            messages_.QueueAnswer(command.on ? IDOK : IDCANCEL);
            return true;
        case ScriptOp::Activate:
        case ScriptOp::Deactivate:
            main_.OnActivate(command.op == ScriptOp::Activate);
            return true;
        case ScriptOp::CardInsert:
        case ScriptOp::CardRemove:
            return Card(command, error);
        case ScriptOp::Click:
        case ScriptOp::Check:
        case ScriptOp::Select:
        case ScriptOp::Type:
            return ControlCommand(command, error);
        case ScriptOp::Expand:
        case ScriptOp::Collapse:
            return TreeCommand(command, error);
        case ScriptOp::Shot:
            return WriteShot(command.file, error);
        case ScriptOp::State:
            return WriteState(command.file, error);
        case ScriptOp::Quit:
            Finish(0);
            return true;
        case ScriptOp::Open:
            return OpenBook(command, error);
        case ScriptOp::Close:
            return CloseBook(error);
    }
    *error = "unknown command";
    return false;
}

// A card comes or goes, then the device-change message the system sends
// (none for mount and unmount).
bool ScriptRunner::Card(const ScriptCommand& command, std::string* error) {
    if (command.op == ScriptOp::CardInsert) {
        std::error_code ec;
        if (!std::filesystem::is_directory(command.file, ec)) {
            *error = "no such folder: " + command.file.string();
            return false;
        }
        device_.InsertCard(command.text, command.file);
        if (command.quiet) return true;
        main_.OnDeviceChange(DBT_DEVICEARRIVAL);
        return true;
    }
    if (!device_.RemoveCard(command.text)) {
        *error = "no card named '" + Utf16ToUtf8(command.text) + "'";
        return false;
    }
    if (command.quiet) return true;
    main_.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    return true;
}

// --- time ---

bool ScriptRunner::Wait(int64_t ms) {
    QCoreApplication::sendPostedEvents();
    clock_.Advance(static_cast<uint64_t>(ms));
    QCoreApplication::sendPostedEvents();
    return true;
}

// --- books ---

bool ScriptRunner::OpenBook(const ScriptCommand& command, std::string* error) {
    if (main_.screenState() != Screen::List) {
        *error = "'open' works from the home screen (screenState 2, now " +
                 std::to_string(static_cast<int>(main_.screenState())) + ")";
        return false;
    }
    OpenRequest request;
    request.fileName = command.text;
    request.bookmarkPage = static_cast<int32_t>(command.index);
    request.slot = SlotOfNumber(command.number).value_or(FolderSlot::Main);
    request.kind = BookKindFromName(command.text).value_or(BookKind::Cmb);
    main_.listWnd().OpenBook(request);
    return true;
}

bool ScriptRunner::CloseBook(std::string* error) {
    if (main_.screenState() != Screen::Viewer) {
        *error = "'close' needs an open book (screenState 16, now " +
                 std::to_string(static_cast<int>(main_.screenState())) + ")";
        return false;
    }
    // The close button of the viewer's status bar: the book closes and the
    // page being read is remembered.
    main_.viewWnd().model().CloseAndReturn(true);
    return true;
}

}  // namespace inkvista
