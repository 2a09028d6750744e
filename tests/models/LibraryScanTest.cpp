// The scan: which folders are searched, the order of the entries, what each
// entry takes from the listing and the header, and what a row shows.
#include <gtest/gtest.h>

#include "LibraryFixture.h"
#include "models/LibraryRows.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

using LibraryScanTest = LibraryFixture;

TEST_F(LibraryScanTest, MainFolderOnlyCmbBeforeCxbTitlesFromHeaderOrFileName) {
    Book("a.cxb", "Alpha", 7);
    Book("b.cmb", "", 3);  // an empty title: listed by its file name
    WriteBytes(MainFolder() / "empty.cmb", {});
    WriteBytes(MainFolder() / "short.cmb", {0, 0, 0});
    WriteBytes(MainFolder() / "notes.txt", Header("x", 1));
    std::filesystem::create_directories(MainFolder() / "folder.cmb");
    library.Refresh();

    EXPECT_EQ(FileNames(),
              (std::vector<std::u16string>{u"b.cmb", u"empty.cmb", u"short.cmb", u"a.cxb"}));
    EXPECT_EQ(library.folderBookCount(), (std::array<int32_t, 5>{4, 0, 0, 0, 0}));
    const auto& e = library.entries();
    EXPECT_EQ(e[0].title, u"b.cmb");
    EXPECT_EQ(e[0].pageCount, 3);
    EXPECT_EQ(e[0].kind, BookKind::Cmb);
    EXPECT_EQ(e[1].title, u"empty.cmb");
    EXPECT_EQ(e[1].pageCount, 0);
    EXPECT_EQ(e[2].pageCount, 0);
    EXPECT_EQ(e[3].title, u"Alpha");
    EXPECT_EQ(e[3].pageCount, 7);
    EXPECT_EQ(e[3].kind, BookKind::Cxb);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(e[static_cast<size_t>(i)].indexInFolder, i);
        EXPECT_EQ(e[static_cast<size_t>(i)].slot, FolderSlot::Main);
        EXPECT_EQ(e[static_cast<size_t>(i)].folderPath, u"\\My Documents\\InkVISTA\\");
    }
}

TEST_F(LibraryScanTest, SizeComesFromTheListingAndPageCountIsUnsigned) {
    std::vector<uint8_t> big = Header("Big", 0xFFFF);
    big.resize(512000);
    WriteBytes(MainFolder() / "big.cmb", big);
    library.Refresh();
    ASSERT_EQ(library.entries().size(), 1u);
    EXPECT_DOUBLE_EQ(library.entries()[0].sizeMB, 0.48828125);
    EXPECT_EQ(library.entries()[0].pageCount, 65535);
}

TEST_F(LibraryScanTest, HiddenBooksAreSkippedWithoutAGapUnlessShown) {
    Book("a.cmb");
    Book("b.cmb");
    Book("c.cmb");
    ASSERT_TRUE(test.device().files().SetAttributes(u"\\My Documents\\InkVISTA\\b.cmb",
                                                    FILE_ATTRIBUTE_HIDDEN));
    library.Refresh();
    EXPECT_EQ(FileNames(), (std::vector<std::u16string>{u"a.cmb", u"c.cmb"}));
    EXPECT_EQ(library.entries()[1].indexInFolder, 1);

    LibrarySettings settings;
    settings.showHiddenFiles = 1;
    library.SetSettings(settings);
    library.Refresh();
    ASSERT_EQ(FileNames(), (std::vector<std::u16string>{u"a.cmb", u"b.cmb", u"c.cmb"}));
    EXPECT_EQ(library.entries()[1].hidden, 1);
    EXPECT_EQ(library.entries()[2].indexInFolder, 2);
}

TEST_F(LibraryScanTest, CardsAndTheUserFolderFollowInSlotOrder) {
    Book("main.cxb");
    const auto sd = test.AddCard(u"SD");
    const auto cf = test.AddCard(u"CF");
    Book(cf / "InkVISTA", "cf.cmb");
    std::filesystem::create_directories(test.root() / "Comics");
    Book(test.root() / "Comics", "user.cmb");
    Book(test.root() / "Comics" / "InkVISTA", "not-here.cmb");
    LibrarySettings settings;
    ASSERT_TRUE(SetUserDirText(settings.userDir, u"\\Comics"));
    library.SetSettings(settings);

    const RefreshReport report = library.Refresh();
    EXPECT_TRUE(report.userDirExists);
    EXPECT_EQ(FileNames(), (std::vector<std::u16string>{u"main.cxb", u"cf.cmb", u"user.cmb"}));
    EXPECT_EQ(library.folderBookCount(), (std::array<int32_t, 5>{1, 0, 1, 0, 1}));
    EXPECT_EQ(library.entries()[1].slot, FolderSlot::Card2);
    EXPECT_EQ(library.entries()[1].folderPath, u"\\CF\\InkVISTA\\");
    EXPECT_EQ(library.entries()[2].slot, FolderSlot::User);
    EXPECT_EQ(library.entries()[2].folderPath, u"\\Comics\\");
    // The card without a folder got one after the scan: its books show up
    // at the next refresh.
    EXPECT_TRUE(std::filesystem::is_directory(sd / "InkVISTA"));
    Book(sd / "InkVISTA", "sd.cmb");
    library.Refresh();
    EXPECT_EQ(library.folderBookCount(), (std::array<int32_t, 5>{1, 1, 1, 0, 1}));

    // A user folder that has gone is not searched.
    std::filesystem::remove_all(test.root() / "Comics");
    EXPECT_FALSE(library.Refresh().userDirExists);
    EXPECT_EQ(library.folderBookCount()[4], 0);
}

TEST_F(LibraryScanTest, RowsShowPageOrSizeAndTheIconOfKindAndHiddenness) {
    BookEntry e;
    e.fileName = u"f.cmb";
    e.displayName = u"f.cmb";
    e.title = u"Title";
    e.pageCount = 7;
    EXPECT_EQ(RowTitle(e, 0), u"Title");
    EXPECT_EQ(RowTitle(e, 1), u"f.cmb");
    EXPECT_EQ(RowSecondColumn(e, 0), u"1 / 007");
    e.bookmarkPage = 4;
    e.pageCount = 24;
    EXPECT_EQ(RowSecondColumn(e, 0), u"5 / 024");
    e.pageCount = 1234;
    EXPECT_EQ(RowSecondColumn(e, 0), u"5 / 1234");

    e.sizeMB = 2.5;
    EXPECT_EQ(RowSecondColumn(e, 1), u"2.5M");
    e.sizeMB = 1.0;
    EXPECT_EQ(RowSecondColumn(e, 1), u"1.0M");
    e.sizeMB = 1000 / 1048576.0;
    EXPECT_EQ(RowSecondColumn(e, 1), u"  0K");
    e.sizeMB = 512000 / 1048576.0;
    EXPECT_EQ(RowSecondColumn(e, 1), u"488K");

    EXPECT_EQ(RowIcon(e), kIconCmb);
    e.hidden = 1;
    EXPECT_EQ(RowIcon(e), kIconCmbHidden);
    e.kind = BookKind::Cxb;
    EXPECT_EQ(RowIcon(e), kIconCxbHidden);
    e.hidden = 0;
    EXPECT_EQ(RowIcon(e), kIconCxb);
}

}  // namespace
}  // namespace inkvista
