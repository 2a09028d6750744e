// The list window on the home screen: rows and icons from the scan, the hit
// test of taps and double taps, the column headings, a bookmark kept across
// a close and a new start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include "AppTestSupport.h"

namespace inkvista {
namespace {

using test::Program;

class LibraryList : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& [name, title] : {std::pair{u"a.cxb", "Alpha"}, std::pair{u"b.cmb", "Beta"},
                                          std::pair{u"c.cmb", "Gamma"}}) {
            ASSERT_TRUE(test::WriteTestBook(
                program.dev.Host(std::u16string(u"\\My Documents\\InkVISTA\\") + name), 3, 240, 320,
                title));
        }
    }
    // The centre of row `row` in the list's viewport.
    QPoint RowPoint(LibraryListWnd& list, int row) {
        return list.visualItemRect(list.topLevelItem(row)).center();
    }
    void Mouse(LibraryListWnd& list, QEvent::Type type, QPoint at) {
        QMouseEvent event(
            type, QPointF(at), list.viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &event);
    }
    Program program;
};

TEST_F(LibraryList, RowsComeFromTheScanWithTheirIcons) {
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    const std::vector<ListRow> rows = list.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].column0, QStringLiteral("Beta"));
    EXPECT_EQ(rows[0].column1, QStringLiteral("1 / 003"));
    EXPECT_EQ(rows[0].icon, 2);
    EXPECT_EQ(rows[2].column0, QStringLiteral("Alpha"));
    EXPECT_EQ(rows[2].icon, 0);
    EXPECT_FALSE(list.topLevelItem(0)->icon(0).isNull());
    EXPECT_EQ(list.SelectedRow(), 0);
    EXPECT_EQ(list.geometry(), QRect(7, 78, 226, 235));
}

TEST_F(LibraryList, ATapSelectsAndADoubleTapOnTheSelectedRowOpensIt) {
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    const QPoint row2 = RowPoint(list, 2);
    Mouse(list, QEvent::MouseButtonPress, row2);
    Mouse(list, QEvent::MouseButtonRelease, row2);
    EXPECT_EQ(list.model().selectedIndex(), 2);
    EXPECT_EQ(list.SelectedRow(), 2);
    EXPECT_EQ(list.model().holdTimer(), 0u);  // the button up ended the hold

    // A double tap on another row only selects it.
    const QPoint row1 = RowPoint(list, 1);
    Mouse(list, QEvent::MouseButtonDblClick, row1);
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_EQ(list.model().selectedIndex(), 1);
    EXPECT_EQ(list.SelectedRow(), 1);

    Mouse(list, QEvent::MouseButtonDblClick, row1);
    EXPECT_EQ(wnd.screenState(), Screen::Viewer);
    EXPECT_EQ(wnd.viewWnd().model().book().bookTitle, u"Gamma");
}

TEST_F(LibraryList, ATapBelowTheRowsSelectsOnePastTheLastTested) {
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    const QPoint below(20, list.viewport()->height() - 2);
    Mouse(list, QEvent::MouseButtonPress, below);
    Mouse(list, QEvent::MouseButtonRelease, below);
    EXPECT_EQ(list.model().selectedIndex(), 3);
    EXPECT_EQ(list.model().currentEntry(), nullptr);
}

TEST_F(LibraryList, ColumnHeadingsSwitchTheTextsWithoutSorting) {
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    emit list.header()->sectionClicked(0);
    EXPECT_EQ(list.Headings(), (QStringList{QStringLiteral("FILENAME"), QStringLiteral("PAGE")}));
    EXPECT_EQ(list.Rows()[0].column0, QStringLiteral("b.cmb"));
    EXPECT_EQ(list.Rows()[2].column0, QStringLiteral("a.cxb"));
    emit list.header()->sectionClicked(1);
    EXPECT_EQ(list.Headings()[1], QStringLiteral("SIZE"));
    EXPECT_TRUE(list.Rows()[0].column1.endsWith(u'K'));
    emit list.header()->sectionClicked(0);
    emit list.header()->sectionClicked(1);
    EXPECT_EQ(list.Headings(), (QStringList{QStringLiteral("TITLE"), QStringLiteral("PAGE")}));
    EXPECT_EQ(list.Rows()[0].column0, QStringLiteral("Beta"));
}

TEST_F(LibraryList, ThePageReadIsShownAfterCloseAndKeptAcrossAStart) {
    {
        BackWnd& wnd = program.Start();
        LibraryListWnd& list = wnd.listWnd();
        list.model().Select(1);
        list.RefreshLibrary();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&list, &enter);
        ASSERT_EQ(wnd.screenState(), Screen::Viewer);
        EXPECT_EQ(wnd.viewWnd().model().book().bookTitle, u"Gamma");
        wnd.viewWnd().model().CloseAndReturn(true);
        list.OpenBook(test::Request(u"c.cmb", 2));
        ASSERT_EQ(wnd.screenState(), Screen::Viewer);
        wnd.viewWnd().model().CloseAndReturn(true);
        EXPECT_EQ(wnd.screenState(), Screen::List);
        EXPECT_EQ(list.Rows()[1].column1, QStringLiteral("3 / 003"));
        EXPECT_EQ(list.SelectedRow(), 1);
    }
    program.app.reset();
    BackWnd& again = program.Start();
    EXPECT_EQ(again.listWnd().Rows()[1].column1, QStringLiteral("3 / 003"));
}

TEST_F(LibraryList, ManyRowsFillAndSelectWithoutScrollingToTheSelection) {
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(test::WriteTestBook(
            program.dev.Host(u"\\My Documents\\InkVISTA\\x" + std::u16string(1, u'a' + i % 26) +
                             std::u16string(1, u'a' + i / 26) + u".cmb"),
            1, 16, 16));
    }
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    ASSERT_EQ(list.Rows().size(), 303u);
    list.SelectRow(250);
    EXPECT_EQ(list.SelectedRow(), 250);
    EXPECT_EQ(list.verticalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace inkvista
