// The desktop's window around the device's screen: which scale fits which
// window, the steps of Ctrl+plus and Ctrl+minus, taps and dialogs at the
// scale, F11's full screen and the place the window keeps between runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QWindow>
#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "app/WindowMemory.h"
#include "ui/DeviceScreen.h"
#include "ui/DialogControls.h"

// Hands a key to the window system layer as the platform would, so that
// shortcuts see it. Exported by QtGui for its own test library.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key,
                                    Qt::KeyboardModifiers modifiers, const QString& text = {},
                                    bool autorepeat = false, ushort count = 1);

namespace inkvista {
namespace {

TEST(DeviceScreen, WhichScaleFitsWhichWindow) {
    struct Case {
        QSize window;
        qreal scale;
        QRect screen;
    };
    const Case cases[] = {
        {{240, 320}, 1, {0, 0, 240, 320}},
        {{480, 640}, 2, {0, 0, 480, 640}},
        {{1920, 1080}, 3.375, {555, 0, 810, 1080}},
        // Maximised under a title bar: fractions, the width rounded.
        {{1920, 1061}, 1061.0 / 320, {562, 0, 796, 1061}},
        // A tall window: its width decides, the screen centred down it.
        {{1000, 1400}, 1000.0 / 240, {0, 33, 1000, 1333}},
        // Smaller than the screen: its top-left corner stays in view.
        {{100, 100}, 1, {0, 0, 240, 320}},
        {{4000, 4000}, 8, {1040, 720, 1920, 2560}},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(FitScale(c.window), c.scale) << c.window.width();
        EXPECT_EQ(CentredScreen(c.window, c.scale), c.screen) << c.window.width();
    }
}

TEST(DeviceScreen, CtrlPlusAndMinusStepTheScale) {
    struct Case {
        qreal from;
        bool larger;
        qreal limit;
        qreal to;
    };
    const Case cases[] = {
        {1, true, 8, 1.25},          {1.75, true, 8, 2}, {2.5, true, 8, 3}, {3.375, true, 8, 3.5},
        {3.375, false, 8, 3},        {1.1, false, 8, 1}, {1, false, 8, 1},  {2.2, true, 2.4, 2.4},
        {3.375, true, 3.375, 3.375}, {8, true, 8, 8},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(StepScale(c.from, c.larger, c.limit), c.to) << c.from << c.larger;
    }
}

// The program in the desktop's window, with its memory in the test's folder.
struct DesktopProgram {
    explicit DesktopProgram(bool fixedScale = false)
        : file(program.dev.Host(u"\\") / "window.conf"), memory(file) {
        test::App();
        Start(fixedScale);
    }
    void Start(bool fixedScale) {
        program.app = std::make_unique<ReaderApp>(program.dev.device(), program.keys);
        BackWnd& window = program.wnd();
        window.SetIgnorePlatformActivation(true);
        window.BecomeDesktopWindow(&memory, fixedScale);
        program.app->InitInstance();
        window.activateWindow();
        QApplication::processEvents();
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWindow* handle = program.wnd().windowHandle();
        qt_handleKeyEvent(handle, QEvent::KeyPress, key, modifiers);
        qt_handleKeyEvent(handle, QEvent::KeyRelease, key, modifiers);
        QApplication::processEvents();
    }
    BackWnd& wnd() { return program.wnd(); }

    test::Program program;
    std::filesystem::path file;
    WindowMemory memory;
};

TEST(DesktopWindow, TapsAndDialogsMeetTheScreenAtItsScale) {
    DesktopProgram desktop;
    BackWnd& window = desktop.wnd();
    window.resize(480, 700);
    EXPECT_EQ(window.deviceScale(), 2);
    EXPECT_EQ(window.deviceScreenRect(), QRect(0, 30, 480, 640));
    EXPECT_EQ(window.listWnd().geometry(), QRect(14, 186, 452, 470));
    EXPECT_EQ(window.viewWnd().geometry(), QRect(0, 30, 480, 640));

    // The About button at device (200, 58) is at (400, 146) in the window.
    QRect dialog;
    qreal dialogScale = 0;
    test::DialogWatch watch([&](QWidget* shown) {
        dialog = shown->geometry();
        dialogScale = static_cast<TemplateDialog*>(shown)->scale();
        static_cast<QDialog*>(shown)->reject();
    });
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(
            type, QPointF(400, 146), window.mapToGlobal(QPointF(400, 146)), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    }
    ASSERT_TRUE(watch.seen());
    EXPECT_EQ(dialogScale, 2);
    EXPECT_TRUE(DeviceScreenOf(&window).rect.contains(dialog)) << dialog.x() << "," << dialog.y();
}

TEST(DesktopWindow, EscapeLeavesF11sFullScreenBeforeItClosesTheBook) {
    DesktopProgram desktop;
    ASSERT_TRUE(test::WriteTestBook(desktop.program.dev.Host(u"\\My Documents\\InkVISTA\\one.cmb"),
                                    2, 240, 320));
    BackWnd& window = desktop.wnd();
    window.listWnd().RefreshLibrary();
    ASSERT_TRUE(desktop.program.Open(u"one.cmb"));

    desktop.Press(Qt::Key_F11);
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_EQ(window.deviceScale(), FitScale(window.size()));
    desktop.Press(Qt::Key_Escape);
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_EQ(window.screenState(), Screen::Viewer);

    // Full screen that F11 did not make: Escape is the book's again.
    window.showFullScreen();
    desktop.Press(Qt::Key_Escape);
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_EQ(window.screenState(), Screen::List);
}

TEST(DesktopWindow, TheZoomKeysStepTheWindowOrTheScreenInIt) {
    DesktopProgram desktop;
    BackWnd& window = desktop.wnd();
    window.resize(240, 320);
    desktop.Press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(window.size(), QSize(300, 400));
    desktop.Press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(window.size(), QSize(240, 320));

    // Maximised, the window keeps its size and the screen steps inside it,
    // up to what fits.
    window.showMaximized();
    QApplication::processEvents();
    const qreal fit = FitScale(window.size());
    desktop.Press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(window.deviceScale(), fit);
    desktop.Press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(window.deviceScale(), 1);
    for (int i = 0; i < 10; ++i) desktop.Press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(window.deviceScale(), fit);
}

TEST(DesktopWindow, CtrlQAsksAsTheCloseBoxDoes) {
    DesktopProgram desktop;
    RecordingMessageBoxes& boxes = desktop.program.dev.messages();
    boxes.QueueAnswer(IDCANCEL);
    desktop.Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(boxes.shown(), std::vector<std::u16string>{u"Quit InkVISTA ?"});
    EXPECT_FALSE(desktop.wnd().isClosed());
    boxes.QueueAnswer(IDOK);
    desktop.Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(desktop.wnd().isClosed());
}

TEST(DesktopWindow, ThePlaceIsKeptButNotOverAFileOfOthers) {
    DesktopProgram desktop;
    desktop.wnd().resize(500, 420);
    desktop.wnd().close();
    desktop.Start(false);
    EXPECT_EQ(desktop.wnd().size(), QSize(500, 420));

    // A run at a fixed scale neither takes the place nor keeps its own.
    desktop.Start(true);
    EXPECT_EQ(desktop.wnd().size(), QSize(240, 320));
    desktop.wnd().resize(300, 330);
    desktop.wnd().close();
    desktop.Start(false);
    EXPECT_EQ(desktop.wnd().size(), QSize(500, 420));

    // Maximised, the size it had is foreseen before the window manager
    // gives it again.
    desktop.wnd().showMaximized();
    QApplication::processEvents();
    const QSize maximised = desktop.wnd().size();
    desktop.wnd().close();
    desktop.Start(false);
    EXPECT_EQ(desktop.memory.ComingSize(desktop.wnd()), maximised);
    desktop.wnd().showNormal();
    EXPECT_EQ(desktop.memory.ComingSize(desktop.wnd()), std::nullopt);
    desktop.wnd().showMaximized();
    QApplication::processEvents();
    desktop.wnd().close();

    // Foreseen wrong (kept on another screen of the same size, say), the
    // window is laid out for the size it is given all the same.
    QSettings(QString::fromStdString(desktop.file.string()), QSettings::IniFormat)
        .setValue("window/size", maximised / 2);
    desktop.memory = WindowMemory(desktop.file);
    desktop.Start(false);
    ASSERT_EQ(desktop.memory.ComingSize(desktop.wnd()), maximised / 2);
    ASSERT_EQ(desktop.wnd().size(), maximised);
    const qreal fit = FitScale(maximised);
    EXPECT_EQ(desktop.wnd().deviceScreenRect(), CentredScreen(maximised, fit));
    EXPECT_EQ(desktop.wnd().listWnd().font().pixelSize(), qRound(12 * fit));
    desktop.wnd().close();

    const QString file = QString::fromStdString(desktop.file.string());
    for (const QByteArray& others : {QByteArray("\x89PNG\r\n\x1a\n"), QByteArray("[window\n"),
                                     QByteArray("[General]\ntheme=dark\n")}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(others);
        out.close();
        desktop.memory = WindowMemory(desktop.file);
        desktop.Start(false);
        desktop.wnd().close();
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), others);
    }
}

}  // namespace
}  // namespace inkvista
