// The desktop's ways in: a right-click opens a row's popup at once, Tab walks
// the home screen's buttons and the list, a dropped comic archive becomes a
// book of the library.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <set>

#include "AppTestSupport.h"
#include "app/BookMaking.h"
#include "app/DesktopWays.h"
#include "bookwriter/ComicArchive.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;
using test::Program;

const std::u16string kMainFolder = u"\\My Documents\\InkVISTA";

QImage Compose(BackWnd& wnd) {
    QImage frame(wnd.screenWidth(), wnd.screenHeight(), QImage::Format_RGB32);
    QPainter painter(&frame);
    wnd.DrawBackImage(painter);
    return frame;
}

void Key(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(to, &press);
}

TEST(DesktopWays, ARightClickOnARowOpensItsPopupAtOnce) {
    Program program;
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(kMainFolder + u"\\a.cmb"), 3, 240, 320, "A"));
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(kMainFolder + u"\\b.cmb"), 3, 240, 320, "B"));
    LibraryListWnd& list = program.Start().listWnd();
    const QPoint row1 = list.visualItemRect(list.topLevelItem(1)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(row1),
                      list.viewport()->mapToGlobal(QPointF(row1)), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &press);
    EXPECT_EQ(list.SelectedRow(), 1);
    EXPECT_EQ(list.model().holdTimer(), 0u);  // no second to wait for

    std::vector<std::pair<int, std::u16string>> shown;
    QTimer::singleShot(0, [&] {
        if (QMenu* menu = list.popupMenu()) {
            shown = list.model().PopupItems();
            menu->close();
        }
    });
    QCoreApplication::processEvents();  // the posted popup message
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].second, u"Info");
    EXPECT_EQ(list.model().currentEntry()->title, u"B");
}

TEST(DesktopWays, TabWalksTheButtonsAndTheListAndSpacePressesOne) {
    Program program;
    BackWnd& wnd = program.Start();
    DesktopWays& ways = *wnd.desktopWays();
    LibraryListWnd& list = wnd.listWnd();
    list.setFocus();
    const QImage unfocused = Compose(wnd);

    struct Step {
        bool forward;
        HomeButton focused;
    };
    const Step steps[] = {
        {true, HomeButton::Keys},   {true, HomeButton::Options}, {true, HomeButton::About},
        {true, HomeButton::Close},  {true, HomeButton::None},    {false, HomeButton::Close},
        {false, HomeButton::About},
    };
    for (const Step& step : steps) {
        QWidget* focus = wnd.focusWidget();
        Key(focus, step.forward ? Qt::Key_Tab : Qt::Key_Backtab,
            step.forward ? Qt::NoModifier : Qt::ShiftModifier);
        EXPECT_EQ(ways.focusedButton(), step.focused);
        const QImage frame = Compose(wnd);
        if (step.focused == HomeButton::None) {
            EXPECT_EQ(wnd.focusWidget(), &list);
            EXPECT_EQ(frame, unfocused);  // nothing of the focus is left
        } else {
            const QRect at = HomeButtonFrame(step.focused);
            EXPECT_NE(frame.copy(at), unfocused.copy(at));
            // Only the focused button is framed.
            QImage outside = frame;
            QPainter(&outside).fillRect(at, Qt::white);
            QImage before = unfocused;
            QPainter(&before).fillRect(at, Qt::white);
            EXPECT_EQ(outside, before);
        }
    }

    // Space on About does what a tap there does.
    test::DialogWatch watch([](QWidget* dialog) { test::ClickControl(dialog, 1005); });
    Key(&wnd, Qt::Key_Space);
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(watch.title(), QStringLiteral("About"));
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_EQ(wnd.focusWidget(), &list);
}

// A comic archive of `pages` small pictures.
void WriteComic(const fs::path& file, int pages) {
    bookwriter::CbzWriter cbz;
    std::string error;
    ASSERT_TRUE(cbz.Begin(file.string(), 0, &error)) << error;
    for (int i = 0; i < pages; ++i) {
        QImage picture(160, 240, QImage::Format_Grayscale8);
        picture.fill(40 * i);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        ASSERT_TRUE(cbz.Add("p" + std::to_string(i) + ".png", png, &error)) << error;
    }
    ASSERT_TRUE(cbz.Finish(&error)) << error;
}

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Presses the book-making dialog's Cancel as soon as it shows.
class CancelOnShow : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<BookMakingDialog*>(watched);
        if (dialog && event->type() == QEvent::Show)
            test::ClickControl(dialog, kBookMakingCancelId);
        return false;
    }
};

TEST(DesktopWays, ADroppedArchiveBecomesABookOfTheLibrary) {
    enum class Then { Make, RefuseQuestion, CancelMaking };
    for (const Then then : {Then::Make, Then::RefuseQuestion, Then::CancelMaking}) {
        SCOPED_TRACE(static_cast<int>(then));
        Program program;
        ASSERT_TRUE(
            test::WriteTestBook(program.dev.Host(kMainFolder + u"\\a.cmb"), 2, 240, 320, "A"));
        BackWnd& wnd = program.Start();
        const fs::path comic = program.dev.Host(u"\\Downloads\\Night Watch.cbz");
        fs::create_directories(comic.parent_path());
        WriteComic(comic, 3);
        const fs::path folder = program.dev.Host(kMainFolder);
        const std::set<std::string> before = FilesIn(folder);

        if (then == Then::RefuseQuestion) program.dev.messages().QueueAnswer(IDCANCEL);
        // Cancel as the progress dialog shows: a watch that polls could come
        // after three small pages are made.
        CancelOnShow cancelOnShow;
        if (then == Then::CancelMaking) qApp->installEventFilter(&cancelOnShow);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(comic.string()))});
        // As a drag ends on the window: it enters, then drops.
        QDragEnterEvent enter(QPoint(120, 200), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&wnd, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(120, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&wnd, &drop);
        EXPECT_TRUE(drop.isAccepted());
        QCoreApplication::processEvents();  // the drop is taken once it has ended

        ASSERT_FALSE(program.dev.messages().shown().empty());
        EXPECT_EQ(program.dev.messages().shown().front(),
                  u"Make a book of \"Night Watch.cbz\" in the library ?");
        const std::vector<ListRow> rows = wnd.listWnd().Rows();
        if (then != Then::Make) {
            // Nothing left behind, not even a temporary.
            EXPECT_EQ(FilesIn(folder), before);
            EXPECT_EQ(rows.size(), 1u);
            continue;
        }
        std::set<std::string> after = before;
        after.insert("Night Watch.cmb");
        EXPECT_EQ(FilesIn(folder), after);
        ASSERT_EQ(rows.size(), 2u);
        const int selected = wnd.listWnd().SelectedRow();
        ASSERT_GE(selected, 0);
        EXPECT_EQ(rows[static_cast<size_t>(selected)].column0, QStringLiteral("Night Watch"));
        EXPECT_EQ(rows[static_cast<size_t>(selected)].column1, QStringLiteral("1 / 003"));
        EXPECT_EQ(program.dev.messages().shown().size(), 1u);
    }
}

}  // namespace
}  // namespace inkvista
