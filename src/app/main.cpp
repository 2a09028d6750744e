// The reader: parses the launcher options, builds the desktop device (or the
// headless one of script mode) and runs the application object.
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QSessionManager>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Version.h"
#include "app/BackWnd.h"
#include "app/LaunchBook.h"
#include "app/LaunchOptions.h"
#include "app/OneReader.h"
#include "app/ReaderApp.h"
#include "app/ScriptRunner.h"
#include "app/WindowMemory.h"
#include "book/BookFormat.h"
#include "book/HeaderText.h"
#include "platform/Device.h"
#include "platform/HeapTuning.h"
#include "platform/HostFolders.h"
#include "platform/HostNames.h"
#include "platform/Text.h"
#include "ui/Artwork.h"
#include "ui/CloseSignals.h"
#include "ui/Fonts.h"
#include "ui/HotKeys.h"
#include "ui/QtServices.h"
#include "viewer/SessionBus.h"

namespace inkvista {
namespace {

constexpr int kUsageStatus = 2;

QtMessageHandler qtMessages = nullptr;

// Headless runs keep standard error for what matters: the offscreen platform
// cannot grab the pointer at window-system level (Qt's own widget grab, which
// the program relies on, still works) and has no runtime folder.
void ScriptModeMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support grabbing")) ||
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        return;
    }
    if (qtMessages) {
        qtMessages(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}

// Script files are small; anything this large is not one.
constexpr qint64 kMaxScriptBytes = 16 << 20;

bool ReadScript(const std::filesystem::path& file, std::string* text, std::string* error) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) {
        *error = "cannot read script " + file.string() + ": " + in.errorString().toStdString();
        return false;
    }
    if (in.size() > kMaxScriptBytes) {
        *error = "script " + file.string() + " is too large";
        return false;
    }
    const QByteArray bytes = in.readAll();
    text->assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

// Standard error of a start from a file manager or a menu goes nowhere a
// person looks.
bool StderrIsSeen() {
    return ::isatty(STDERR_FILENO) == 1;
}

bool ShownToAPerson(const QString& platform) {
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Before the application exists: whether a display is named that a box
// could be shown on; if so the platform list ends in one without a screen,
// so that a display that cannot be reached ends the run with its refusal's
// status rather than an abort.
bool PrepareBoxPlatform() {
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("DISPLAY")) platform += "xcb;";
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) platform += "wayland;";
        if (platform.isEmpty()) return false;
    } else if (!ShownToAPerson(QString::fromLatin1(platform.split(';').first()))) {
        return false;
    } else if (!platform.endsWith(';')) {
        platform += ';';
    }
    qputenv("QT_QPA_PLATFORM", platform + "offscreen");
    return true;
}

// The boxes of refusals at start: the program's own, over the screen they
// would stand on; none where nobody would see them (tests and headless
// runs), so that nothing waits for an answer that cannot come. A refusal
// before the application exists makes one for its box.
class RefusalBoxes : public MessageBoxes {
  public:
    RefusalBoxes() = default;
    RefusalBoxes(int& argc, char** argv) : argc_(&argc), argv_(argv) {}
    int Show(std::u16string_view text, uint32_t type = MB_OK) override {
        if (!qApp) {
            if (!argc_ || !PrepareBoxPlatform()) return IDOK;
            app_ = std::make_unique<QApplication>(*argc_, argv_);
        }
        // Also waits for the fonts a start set going.
        LoadReaderFonts();
        if (!ShownToAPerson(QGuiApplication::platformName())) return IDOK;
        return QtMessageBoxes().Show(text, type);
    }

  private:
    int* argc_ = nullptr;
    char** argv_ = nullptr;
    std::unique_ptr<QApplication> app_;
};

// The fonts started at start-up, in before the first text is laid out.
void WaitForReaderFonts() {
    for (const QString& file : LoadReaderFonts()) {
        std::fprintf(stderr, "inkvista: cannot load the font %s; texts may look different\n",
                     qPrintable(file));
    }
}

int RunScript(QApplication& qapp, const LaunchOptions& options,
              std::vector<ScriptCommand> commands) {
    RecordingMessageBoxes messages;
    ScriptClock clock;
    Device device(options.device, messages, clock);
    LaunchBook book;
    std::string error;
    if (options.book && !PlaceLaunchBook(device, *options.book, options.bookKind, &book, &error)) {
        std::fprintf(stderr, "inkvista: %s\n", error.c_str());
        return kUsageStatus;
    }
    DesktopHotKeys hotKeys;
    hotKeys.Install();
    ReaderApp app(device, hotKeys);
    BackWnd& window = app.mainWindow();
    hotKeys.SetTarget(&window);
    // Only the script says when the program comes to the front or leaves it.
    window.SetIgnorePlatformActivation(true);
    // Nothing else to do until the fonts are in.
    OpenCodePageConversion();
    WaitForReaderFonts();
    app.InitInstance();
    if (options.book) window.OpenLaunchBook(book.folder, book.fileName, book.kind);
    ScriptRunner runner(window, device, messages, clock, hotKeys, std::move(commands),
                        options.script->string());
    runner.Start();
    qapp.exec();
    return runner.exitCode();
}

// Where the pictures made for the window's scale are kept for the next
// start: the user's cache folder, or beside a registry file named on the
// command line, whose run keeps its own.
std::filesystem::path PictureFolder(const LaunchOptions& options) {
    if (options.device.registryFile) return options.device.registryFile->parent_path() / "pictures";
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty()) return {};
    return std::filesystem::path(cache.toStdString()) / "pictures";
}

int RunDesktop(QApplication& qapp, const LaunchOptions& options) {
    RefusalBoxes refusals;
    OneReader one(ReaderAddressFor(options.device));
    std::string error;
    bool serve = false;
    switch (one.Begin(options.book, &error)) {
        case OneReader::Start::HandedOver:
            return 0;
        case OneReader::Start::Refused:
            TellStartRefusal(error, StderrIsSeen(), refusals);
            return kUsageStatus;
        case OneReader::Start::Alone:
            std::fprintf(stderr, "inkvista: %s; running on its own\n", error.c_str());
            break;
        case OneReader::Start::Serve:
            serve = true;
            break;
    }
    // Caught from here on; what they ask for happens once the loop runs, with
    // the book open.
    CloseSignals closeSignals;
    if (!closeSignals.Watch()) {
        std::fprintf(stderr, "inkvista: cannot catch termination signals (%s)\n",
                     std::strerror(errno));
    }
    QtMessageBoxes messages;
    QtTimerService timers;
    Device device(options.device, messages, timers);
    LaunchBook book;
    if (options.book && !PlaceLaunchBook(device, *options.book, options.bookKind, &book, &error)) {
        TellStartRefusal(error, StderrIsSeen(), refusals);
        return kUsageStatus;
    }
    DesktopHotKeys hotKeys;
    hotKeys.Install();
    ReaderApp app(device, hotKeys);
    BackWnd& window = app.mainWindow();
    hotKeys.SetTarget(&window);
    messages.SetParent(&window);
    // The main window is the program: closing it ends the run, even while a
    // box it owns is still on the way out.
    qapp.setQuitOnLastWindowClosed(false);
    WindowMemory memory(
        WindowMemory::FileBeside(options.device.registryFile.value_or(DefaultRegistryFile())));
    KeepPicturesIn(PictureFolder(options));
    // --scale has Qt draw everything that many times larger: the screen
    // then stays at one logical pixel per device pixel.
    window.BecomeDesktopWindow(&memory, options.scale > 1);
    WaitForReaderFonts();
    app.InitInstance();
    // Later starts hand their books to this one from now on: they open as the
    // book of the command line does, once no box or dialog (one of start-up
    // too) is in the way.
    if (serve && !one.Listen(
                     [&](const std::optional<std::filesystem::path>& handed) -> std::string {
                         if (!handed) {
                             window.BringToFront();
                             return {};
                         }
                         std::string refusal;
                         LaunchBook placed;
                         if (!ReachLaunchBook(device, handed->string(), &placed, &refusal)) {
                             return refusal;
                         }
                         window.BringToFront();
                         window.WhenIdle([&window, placed] {
                             window.OpenLaunchBook(placed.folder, placed.fileName, placed.kind);
                         });
                         return {};
                     },
                     &error)) {
        std::fprintf(stderr, "inkvista: %s; running on its own\n", error.c_str());
    }
    if (options.book) window.OpenLaunchBook(book.folder, book.fileName, book.kind);
    // The shell brings a program it starts to the front.
    window.OnActivate(true);
    window.raise();
    window.activateWindow();

    struct CloseWatch : QObject {
        BackWnd* window;
        explicit CloseWatch(BackWnd* w) : window(w) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Hide && window->isClosed()) QCoreApplication::exit(0);
            return false;
        }
    } closeWatch(&window);
    window.installEventFilter(&closeWatch);
    // Whoever asks the program to end, the page being read is kept.
    QObject::connect(&closeSignals, &CloseSignals::received, &window,
                     [&window] { window.RequestClose(); });
    QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.RequestClose(); });

    // Without --root the storage cards are the host's removable volumes:
    // their coming and going reaches the window as device-change messages.
    std::unique_ptr<MountWatcher> mounts;
    if (!options.device.root) {
        mounts = std::make_unique<MountWatcher>(
            device, [&window](uint32_t deviceEvent) { window.OnDeviceChange(deviceEvent); });
        mounts->Start();
    }
    const int status = qapp.exec();
    window.removeEventFilter(&closeWatch);
    return status;
}

}  // namespace
}  // namespace inkvista

int main(int argc, char** argv) {
    using namespace inkvista;
    KeepFreedPageMemory();
    std::vector<std::string> args(argv + 1, argv + argc);
    LaunchOptions options;
    std::string error;
    RefusalBoxes early(argc, argv);
    if (!ParseLaunchOptions(args, options, &error)) {
        // A script run is read by whoever runs it.
        const bool script = std::any_of(args.begin(), args.end(), [](const std::string& arg) {
            return arg.rfind("--script", 0) == 0;
        });
        // As large as the window would have been, when its scale came first.
        if (options.scale > 1) qputenv("QT_SCALE_FACTOR", QByteArray::number(options.scale));
        TellStartRefusal(error, script || StderrIsSeen(), early, "Try 'inkvista --help'.");
        return kUsageStatus;
    }
    if (options.help) {
        std::fputs(LaunchUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("inkvista %s\n", kVersion);
        return 0;
    }
    // A box of the run, a refusal's too, is as large as its window.
    if (!options.script && options.scale > 1) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(options.scale));
    }
    // A registry file that is not one is refused before anything could write to it.
    std::string registryProblem;
    if (!Registry(options.device.registryFile.value_or(DefaultRegistryFile()))
             .CheckFile(&registryProblem)) {
        TellStartRefusal(registryProblem, options.script || StderrIsSeen(), early);
        return 1;
    }

    std::vector<ScriptCommand> commands;
    if (options.script) {
        // The whole script is checked before the program starts.
        std::string text;
        if (!ReadScript(*options.script, &text, &error)) {
            std::fprintf(stderr, "inkvista: %s\n", error.c_str());
            return kUsageStatus;
        }
        std::error_code ec;
        std::filesystem::path base = std::filesystem::absolute(*options.script, ec).parent_path();
        ScriptError scriptError;
        if (!ParseScript(text, base, &commands, &scriptError)) {
            std::fprintf(stderr, "%s\n",
                         FormatScriptError(options.script->string(), scriptError).c_str());
            return kUsageStatus;
        }
        // Headless, and one screen pixel per image pixel whatever the
        // environment asks for.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
        qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
        qtMessages = qInstallMessageHandler(ScriptModeMessages);
    }

    // The first text waits for the fonts: the longest part of their start is
    // under way while the application is built. In a desktop session, whose
    // bus is there at once, the window's thread otherwise reached its first
    // text some 3 ms before the fonts were in.
    StartReadingFontConfiguration();
    // A window's first list waits for the session bus; it is connected while
    // the application is built. Script mode has no use for it.
    AsideThread bus;
    if (!options.script) bus = ConnectSessionBusAhead();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("InkVISTA"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    StartLoadingReaderFonts(!options.script);

    const int status =
        options.script ? RunScript(qapp, options, std::move(commands)) : RunDesktop(qapp, options);
    // A run that ended early (a book handed to the running reader) must not
    // take the application away from under the fonts' thread.
    EndLoadingReaderFonts();
    // The bus's thread too, which a start that ended early may still be in.
    bus.Wait();
    return status;
}
