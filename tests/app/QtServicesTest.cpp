// The desktop's timers and message boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <functional>

#include "AppTestSupport.h"
#include "ui/DialogControls.h"
#include "ui/MessageBoxDialog.h"
#include "ui/QtServices.h"

namespace inkvista {
namespace {

// Runs the event loop until `done` says so (or a generous number of rounds
// has passed, so a broken timer fails instead of hanging).
template <typename Done>
bool SpinUntil(Done done) {
    for (int i = 0; i < 100000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return done();
}

TEST(QtTimerService, TimersArePerOwnerAndId) {
    test::App();
    QtTimerService timers;
    int a = 0;
    int b = 0;
    int ownerA = 0;
    int ownerB = 0;
    EXPECT_EQ(timers.SetTimer(&ownerA, 3, 0, [&] { ++a; }), 3u);
    EXPECT_EQ(timers.SetTimer(&ownerB, 3, 0, [&] { ++b; }), 3u);
    EXPECT_TRUE(timers.IsRunning(&ownerA, 3));
    EXPECT_FALSE(timers.IsRunning(&ownerA, 4));
    ASSERT_TRUE(SpinUntil([&] { return a >= 2 && b >= 2; }));
    EXPECT_TRUE(timers.KillTimer(&ownerA, 3));
    EXPECT_FALSE(timers.KillTimer(&ownerA, 3));
    EXPECT_FALSE(timers.IsRunning(&ownerA, 3));
    const int stoppedAt = a;
    const int bBefore = b;
    ASSERT_TRUE(SpinUntil([&] { return b >= bBefore + 3; }));
    EXPECT_EQ(a, stoppedAt);
    EXPECT_EQ(timers.SetTimer(&ownerA, 5, 10, nullptr), 0u);
}

TEST(QtTimerService, ACallbackMayKillOrRestartItsOwnTimer) {
    test::App();
    QtTimerService timers;
    int owner = 0;
    int first = 0;
    int second = 0;
    timers.SetTimer(&owner, 1, 0, [&] {
        ++first;
        // Restarted with a new callback from inside the old one.
        timers.SetTimer(&owner, 1, 0, [&] {
            ++second;
            timers.KillTimer(&owner, 1);
        });
    });
    ASSERT_TRUE(SpinUntil([&] { return second >= 1; }));
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_FALSE(timers.IsRunning(&owner, 1));
}

TEST(QtTimerService, TheClockMovesForward) {
    QtTimerService timers;
    const uint64_t before = timers.NowMs();
    timers.Sleep(2);
    EXPECT_GE(timers.NowMs(), before + 2);
}

// What the next message box showed, and how it stood.
struct BoxSeen {
    QString title;
    QString text;
    std::vector<int> buttons;
    QRect geometry;
    int fontPixels = 0;
};

// Once the next box is up, notes it in `seen` and answers it with `answer`.
void AnswerNextBox(std::function<void(MessageBoxDialog*)> answer, BoxSeen* seen) {
    QTimer::singleShot(0, [answer, seen] {
        auto* box = qobject_cast<MessageBoxDialog*>(QApplication::activeModalWidget());
        if (!box) return AnswerNextBox(answer, seen);
        seen->title = box->windowTitle();
        seen->text = box->text();
        for (int id : {IDOK, IDCANCEL}) {
            if (FindControl(box, id)) seen->buttons.push_back(id);
        }
        seen->geometry = box->geometry();
        seen->fontPixels = box->font().pixelSize();
        answer(box);
    });
}

void Press(QWidget* box, int key) {
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

TEST(QtMessageBoxes, ButtonsAndKeysAnswerAsTheDevicesBoxesDo) {
    test::App();
    QtMessageBoxes boxes;
    const auto focusCancel = [](MessageBoxDialog* box) {
        FindControl(box, IDCANCEL)->setFocus();
        Press(box, Qt::Key_Return);
    };
    struct Case {
        uint32_t type;
        std::function<void(MessageBoxDialog*)> answer;
        int expected;
        std::vector<int> buttons;
    };
    const std::vector<Case> cases = {
        {MB_OK, [](MessageBoxDialog* box) { Press(box, Qt::Key_Return); }, IDOK, {IDOK}},
        {MB_OK, [](MessageBoxDialog* box) { Press(box, Qt::Key_Escape); }, IDOK, {IDOK}},
        {MB_OKCANCEL,
         [](MessageBoxDialog* box) { Press(box, Qt::Key_Return); },
         IDOK,
         {IDOK, IDCANCEL}},
        {MB_OKCANCEL,
         [](MessageBoxDialog* box) { Press(box, Qt::Key_Escape); },
         IDCANCEL,
         {IDOK, IDCANCEL}},
        {MB_OKCANCEL, focusCancel, IDCANCEL, {IDOK, IDCANCEL}},
        {MB_OKCANCEL,
         [](MessageBoxDialog* box) { test::ClickControl(box, IDCANCEL); },
         IDCANCEL,
         {IDOK, IDCANCEL}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        BoxSeen seen;
        AnswerNextBox(cases[i].answer, &seen);
        EXPECT_EQ(boxes.Show(u"Quit InkVISTA ?", cases[i].type), cases[i].expected) << i;
        EXPECT_EQ(seen.title, "InkVISTA") << i;
        EXPECT_EQ(seen.text, "Quit InkVISTA ?") << i;
        EXPECT_EQ(seen.buttons, cases[i].buttons) << i;
    }
    BoxSeen warned;
    AnswerNextBox([](MessageBoxDialog* box) { test::ClickControl(box, IDOK); }, &warned);
    EXPECT_EQ(boxes.ShowCaptioned(u"Password is wrong", u"Warning !", MB_OK), IDOK);
    EXPECT_EQ(warned.title, "Warning !");
}

// However large the main window draws the device's screen, a box is drawn at
// that scale and stays inside it, a long text wrapped (a path anywhere) or,
// past the screen's height, scrolled.
TEST(QtMessageBoxes, ABoxStaysInsideTheWindowAtItsScale) {
    test::App();
    const QString path = "/home/reader/" + QString(200, QLatin1Char('x')) + "/book.txt";
    const QString essay = QString("Do you really want to delete this file ? ").repeated(60);
    const std::vector<QSize> windows = {{240, 320}, {405, 540}, {720, 960}};
    for (const QSize& size : windows) {
        QWidget window;
        window.setFixedSize(size);
        window.move(30, 20);
        window.show();
        QtMessageBoxes boxes;
        boxes.SetParent(&window);
        const qreal scale = size.width() / 240.0;
        const QRect inside(window.mapToGlobal(QPoint(0, 0)), window.size());
        for (const QString& text : {QString("File Open Failed"), path, essay}) {
            BoxSeen seen;
            AnswerNextBox([](MessageBoxDialog* box) { Press(box, Qt::Key_Return); }, &seen);
            boxes.Show(text.toStdU16String(), MB_OKCANCEL);
            EXPECT_TRUE(inside.contains(seen.geometry)) << size.width() << " " << text.size();
            EXPECT_EQ(seen.fontPixels, qRound(13 * scale)) << size.width();
            EXPECT_EQ(seen.text, text);
        }
    }
}

}  // namespace
}  // namespace inkvista
