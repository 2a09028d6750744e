// The desktop's timers and message boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "AppTestSupport.h"
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

// Answers the next message box with `button` once it is up, and notes what it
// showed.
struct BoxAnswer {
    QString title;
    QString text;
    std::vector<QString> buttons;
};

void AnswerNextBox(QMessageBox::StandardButton button, BoxAnswer* seen) {
    QTimer::singleShot(0, [button, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            AnswerNextBox(button, seen);
            return;
        }
        seen->title = box->windowTitle();
        seen->text = box->text();
        for (QAbstractButton* b : box->buttons()) seen->buttons.push_back(b->text());
        box->button(button)->click();
    });
}

TEST(QtMessageBoxes, CaptionButtonsAndAnswers) {
    test::App();
    QtMessageBoxes boxes;

    BoxAnswer seen;
    AnswerNextBox(QMessageBox::Ok, &seen);
    EXPECT_EQ(boxes.Show(u"File Open Failed", MB_OK), IDOK);
    EXPECT_EQ(seen.title, "InkVISTA");
    EXPECT_EQ(seen.text, "File Open Failed");
    EXPECT_EQ(seen.buttons.size(), 1u);

    BoxAnswer asked;
    AnswerNextBox(QMessageBox::Cancel, &asked);
    EXPECT_EQ(boxes.Show(u"Quit InkVISTA ?", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(asked.buttons.size(), 2u);

    BoxAnswer confirmed;
    AnswerNextBox(QMessageBox::Ok, &confirmed);
    EXPECT_EQ(boxes.Show(u"Quit InkVISTA ?", MB_OKCANCEL), IDOK);
}

}  // namespace
}  // namespace inkvista
