// A book named on the command line: its folder is the user folder for the
// run only.
#include <gtest/gtest.h>

#include <fstream>

#include "AppTestSupport.h"
#include "models/LibraryBookmarks.h"
#include "settings/UserDir.h"

namespace inkvista {
namespace {

using test::Program;

class LaunchedBook : public ::testing::Test {
  protected:
    void SetUp() override {
        stored_ = program.dev.Host(u"\\Stored");
        std::filesystem::create_directories(stored_);
        UserDir dir{};
        ReadUserDir(program.dev.device(), dir);  // makes the program's key
        ASSERT_TRUE(SetUserDirText(dir, u"\\Stored"));
        ASSERT_TRUE(WriteUserDir(program.dev.device(), dir));
        ASSERT_TRUE(
            test::WriteTestBook(program.dev.Host(u"\\Run\\tale.cmb"), 3, 200, 250, "Harbour Tale"));
    }
    std::u16string StoredUserDir() {
        UserDir dir{};
        ReadUserDir(program.dev.device(), dir);
        return std::u16string(UserDirText(dir));
    }
    std::filesystem::path stored_;
    Program program;
};

TEST_F(LaunchedBook, OpensAtTheBookmarkAndComesBackToItsFolder) {
    std::string bytes;
    AppendBookmarkLine(bytes, u"tale.cmb", 2);
    std::ofstream(program.dev.Host(u"\\Run\\InkVISTA.bmk"), std::ios::binary) << bytes;
    BackWnd& wnd = program.Start();
    ASSERT_TRUE(wnd.OpenLaunchBook(u"\\Run", u"tale.cmb", BookKind::Cmb));
    const ReaderModel& reader = wnd.viewWnd().model();
    EXPECT_EQ(wnd.screenState(), Screen::Viewer);
    EXPECT_EQ(reader.book().bookPath, u"\\Run\\tale.cmb");
    EXPECT_EQ(reader.currentPage(), 2);
    EXPECT_EQ(UserDirText(wnd.userDir()), u"\\Run");

    wnd.viewWnd().model().CloseAndReturn(true);
    EXPECT_EQ(wnd.screenState(), Screen::List);
    const LibraryModel& library = wnd.listWnd().model();
    ASSERT_EQ(library.entries().size(), 1u);
    EXPECT_EQ(library.entries()[0].slot, FolderSlot::User);
    EXPECT_EQ(library.entries()[0].bookmarkPage, 2);
    EXPECT_EQ(StoredUserDir(), u"\\Stored");
    EXPECT_TRUE(program.dev.messages().shown().empty());
}

// The header says the kind: a .cxb book saved as .cmb (listed by its name)
// opens at its bookmark, which closing keeps; one without a book's name
// (not listed) opens from its first page.
TEST_F(LaunchedBook, ABookOpensAsItsHeaderSays) {
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\Run\\colour.cmb"), 4, 200, 250, "Colour",
                                    BookKind::Cxb));
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\Run\\Harbour Tale"), 3, 200, 250));
    std::string bytes;
    AppendBookmarkLine(bytes, u"colour.cmb", 3);
    std::ofstream(program.dev.Host(u"\\Run\\InkVISTA.bmk"), std::ios::binary) << bytes;
    BackWnd& wnd = program.Start();
    ReaderModel& reader = wnd.viewWnd().model();
    ASSERT_TRUE(wnd.OpenLaunchBook(u"\\Run", u"colour.cmb", BookKind::Cxb));
    EXPECT_EQ(reader.book().bookTitle, u"Colour");
    EXPECT_EQ(reader.currentPage(), 3);
    reader.GoPrevPage();
    reader.CloseAndReturn(true);
    EXPECT_EQ(wnd.listWnd().model().entries()[0].bookmarkPage, 2);

    ASSERT_TRUE(wnd.OpenLaunchBook(u"\\Run", u"Harbour Tale", BookKind::Cmb));
    EXPECT_EQ(reader.book().bookTitle, u"Test Book");
    EXPECT_EQ(reader.currentPage(), 0);
    EXPECT_TRUE(program.dev.messages().shown().empty());
}

TEST_F(LaunchedBook, ABookThatFailsToOpenLeavesItsFolderListed) {
    std::ofstream(program.dev.Host(u"\\Run\\broken.cmb"), std::ios::binary) << "CM";
    BackWnd& wnd = program.Start();
    EXPECT_FALSE(wnd.OpenLaunchBook(u"\\Run", u"broken.cmb", BookKind::Cmb));
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_FALSE(wnd.viewWnd().model().isOpen());
    EXPECT_EQ(program.dev.messages().shown(),
              std::vector<std::u16string>{u"Unsupported File Format"});
    EXPECT_EQ(wnd.listWnd().model().folderBookCount()[SlotIndex(FolderSlot::User)], 2);
    EXPECT_EQ(StoredUserDir(), u"\\Stored");
}

TEST_F(LaunchedBook, ABookOfAListedFolderOpensFromThere) {
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\main.cmb"), 2, 200,
                                    250, "Main"));
    BackWnd& wnd = program.Start();
    ASSERT_TRUE(wnd.OpenLaunchBook(u"\\my documents\\InkVISTA", u"main.cmb", BookKind::Cmb));
    EXPECT_EQ(wnd.viewWnd().model().book().slot, FolderSlot::Main);
    // The user folder stays the stored one, so no book is listed twice.
    EXPECT_EQ(UserDirText(wnd.userDir()), u"\\Stored");
    wnd.viewWnd().model().CloseAndReturn(true);
    EXPECT_EQ(wnd.listWnd().model().entries().size(), 1u);
}

}  // namespace
}  // namespace inkvista
