#include "app/ScriptRunner.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/BackWnd.h"
#include "app/DialogControls.h"
#include "app/HotKeys.h"
#include "app/KeyActions.h"
#include "app/WindowMessages.h"
#include "platform/Device.h"
#include "platform/Text.h"

// Hands a mouse event to the window system layer as the platform would, so
// that Qt itself routes it: modality, popups, the implicit grab of a pressed
// button, widgets holding the mouse, double clicks. Exported by QtGui for its
// own test library.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace inkvista {

// ---------------------------------------------------------------------------
// Parsing

namespace {

struct Token {
    std::string text;
    size_t start = 0;  // offset of the token (its opening quote) in the line
};

// Cuts the line at a '#' outside quotes and splits it at blanks; a double-
// quoted stretch keeps its blanks and '#'. False for an unclosed quote.
bool Tokenize(std::string_view line, std::vector<Token>* tokens, std::string_view* content) {
    size_t i = 0;
    bool inQuote = false;
    size_t end = line.size();
    for (size_t k = 0; k < line.size(); ++k) {
        if (line[k] == '"') inQuote = !inQuote;
        if (line[k] == '#' && !inQuote) {
            end = k;
            break;
        }
    }
    if (inQuote) return false;
    *content = line.substr(0, end);
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < end) {
        while (i < end && blank(line[i])) ++i;
        if (i >= end) break;
        Token token;
        token.start = i;
        while (i < end && !blank(line[i])) {
            if (line[i] == '"') {
                size_t close = line.find('"', i + 1);
                token.text.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                token.text.push_back(line[i++]);
            }
        }
        tokens->push_back(std::move(token));
    }
    return true;
}

// The rest of the line from token `from` on, blanks trimmed, without the
// quotes when they enclose all of it.
std::string RestOfLine(std::string_view content, const std::vector<Token>& tokens, size_t from) {
    if (from >= tokens.size()) return {};
    std::string_view rest = content.substr(tokens[from].start);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
        rest.remove_suffix(1);
    }
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' &&
        rest.find('"', 1) == rest.size() - 1) {
        rest = rest.substr(1, rest.size() - 2);
    }
    return std::string(rest);
}

// Decimal, or hexadecimal after "0x".
bool ParseNumber(const std::string& text, int64_t* value) {
    std::string_view s = text;
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    *value = negative ? -v : v;
    return true;
}

struct CommandName {
    const char* name;
    ScriptOp op;
};

constexpr CommandName kCommands[] = {
    {"tap", ScriptOp::Tap},
    {"down", ScriptOp::Down},
    {"move", ScriptOp::Move},
    {"up", ScriptOp::Up},
    {"dtap", ScriptOp::DoubleTap},
    {"key", ScriptOp::Key},
    {"button", ScriptOp::Button},
    {"wait", ScriptOp::Wait},
    {"answer", ScriptOp::Answer},
    {"activate", ScriptOp::Activate},
    {"deactivate", ScriptOp::Deactivate},
    {"card", ScriptOp::CardInsert},
    {"click", ScriptOp::Click},
    {"check", ScriptOp::Check},
    {"select", ScriptOp::Select},
    {"type", ScriptOp::Type},
    {"expand", ScriptOp::Expand},
    {"collapse", ScriptOp::Collapse},
    {"shot", ScriptOp::Shot},
    {"state", ScriptOp::State},
    {"quit", ScriptOp::Quit},
    {"open", ScriptOp::Open},
    {"close", ScriptOp::Close},
};

// A day of virtual time is more than any script needs; the bound keeps a
// typo from spinning the clock for hours of real time.
constexpr int64_t kMaxWaitMs = 24 * 60 * 60 * 1000;
constexpr int64_t kMaxControlId = 0xFFFF;

class LineParser {
  public:
    LineParser(const std::vector<Token>& tokens, std::string_view content,
               const std::filesystem::path& baseDir, QSize screen)
        : tokens_(tokens), content_(content), baseDir_(baseDir), screen_(screen) {}

    bool Parse(ScriptCommand* command, std::string* error) {
        const std::string& name = tokens_[0].text;
        auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [&](const CommandName& c) { return name == c.name; });
        if (it == std::end(kCommands)) {
            *error = "unknown command '" + name + "'";
            return false;
        }
        command->op = it->op;
        error_ = error;
        switch (it->op) {
            case ScriptOp::Tap:
            case ScriptOp::Down:
            case ScriptOp::Move:
            case ScriptOp::Up:
            case ScriptOp::DoubleTap:
                return Count(2, 2, "X Y") && Point(command);
            case ScriptOp::Key:
                return Count(1, 1, "NAME or a virtual-key number") && Key(command);
            case ScriptOp::Button:
                return Count(1, 1, "N (1 to 4)") && Number(1, 1, 4, "button", &command->number);
            case ScriptOp::Wait:
                return Count(1, 1, "MS") &&
                       Number(1, 0, kMaxWaitMs, "milliseconds", &command->number);
            case ScriptOp::Answer:
                return Count(1, 1, "ok or cancel") && Choice(1, "ok", "cancel", &command->on);
            case ScriptOp::Activate:
            case ScriptOp::Deactivate:
            case ScriptOp::Quit:
            case ScriptOp::Close:
                return Count(0, 0, "");
            case ScriptOp::CardInsert:
            case ScriptOp::CardRemove:
                return Card(command);
            case ScriptOp::Click:
                return Count(1, 1, "ID") && Number(1, 0, kMaxControlId, "id", &command->number);
            case ScriptOp::Check:
                return Count(2, 2, "ID on|off") &&
                       Number(1, 0, kMaxControlId, "id", &command->number) &&
                       Choice(2, "on", "off", &command->on);
            case ScriptOp::Select:
                return Count(2, 2, "ID INDEX") &&
                       Number(1, 0, kMaxControlId, "id", &command->number) &&
                       Number(2, 0, INT32_MAX, "index", &command->index);
            case ScriptOp::Type:
                if (!Count(1, SIZE_MAX, "ID TEXT") ||
                    !Number(1, 0, kMaxControlId, "id", &command->number)) {
                    return false;
                }
                command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 2));
                return true;
            case ScriptOp::Expand:
            case ScriptOp::Collapse:
                if (!Count(1, SIZE_MAX, "PATH")) return false;
                command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 1));
                return true;
            case ScriptOp::Shot:
                if (!Count(1, 1, "FILE.png")) return false;
                if (!HasPngSuffix(tokens_[1].text)) {
                    *error = "shot writes a PNG: '" + tokens_[1].text + "' does not end in .png";
                    return false;
                }
                command->file = File(tokens_[1].text);
                return true;
            case ScriptOp::State:
                if (!Count(1, 1, "FILE")) return false;
                command->file = File(tokens_[1].text);
                return true;
            case ScriptOp::Open:
                if (!Count(1, 3, "FILE [SLOT [PAGE]]")) return false;
                command->text = Utf8ToUtf16(tokens_[1].text);
                command->number = 1;
                command->index = 0;
                if (command->text.empty()) {
                    *error = "open needs a book file name";
                    return false;
                }
                return (tokens_.size() < 3 || Number(2, 1, 5, "slot", &command->number)) &&
                       (tokens_.size() < 4 || Number(3, 0, INT32_MAX, "page", &command->index));
        }
        return false;
    }

  private:
    bool Count(size_t min, size_t max, const char* usage) {
        size_t n = tokens_.size() - 1;
        if (n >= min && n <= max) return true;
        if (max == 0) {
            *error_ = "'" + tokens_[0].text + "' takes no arguments";
        } else {
            *error_ = "'" + tokens_[0].text + "' needs " + usage;
        }
        return false;
    }

    bool Number(size_t at, int64_t min, int64_t max, const char* what, int64_t* value) {
        const std::string& text = tokens_[at].text;
        if (!ParseNumber(text, value) || *value < min || *value > max) {
            *error_ = "bad " + std::string(what) + " '" + text + "' for '" + tokens_[0].text +
                      "' (" + std::to_string(min) + " to " + std::to_string(max) + ")";
            return false;
        }
        return true;
    }

    bool Choice(size_t at, const char* yes, const char* no, bool* value) {
        const std::string& text = tokens_[at].text;
        if (text == yes || text == no) {
            *value = text == yes;
            return true;
        }
        *error_ =
            "bad argument '" + text + "' for '" + tokens_[0].text + "' (" + yes + " or " + no + ")";
        return false;
    }

    bool Point(ScriptCommand* command) {
        int64_t x = 0;
        int64_t y = 0;
        if (!Number(1, INT32_MIN, INT32_MAX, "x", &x) ||
            !Number(2, INT32_MIN, INT32_MAX, "y", &y)) {
            return false;
        }
        if (x < 0 || y < 0 || x >= screen_.width() || y >= screen_.height()) {
            *error_ = "point " + std::to_string(x) + "," + std::to_string(y) + " is off the " +
                      std::to_string(screen_.width()) + "x" + std::to_string(screen_.height()) +
                      " screen";
            return false;
        }
        command->x = static_cast<int>(x);
        command->y = static_cast<int>(y);
        return true;
    }

    bool Key(ScriptCommand* command) {
        static const std::pair<const char*, uint32_t> kNames[] = {
            {"left", VK_LEFT}, {"right", VK_RIGHT},  {"up", VK_UP},
            {"down", VK_DOWN}, {"enter", VK_RETURN},
        };
        for (const auto& [name, vk] : kNames) {
            if (tokens_[1].text == name) {
                command->number = vk;
                return true;
            }
        }
        int64_t vk = 0;
        if (ParseNumber(tokens_[1].text, &vk) && vk >= 1 && vk <= 254) {
            command->number = vk;
            return true;
        }
        *error_ = "bad key '" + tokens_[1].text +
                  "' (left, right, up, down, enter or a virtual-key number 1 to 254)";
        return false;
    }

    bool Card(ScriptCommand* command) {
        if (tokens_.size() < 2) {
            *error_ = "'card' needs insert NAME DIR or remove NAME";
            return false;
        }
        const std::string& verb = tokens_[1].text;
        if (verb == "insert") {
            // The name may have blanks ("Storage Card"); the folder is the
            // last argument.
            if (tokens_.size() < 4) {
                *error_ = "'card insert' needs NAME DIR";
                return false;
            }
            std::string name;
            for (size_t k = 2; k + 1 < tokens_.size(); ++k) {
                if (!name.empty()) name += ' ';
                name += tokens_[k].text;
            }
            command->op = ScriptOp::CardInsert;
            command->text = Utf8ToUtf16(name);
            command->file = File(tokens_.back().text);
        } else if (verb == "remove") {
            if (tokens_.size() < 3) {
                *error_ = "'card remove' needs NAME";
                return false;
            }
            command->op = ScriptOp::CardRemove;
            command->text = Utf8ToUtf16(RestOfLine(content_, tokens_, 2));
        } else {
            *error_ = "bad argument '" + verb + "' for 'card' (insert or remove)";
            return false;
        }
        if (!inkvista::ValidCardName(command->text)) {
            *error_ = "bad card name '" + Utf16ToUtf8(command->text) + "'";
            return false;
        }
        return true;
    }

    static bool HasPngSuffix(const std::string& name) {
        if (name.size() < 4) return false;
        std::string suffix = name.substr(name.size() - 4);
        std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return suffix == ".png";
    }

    std::filesystem::path File(const std::string& name) const {
        std::filesystem::path p = std::filesystem::u8path(name);
        return p.is_absolute() ? p : baseDir_ / p;
    }

    const std::vector<Token>& tokens_;
    std::string_view content_;
    const std::filesystem::path& baseDir_;
    QSize screen_;
    std::string* error_ = nullptr;
};

}  // namespace

bool ParseScript(std::string_view text, const std::filesystem::path& baseDir, QSize screen,
                 std::vector<ScriptCommand>* commands, ScriptError* error) {
    commands->clear();
    int lineNumber = 0;
    size_t pos = 0;
    // A UTF-8 byte-order mark is no part of the first command.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        ++lineNumber;
        pos = eol + 1;
        std::vector<Token> tokens;
        std::string_view content;
        if (!Tokenize(line, &tokens, &content)) {
            *error = {lineNumber, "unclosed quote"};
            return false;
        }
        if (tokens.empty()) continue;
        ScriptCommand command;
        command.line = lineNumber;
        std::string message;
        LineParser parser(tokens, content, baseDir, screen);
        if (!parser.Parse(&command, &message)) {
            *error = {lineNumber, message};
            return false;
        }
        commands->push_back(std::move(command));
    }
    return true;
}

std::string FormatScriptError(const std::string& scriptName, const ScriptError& error) {
    return scriptName + ":" + std::to_string(error.line) + ": " + error.message;
}

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

// Timestamps of synthesized stylus events. Separate commands lie far apart,
// so two taps never make a double tap; only `dtap` does.
constexpr int kStylusCommandSpacing = 10000;

bool IsBlockingWindow(const QWidget* w) {
    if (!w->isWindow()) return false;
    if (w->windowType() == Qt::Popup) return true;
    return w->isModal() || qobject_cast<const QDialog*>(w) != nullptr;
}

QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A control's numeric id: the dialogs' "controlId", or for a menu command its
// "commandId" property or integer data.
int CommandIdOf(const QAction* action) {
    for (const char* name : {"commandId", kControlIdProperty}) {
        QVariant v = action->property(name);
        bool ok = false;
        int id = v.toInt(&ok);
        if (v.isValid() && ok) return id;
    }
    bool ok = false;
    int id = action->data().toInt(&ok);
    return ok ? id : -1;
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
    main_.ignorePlatformActivation = true;
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
            if (IsBlockingWindow(w) && !frames_.empty() && !frames_.back()->handedOff) {
                frames_.back()->handedOff = true;
                frames_.back()->blocking = w;
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
            return Stylus(command, error);
        case ScriptOp::Key:
            hotKeys_.DeliverKey(static_cast<uint32_t>(command.number));
            return true;
        case ScriptOp::Button:
            hotKeys_.DeliverKey(hotKeyBase + static_cast<uint32_t>(command.number) - 1);
            return true;
        case ScriptOp::Wait:
            return Wait(command.number);
        case ScriptOp::Answer:
            messages_.QueueAnswer(command.on ? IDOK : IDCANCEL);
            return true;
        case ScriptOp::Activate:
            main_.OnActivate(true);
            return true;
        case ScriptOp::Deactivate:
            main_.OnActivate(false);
            return true;
        case ScriptOp::CardInsert: {
            std::error_code ec;
            if (!std::filesystem::is_directory(command.file, ec)) {
                *error = "no such folder: " + command.file.string();
                return false;
            }
            device_.InsertCard(command.text, command.file);
            DeviceChangeEvent change(DBT_DEVICEARRIVAL);
            QCoreApplication::sendEvent(&main_, &change);
            return true;
        }
        case ScriptOp::CardRemove: {
            if (!device_.RemoveCard(command.text)) {
                *error = "no card named '" + Utf16ToUtf8(command.text) + "'";
                return false;
            }
            DeviceChangeEvent change(DBT_DEVICEREMOVECOMPLETE);
            QCoreApplication::sendEvent(&main_, &change);
            return true;
        }
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

// --- stylus ---

namespace {

QWidget* TopLevelAt(const std::vector<QPointer<QWidget>>& stack, QWidget* main, QPoint p) {
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        QWidget* w = *it;
        if (w && w->isVisible() && w->geometry().contains(p)) return w;
    }
    return main;
}

}  // namespace

bool ScriptRunner::Stylus(const ScriptCommand& command, std::string* error) {
    const QPoint p(command.x, command.y);
    auto send = [&](QWidget* window, QEvent::Type type, Qt::MouseButtons state,
                    Qt::MouseButton button) {
        if (!window || !window->windowHandle()) return;
        const QPoint local = p - window->geometry().topLeft();
        stamp_ += 1;
        qt_handleMouseEvent(window->windowHandle(), QPointF(local), QPointF(p), state, button, type,
                            Qt::NoModifier, stamp_);
    };
    // Where a stylus that goes down now lands: an open popup takes every
    // press (and closes itself when the press is outside it), a widget that
    // holds the mouse takes it, else the topmost window under the point. A
    // window blocked by a modal dialog is left to Qt to refuse.
    auto pressTarget = [&]() -> QWidget* {
        if (QWidget* popup = QApplication::activePopupWidget()) return popup;
        if (QWidget* grabber = QWidget::mouseGrabber()) return grabber->window();
        return TopLevelAt(shown_, &main_, p);
    };
    auto heldTarget = [&]() -> QWidget* {
        if (QWidget* grabber = QWidget::mouseGrabber()) return grabber->window();
        if (pressWindow_ && pressWindow_->isVisible()) return pressWindow_;
        if (QWidget* popup = QApplication::activePopupWidget()) return popup;
        return TopLevelAt(shown_, &main_, p);
    };
    stamp_ += kStylusCommandSpacing;
    switch (command.op) {
        case ScriptOp::Tap:
        case ScriptOp::DoubleTap:
        case ScriptOp::Down: {
            if (stylusDown_) {
                *error = "the stylus is already down";
                return false;
            }
            QWidget* target = pressTarget();
            pressWindow_ = target;
            send(target, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
            if (command.op == ScriptOp::Down) {
                stylusDown_ = true;
                return true;
            }
            send(heldTarget(), QEvent::MouseButtonRelease, Qt::NoButton, Qt::LeftButton);
            if (command.op == ScriptOp::DoubleTap) {
                // A second press close in time and place: Qt makes it the
                // double click (press, release, double click, release).
                target = pressTarget();
                send(target, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
                pressWindow_ = target;
                send(heldTarget(), QEvent::MouseButtonRelease, Qt::NoButton, Qt::LeftButton);
            }
            pressWindow_.clear();
            return true;
        }
        case ScriptOp::Move:
            if (!stylusDown_) {
                *error = "'move' needs the stylus down ('down' first)";
                return false;
            }
            send(heldTarget(), QEvent::MouseMove, Qt::LeftButton, Qt::NoButton);
            return true;
        case ScriptOp::Up:
            if (!stylusDown_) {
                *error = "'up' needs the stylus down ('down' first)";
                return false;
            }
            stylusDown_ = false;
            send(heldTarget(), QEvent::MouseButtonRelease, Qt::NoButton, Qt::LeftButton);
            pressWindow_.clear();
            return true;
        default:
            break;
    }
    return false;
}

// --- time ---

bool ScriptRunner::Wait(int64_t ms) {
    QCoreApplication::sendPostedEvents();
    clock_.Advance(static_cast<uint64_t>(ms));
    QCoreApplication::sendPostedEvents();
    return true;
}

// --- dialogs ---

QWidget* ScriptRunner::TopDialog() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal != &main_) return modal;
    }
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
        QWidget* w = *it;
        if (w && w->isVisible() && qobject_cast<QDialog*>(w)) return w;
    }
    return nullptr;
}

bool ScriptRunner::ControlCommand(const ScriptCommand& command, std::string* error) {
    const int id = static_cast<int>(command.number);
    const std::string idText = std::to_string(id);

    // A popup menu takes `click` by command id.
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (command.op != ScriptOp::Click) {
            *error = "a popup menu is open: only 'click' applies to it";
            return false;
        }
        const auto actions = menu->actions();
        for (QAction* action : actions) {
            if (action->isSeparator() || CommandIdOf(action) != id) continue;
            if (!action->isEnabled()) {
                *error = "menu command " + idText + " is disabled";
                return false;
            }
            // Choosing it as a user does, so that the menu's exec() answers it.
            menu->setActiveAction(action);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &press);
            return true;
        }
        *error = "the popup menu has no command " + idText;
        return false;
    }

    QWidget* dialog = TopDialog();
    if (!dialog) {
        *error = "no dialog is open";
        return false;
    }
    QWidget* control = FindControl(dialog, id);
    if (!control) {
        *error =
            "the dialog '" + dialog->windowTitle().toStdString() + "' has no control " + idText;
        return false;
    }
    if (!control->isEnabled()) {
        *error = "control " + idText + " is disabled";
        return false;
    }

    switch (command.op) {
        case ScriptOp::Click:
            if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                button->click();
                return true;
            }
            *error = "control " + idText + " is not a button";
            return false;
        case ScriptOp::Check:
            if (auto* button = qobject_cast<QAbstractButton*>(control);
                button && button->isCheckable()) {
                if (button->isChecked() != command.on) button->click();
                // A radio button cannot be clicked off.
                if (button->isChecked() != command.on) button->setChecked(command.on);
                return true;
            }
            *error = "control " + idText + " is not a check box or radio button";
            return false;
        case ScriptOp::Select: {
            const int index = static_cast<int>(command.index);
            if (auto* combo = qobject_cast<QComboBox*>(control)) {
                if (index >= combo->count()) {
                    *error = "control " + idText + " has " + std::to_string(combo->count()) +
                             " entries, no entry " + std::to_string(index);
                    return false;
                }
                combo->setCurrentIndex(index);
                // What a choice made by hand reports besides the change.
                emit combo->activated(index);
                return true;
            }
            if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
                QAbstractItemModel* model = view->model();
                const int rows = model ? model->rowCount(view->rootIndex()) : 0;
                if (index >= rows) {
                    *error = "control " + idText + " has " + std::to_string(rows) +
                             " rows, no row " + std::to_string(index);
                    return false;
                }
                const QModelIndex item = model->index(index, 0, view->rootIndex());
                view->setCurrentIndex(item);
                if (view->selectionModel()) {
                    view->selectionModel()->select(
                        item, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                }
                return true;
            }
            *error = "control " + idText + " is not a list or combo box";
            return false;
        }
        case ScriptOp::Type: {
            const QString text = ToQString(command.text);
            QLineEdit* edit = qobject_cast<QLineEdit*>(control);
            if (!edit) {
                if (auto* combo = qobject_cast<QComboBox*>(control)) edit = combo->lineEdit();
            }
            if (edit) {
                if (edit->isReadOnly()) {
                    *error = "control " + idText + " is read-only";
                    return false;
                }
                // Typed over the old text, as a user does: the edit's length
                // limit and validator apply and textEdited is reported.
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
                edit->insert(text);
                return true;
            }
            if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
                plain->setPlainText(text);
                return true;
            }
            if (auto* rich = qobject_cast<QTextEdit*>(control)) {
                rich->setPlainText(text);
                return true;
            }
            *error = "control " + idText + " is not a text field";
            return false;
        }
        default:
            break;
    }
    return false;
}

namespace {

// A tree item's device path: its own when it carries one (Qt::UserRole),
// else its parent's path and its text.
QString ItemPath(const QTreeWidgetItem* item) {
    const QString own = item->data(0, Qt::UserRole).toString();
    if (!own.isEmpty()) return own;
    const QString text = item->text(0);
    if (!item->parent()) return text.startsWith(u'\\') ? text : QStringLiteral("\\") + text;
    QString parent = ItemPath(item->parent());
    if (!parent.endsWith(u'\\')) parent += u'\\';
    return parent + text;
}

QString TrimSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(u'\\')) path.chop(1);
    return path;
}

QTreeWidgetItem* FindItem(QTreeWidgetItem* item, const QString& path) {
    if (TrimSeparator(ItemPath(item)).compare(path, Qt::CaseInsensitive) == 0) return item;
    for (int i = 0; i < item->childCount(); ++i) {
        if (QTreeWidgetItem* found = FindItem(item->child(i), path)) return found;
    }
    return nullptr;
}

}  // namespace

bool ScriptRunner::TreeCommand(const ScriptCommand& command, std::string* error) {
    QWidget* dialog = TopDialog();
    if (!dialog) {
        *error = "no dialog is open";
        return false;
    }
    const auto trees = dialog->findChildren<QTreeWidget*>();
    QTreeWidget* tree = nullptr;
    for (QTreeWidget* t : trees) {
        if (t->isVisible()) {
            tree = t;
            break;
        }
    }
    if (!tree) {
        *error = "the dialog '" + dialog->windowTitle().toStdString() + "' has no tree";
        return false;
    }
    const QString path = TrimSeparator(ToQString(command.text));
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && !item; ++i) {
        item = FindItem(tree->topLevelItem(i), path);
    }
    if (!item) {
        *error = "the tree has no item '" + path.toStdString() + "'";
        return false;
    }
    if (command.op == ScriptOp::Expand) {
        tree->expandItem(item);
    } else {
        tree->collapseItem(item);
    }
    return true;
}

// --- output ---

QImage ScriptRunner::ComposeScreen() const {
    const QSize screen(main_.screenWidth > 0 ? main_.screenWidth : main_.width(),
                       main_.screenHeight > 0 ? main_.screenHeight : main_.height());
    QImage image(screen.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    // What no window covers: the main window is 0 × 0 until its first
    // activation.
    image.fill(Qt::black);
    QPainter painter(&image);
    auto draw = [&](QWidget* w) {
        if (!w || !w->isVisible() || w->size().isEmpty()) return;
        const QPoint at = w->geometry().topLeft();
        w->render(&painter, at, QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        if (qobject_cast<QDialog*>(w)) {
            // A frame, so the dialog stands out from the screen under it.
            painter.setPen(QColor(0x40, 0x40, 0x40));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(at - QPoint(1, 1), w->size() + QSize(1, 1)));
        }
    };
    draw(&main_);
    for (const QPointer<QWidget>& w : shown_) draw(w.data());
    painter.end();
    return image;
}

bool ScriptRunner::WriteShot(const std::filesystem::path& file, std::string* error) {
    QCoreApplication::sendPostedEvents();
    const QImage image = ComposeScreen();
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    if (!image.save(QString::fromStdString(file.string()), "PNG")) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool ScriptRunner::WriteState(const std::filesystem::path& file, std::string* error) {
    QCoreApplication::sendPostedEvents();
    QJsonObject state;
    state["screenState"] = main_.screenState;
    state["pressedButton"] = main_.pressedButton;
    QJsonArray keys;
    for (uint32_t code : main_.RegisteredHotKeyCodes()) keys.append(static_cast<int>(code));
    state["hotKeys"] = keys;
    QJsonArray texts;
    for (const std::u16string& text : messages_.shown()) texts.append(ToQString(text));
    state["messages"] = texts;
    QWidget* dialog = TopDialog();
    state["dialog"] = dialog ? QJsonValue(dialog->windowTitle()) : QJsonValue(QJsonValue::Null);

    const PageViewWnd& viewer = main_.viewer;
    QJsonObject v;
    v["open"] = viewer.bookOpen();
    v["bookTitle"] = ToQString(viewer.book.bookTitle);
    v["currentPage"] = viewer.image.currentPage;
    v["pageCount"] = viewer.book.pageCount;
    v["scrollX"] = viewer.image.scrollX;
    v["scrollY"] = viewer.image.scrollY;
    v["viewWidth"] = viewer.image.viewWidth;
    v["viewHeight"] = viewer.image.viewHeight;
    v["menuShown"] = viewer.menuShown != 0;
    v["jumpPanelShown"] = viewer.jumpPanelShown != 0;
    v["jumpTarget"] = viewer.jumpTarget;
    v["lastPageNotice"] = viewer.lastPageNotice != 0;
    v["autoScrollOn"] = viewer.autoScrollOn != 0;
    v["portrait"] = viewer.viewOption.portrait != 0;
    v["trueColour"] = viewer.image.trueColour != 0;
    state["viewer"] = v;

    const LibraryListWnd& list = main_.list;
    QJsonObject l;
    QJsonArray rows;
    for (const ListRow& row : list.Rows())
        rows.append(QJsonArray{row.column0, row.column1, row.icon});
    l["rows"] = rows;
    l["selectedIndex"] = list.selectedIndex;
    QJsonArray headings;
    for (const QString& h : list.Headings()) headings.append(h);
    l["headings"] = headings;
    state["list"] = l;

    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    QSaveFile out(QString::fromStdString(file.string()));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(state).toJson(QJsonDocument::Indented)) < 0 || !out.commit()) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

// --- books ---

namespace {

// The viewer closes its book before it hands the screen back. Viewers
// without CloseBook keep the book until the next one opens.
template <typename Viewer>
void CloseViewerBook(Viewer& viewer) {
    if constexpr (requires { viewer.CloseBook(); }) viewer.CloseBook();
}

}  // namespace

bool ScriptRunner::OpenBook(const ScriptCommand& command, std::string* error) {
    if (main_.screenState != kStateList) {
        *error = "'open' works from the home screen (screenState 2, now " +
                 std::to_string(main_.screenState) + ")";
        return false;
    }
    const std::u16string& name = command.text;
    main_.list.SetOpenRequest(name, static_cast<int32_t>(command.index),
                              static_cast<int32_t>(command.number),
                              BookKindFromName(name).value_or(BookKind::Cmb));
    main_.SwitchScreen(kViewerWindowId, false);
    return true;
}

bool ScriptRunner::CloseBook(std::string* error) {
    if (main_.screenState != kStateViewer) {
        *error = "'close' needs an open book (screenState 16, now " +
                 std::to_string(main_.screenState) + ")";
        return false;
    }
    // The close button of the viewer's status bar: the book closes and the
    // page being read is remembered.
    CloseViewerBook(main_.viewer);
    main_.SwitchScreen(kListWindowId, true);
    return true;
}

}  // namespace inkvista
