// Start to first painted frame of the reader's desktop window at the size it
// was left at (bench/startup.sh, maximised at 1920 x 1080): the launcher's
// path to the window, on a device folder given on the command line, ending
// once the main window has painted at its final size and the X server has
// taken the frame. Left out of the launcher's path: the signal handlers and
// the watch on removable volumes, which do nothing before the first frame.
//   inkvista_window_start ROOT REGISTRY [--maximise]
// With --maximise the window is maximised by the program and its place then
// kept, as a person leaves it: later runs come back maximised.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "ReachScreen.h"
#include "app/OneReader.h"
#include "app/ReaderApp.h"
#include "app/WindowMemory.h"
#include "platform/HeapTuning.h"
#include "ui/Artwork.h"
#include "ui/Fonts.h"
#include "ui/HotKeys.h"
#include "ui/QtServices.h"
#include "viewer/SessionBus.h"

namespace inkvista {
namespace {

// Ends the run after the first paint of `window` at the size it keeps.
// The frame is the end of the measurement: tearing down is not part of a
// start, so the process ends there, unless the window's place is to be kept.
// The reader's lock is given up first, as a reader that quits gives it up:
// a lock left behind would make every next run a start after a crash, which
// takes the dead reader's lock over (several milliseconds).
class FirstFrame : public QObject {
  public:
    FirstFrame(bool keepPlace, std::optional<OneReader>& one) : keepPlace_(keepPlace), one_(one) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        const QScreen* screen = window->screen();
        const bool settled =
            !screen || window->width() >= screen->availableGeometry().width() * 9 / 10;
        if (event->type() == QEvent::Paint && settled) {
            QTimer::singleShot(0, [keepPlace = keepPlace_, &one = one_] {
                ReachScreen();
                one.reset();
                if (!keepPlace) std::_Exit(0);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

  private:
    bool keepPlace_;
    std::optional<OneReader>& one_;
};

}  // namespace
}  // namespace inkvista

int main(int argc, char** argv) {
    using namespace inkvista;
    const bool maximise = argc == 4 && std::string_view(argv[3]) == "--maximise";
    if (argc != 3 && !maximise) {
        std::fprintf(stderr, "usage: inkvista_window_start ROOT REGISTRY [--maximise]\n");
        return 2;
    }
    KeepFreedPageMemory();
    StartReadingFontConfiguration();
    const AsideThread bus = ConnectSessionBusAhead();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("InkVISTA"));
    StartLoadingReaderFonts(true);
    DeviceOptions options;
    options.root = argv[1];
    options.registryFile = argv[2];
    std::optional<OneReader> one(std::in_place, ReaderAddressFor(options));
    std::string error;
    const bool serve = one->Begin(std::nullopt, &error) == OneReader::Start::Serve;
    QtMessageBoxes messages;
    QtTimerService timers;
    Device device(options, messages, timers);
    DesktopHotKeys hotKeys;
    hotKeys.Install();
    ReaderApp app(device, hotKeys);
    BackWnd& window = app.mainWindow();
    hotKeys.SetTarget(&window);
    messages.SetParent(&window);
    qapp.setQuitOnLastWindowClosed(false);
    WindowMemory memory(WindowMemory::FileBeside(*options.registryFile));
    KeepPicturesIn(options.registryFile->parent_path() / "pictures");
    window.BecomeDesktopWindow(&memory, false);
    FirstFrame first(maximise, one);
    window.installEventFilter(&first);
    LoadReaderFonts();
    app.InitInstance();
    if (serve) one->Listen([](const auto&) { return std::string(); }, &error);
    if (maximise) window.showMaximized();
    window.OnActivate(true);
    window.raise();
    window.activateWindow();
    const int status = qapp.exec();
    if (maximise) window.close();
    EndLoadingReaderFonts();
    return status;
}
