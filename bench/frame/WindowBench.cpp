// The main window on a window system, as a person meets it on a 1920 x 1080
// screen: one viewer frame full screen (the device's screen at 3.375) from
// the repaint until the window system has it, a page turn there, and a
// resize of the whole window repainted. Run on xcb (an X server) for the
// window system's share; on the offscreen platform they stop at Qt's
// backing store. See docs/performance.md.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "BenchBook.h"
#include "ReachScreen.h"
#include "app/ReaderApp.h"
#include "settings/OptionFile.h"
#include "support/TestDevice.h"
#include "ui/HotKeys.h"

namespace inkvista {
namespace {

// Lets the window system and the window manager answer for up to `ms`, or
// until `done`.
template <typename Done>
void Settle(Done done, int ms = 3000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}

// The reader on a test device with the benchmark's book, landscape and
// fitted, in the desktop's window.
struct Program {
    explicit Program(int pages = 2) {
        WriteBenchBook(test, true, pages);
        // Loading makes the option file, which saving only ever replaces.
        ViewOption view;
        KeyMap keyMap;
        LoadOptions(test.device(), view, keyMap);
        view.portrait = 0;
        view.fitToWindow = 1;
        view.smoothScroll = 0;
        if (SaveOptions(test.device(), view, keyMap) != OptionFileError::None) std::abort();
        window().BecomeDesktopWindow(nullptr, false);
        app.InitInstance();
        window().OnActivate(true);
    }
    BackWnd& window() { return app.mainWindow(); }
    void Open() {
        OpenRequest request;
        request.fileName = u"bench.cmb";
        request.slot = FolderSlot::Main;
        window().listWnd().OpenBook(request);
        if (window().screenState() != Screen::Viewer) {
            for (const std::u16string& text : test.messages().shown()) {
                std::fprintf(stderr, "%s\n", QString::fromStdU16String(text).toUtf8().constData());
            }
            std::abort();
        }
    }
    void FullScreen() {
        const QSize screen = window().screen()->geometry().size();
        window().showFullScreen();
        Settle([&] { return window().size() == screen; });
    }

    TestDevice test;
    DesktopHotKeys keys;
    ReaderApp app{test.device(), keys};
};

void FullScreenFrame(benchmark::State& state) {
    Program program;
    program.FullScreen();
    program.Open();
    PageViewWnd& viewer = program.window().viewWnd();
    for (auto _ : state) {
        viewer.Redraw();
        ReachScreen();
    }
    state.counters["scale"] = program.window().deviceScale();
}

void FullScreenPageTurn(benchmark::State& state) {
    Program program;
    program.FullScreen();
    program.Open();
    ReaderModel& reader = program.window().viewWnd().model();
    for (auto _ : state) {
        // A turn that decodes: neither the page left nor one ahead is kept.
        reader.ForgetSparePages();
        if (reader.currentPage() == 0) {
            reader.GoNextPage();
        } else {
            reader.GoPrevPage();
        }
        ReachScreen();
    }
}

// Turns forward as a person reads: between two turns the reader has had
// the time to decode the next page ahead (the viewer does so 20 ms after a
// frame); only the turn itself is timed.
void FullScreenTurnReadAhead(benchmark::State& state) {
    constexpr int kPages = 8;
    Program program(kPages);
    program.FullScreen();
    program.Open();
    ReaderModel& reader = program.window().viewWnd().model();
    for (auto _ : state) {
        state.PauseTiming();
        if (reader.currentPage() == kPages - 1) reader.GoFirstPage();
        QElapsedTimer reading;
        reading.start();
        while (reading.elapsed() < 40) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.ResumeTiming();
        reader.GoNextPage();
        ReachScreen();
    }
}

// The window between 1920 x 1080 and 1600 x 1000, each size repainted
// whole: what a drag of its corner asks for at every step.
void Resize(benchmark::State& state, bool viewer) {
    Program program;
    BackWnd& window = program.window();
    window.show();
    Settle([&] { return window.isVisible(); });
    if (viewer) program.Open();
    const QSize sizes[] = {{1920, 1080}, {1600, 1000}};
    int next = 0;
    for (auto _ : state) {
        window.resize(sizes[next]);
        next ^= 1;
        window.repaint();
        ReachScreen();
    }
    state.counters["scale"] = window.deviceScale();
}

}  // namespace

void RegisterWindowBenchmarks() {
    benchmark::RegisterBenchmark("Window/frame/colour-fit/landscape/full-screen", FullScreenFrame)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Window/page-turn/colour-1200x1800/fit/landscape/full-screen",
                                 FullScreenPageTurn)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        "Window/page-turn/colour-1200x1800/fit/landscape/full-screen/read-ahead",
        FullScreenTurnReadAhead)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Window/resize/home", Resize, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Window/resize/viewer", Resize, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace inkvista
