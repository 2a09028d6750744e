// However the main window is closed, an open book keeps its page exactly as
// the viewer's close button keeps it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWindow>
#include <fstream>
#include <functional>
#include <iterator>

#include "AppTestSupport.h"
#include "models/LibraryBookmarks.h"

namespace inkvista {
namespace {

using test::Program;

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct CloseWay {
    const char* name;
    std::function<void(BackWnd&)> close;
    bool programEnds;
};

TEST(CloseWithABookOpen, EveryWayKeepsThePageAsTheViewersCloseDoes) {
    const CloseWay ways[] = {
        {"the bar's close button", [](BackWnd& w) { w.viewWnd().model().CloseAndReturn(true); },
         false},
        // QWindow::close goes the way of the window manager's close request.
        {"the window manager", [](BackWnd& w) { w.windowHandle()->close(); }, true},
        {"a signal or the session ending", [](BackWnd& w) { w.RequestClose(); }, true},
    };
    for (const CloseWay& way : ways) {
        SCOPED_TRACE(way.name);
        Program program;
        ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\a.cmb"), 2,
                                        200, 250, "A"));
        ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\tale.cmb"), 5,
                                        200, 250, "Harbour Tale"));
        BackWnd& wnd = program.Start();
        ASSERT_TRUE(program.Open(u"tale.cmb", 1));
        wnd.viewWnd().model().GoNextPage();
        ASSERT_EQ(wnd.viewWnd().model().currentPage(), 2);

        way.close(wnd);
        std::string expected;
        AppendBookmarkLine(expected, u"a.cmb", 0);
        AppendBookmarkLine(expected, u"tale.cmb", 2);
        EXPECT_EQ(ReadFile(program.dev.Host(u"\\My Documents\\InkVISTA\\InkVISTA.bmk")), expected);
        EXPECT_EQ(wnd.screenState(), Screen::List);
        EXPECT_FALSE(wnd.viewWnd().model().isOpen());
        EXPECT_EQ(wnd.isClosed(), way.programEnds);
        EXPECT_TRUE(program.dev.messages().shown().empty());
    }
}

// A request from outside first dismisses what is open, as Cancel: the
// dialog's own loop ends, then the window closes.
TEST(CloseWithABookOpen, ARequestWaitsForAnOpenDialogToEnd) {
    Program program;
    BackWnd& wnd = program.Start();
    test::DialogWatch watch([&](QWidget*) { wnd.RequestClose(); });
    wnd.OnStylusDown(200, 55);  // About
    wnd.OnStylusUp(200, 55);
    ASSERT_TRUE(watch.seen());
    EXPECT_FALSE(wnd.isClosed());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(wnd.isClosed());
    EXPECT_EQ(wnd.screenState(), Screen::List);
}

}  // namespace
}  // namespace inkvista
