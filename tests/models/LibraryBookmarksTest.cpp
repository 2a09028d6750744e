// The bookmark files: the pass of every refresh, SaveBookmark, and that no
// failed rewrite ever costs the reading positions already stored.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "LibraryFixture.h"
#include "models/LibraryBookmarks.h"
#include "models/LibraryRows.h"
#include "platform/AtomicFile.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

class LibraryBookmarksTest : public LibraryFixture {
  protected:
    ~LibraryBookmarksTest() override { SetWriteFaultHook({}); }
    std::filesystem::path MainFile() { return MainFolder() / "InkVISTA.bmk"; }
    std::vector<int32_t> Pages() const {
        std::vector<int32_t> pages;
        for (const BookEntry& e : library.entries()) pages.push_back(e.bookmarkPage);
        return pages;
    }
};

TEST_F(LibraryBookmarksTest, MissingFileIsCreatedAndAnEmptyFolderGetsAnEmptyFile) {
    Book("a.cmb");
    Book("b.cxb");
    library.Refresh();
    EXPECT_EQ(ReadBytes(MainFile()), Utf16Le("a.cmb\t0\nb.cxb\t0\n"));
    EXPECT_TRUE(Shown().empty());

    std::filesystem::remove(MainFolder() / "a.cmb");
    std::filesystem::remove(MainFolder() / "b.cxb");
    library.Refresh();
    EXPECT_TRUE(std::filesystem::exists(MainFile()));
    EXPECT_EQ(std::filesystem::file_size(MainFile()), 0u);
    // An absent folder gets no file.
    EXPECT_FALSE(std::filesystem::exists(test.root() / "InkVISTA.bmk"));
}

TEST_F(LibraryBookmarksTest, LinesOfBooksGoneAreDroppedAndNewBooksStartAtPageZero) {
    Book("a.cmb", "A", 20);
    Book("b.cxb");
    WriteBytes(MainFile(), {});
    const std::string old = Utf16Le("a.cmb\t12\ngone.cmb\t3\n");
    WriteBytes(MainFile(), std::vector<uint8_t>(old.begin(), old.end()));
    library.Refresh();
    EXPECT_EQ(ReadBytes(MainFile()), Utf16Le("a.cmb\t12\nb.cxb\t0\n"));
    EXPECT_EQ(Pages(), (std::vector<int32_t>{12, 0}));
    EXPECT_EQ(RowSecondColumn(library.entries()[0], 0), u"13 / 020");
}

TEST_F(LibraryBookmarksTest, ReadingRulesFirstMatchExactNamesAndOnlyCompleteLines) {
    for (const char* name : {"a.cmb", "b.cmb", "c.cmb", "d.cmb", "e.cmb", "f.cmb"}) {
        Book(name, "T", 50);
    }
    const std::string text = Utf16Le(
        "a.cmb\t4\n"
        "a.cmb\t9\n"    // only the first line of a name counts
        "B.CMB\t5\n"    // case matters
        "c.cmb\t  6\n"  // white space before the number
        "d.cmb\t7\r\n"  // a CR belongs to the line; the number still reads
        "\t8\n"         // no name
        "e.cmb\tx\n"    // no number
        "f.cmb\t11");   // no LF: still counts
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back('z');  // an odd byte at the end
    WriteBytes(MainFile(), bytes);
    library.Refresh();
    EXPECT_EQ(Pages(), (std::vector<int32_t>{4, 0, 6, 7, 0, 11}));
    EXPECT_EQ(ReadBytes(MainFile()),
              Utf16Le("a.cmb\t4\nb.cmb\t0\nc.cmb\t6\nd.cmb\t7\ne.cmb\t0\nf.cmb\t11\n"));
}

TEST_F(LibraryBookmarksTest, APageTheBookCannotShowStartsAgainAtTheFirst) {
    Book("a.cmb", "A", 5);
    Book("b.cmb", "B", 5);
    const std::string text = Utf16Le("a.cmb\t5\nb.cmb\t-2\n");
    WriteBytes(MainFile(), std::vector<uint8_t>(text.begin(), text.end()));
    library.Refresh();
    EXPECT_EQ(Pages(), (std::vector<int32_t>{0, 0}));
}

TEST_F(LibraryBookmarksTest, HiddenBooksKeepTheirLinesInTheirPlacesWhileNotShown) {
    for (const char* name : {"a.cmb", "b.cmb", "c.cmb", "d.cmb"}) Book(name, "T", 50);
    const std::string text = Utf16Le("b.cmb\t 4\na.cmb\t3\ngone.cmb\t9\nc.cmb\t5\n");
    WriteBytes(MainFile(), std::vector<uint8_t>(text.begin(), text.end()));
    for (const char16_t* hidden :
         {u"\\My Documents\\InkVISTA\\b.cmb", u"\\My Documents\\InkVISTA\\d.cmb"})
        ASSERT_TRUE(test.device().files().SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN));
    // The stale temporary of a killed write goes; a user's copy stays.
    const auto stale = MainFolder() / ".InkVISTA.bmk.inkvista-Ab12Cd.tmp";
    const auto copy = MainFolder() / "InkVISTA.bmk.mine";
    WriteBytes(stale, {'x'});
    WriteBytes(copy, {'x'});
    for (const auto& p : {stale, copy}) {
        std::filesystem::last_write_time(
            p, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
    library.Refresh();
    // b's line as it was, where b stands; d had none and gets none.
    EXPECT_EQ(ReadBytes(MainFile()), Utf16Le("a.cmb\t3\nb.cmb\t 4\nc.cmb\t5\n"));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(copy));
    LibrarySettings settings;
    settings.showHiddenFiles = 1;
    library.SetSettings(settings);
    library.Refresh();
    EXPECT_EQ(Pages(), (std::vector<int32_t>{3, 4, 5, 0}));
}

TEST_F(LibraryBookmarksTest, AReadOnlyFileOrFolderGivesTheCreateErrorEveryRefresh) {
    Book("a.cmb", "A", 50);
    const std::string text = Utf16Le("a.cmb\t3\n");
    WriteBytes(MainFile(), std::vector<uint8_t>(text.begin(), text.end()));
    chmod(MainFile().c_str(), 0444);
    library.Refresh();
    library.Refresh();
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Error on Creating Bookmark File",
                                                    u"Error on Creating Bookmark File"}));
    EXPECT_EQ(Pages(), (std::vector<int32_t>{0}));
    EXPECT_EQ(ReadBytes(MainFile()), text);

    chmod(MainFile().c_str(), 0644);
    chmod(MainFolder().c_str(), 0555);
    test.messages().Clear();
    library.Refresh();
    chmod(MainFolder().c_str(), 0755);
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Error on Creating Bookmark File"}));
    EXPECT_EQ(ReadBytes(MainFile()), text);
}

TEST_F(LibraryBookmarksTest, AFailedRewriteKeepsTheOldFileByteForByte) {
    Book("a.cmb", "A", 50);
    Book("b.cmb", "B", 50);
    const std::string text = Utf16Le("a.cmb\t3\nold.cmb\t4\n");
    WriteBytes(MainFile(), std::vector<uint8_t>(text.begin(), text.end()));
    for (WriteStep failing : {WriteStep::Write, WriteStep::FlushFile, WriteStep::Rename}) {
        SetWriteFaultHook([failing](WriteStep step) { return step != failing; });
        test.messages().Clear();
        library.Refresh();
        EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Error on Reading Bookmark File"}));
        EXPECT_EQ(ReadBytes(MainFile()), text);
        // The entries keep page 0, as when the file could not be rewritten.
        EXPECT_EQ(Pages(), (std::vector<int32_t>{0, 0}));
    }
    SetWriteFaultHook({});
    // No temporary is left beside it.
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(MainFolder())) {
        (void)item;
        ++files;
    }
    EXPECT_EQ(files, 3);
}

TEST_F(LibraryBookmarksTest, SaveBookmarkRewritesOnlyTheOpenBooksLine) {
    const auto card = test.AddCard(u"SD");
    const auto folder = card / "InkVISTA";
    for (const char* name : {"a.cmb", "b.cmb", "c.cmb", "d.cmb"}) Book(folder, name, "T", 50);
    Book("main.cmb", "M", 50);
    const std::string text = Utf16Le("a.cmb\t1\nb.cmb\t2\nc.cmb\t3\nd.cmb\t4\n");
    WriteBytes(folder / "InkVISTA.bmk", std::vector<uint8_t>(text.begin(), text.end()));
    library.Refresh();
    // The third book of the card: row 1 + 2.
    ASSERT_TRUE(library.SetCurrentByName(FolderSlot::Card1, u"c.cmb"));
    library.Select(3);
    library.SaveBookmark(9);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(ReadBytes(folder / "InkVISTA.bmk"),
              Utf16Le("a.cmb\t1\nb.cmb\t2\nc.cmb\t9\nd.cmb\t4\n"));
    EXPECT_EQ(library.entries()[3].bookmarkPage, 9);
    EXPECT_EQ(library.selectedIndex(), 3);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(LibraryBookmarksTest, SaveBookmarkReadsTheFileAgainAndChangesOnlyItsOwnLine) {
    for (const char* name : {"a.cmb", "b.cmb", "c.cmb"}) Book(name, "T", 50);
    library.Refresh();
    const std::string overlong(2000, 'x');
    // The file as another writer left it after this refresh -> after c's page 9.
    const std::pair<std::string, std::string> cases[] = {
        {"a.cmb\t1\nb.cmb\t7\nc.cmb\t3\n", "a.cmb\t1\nb.cmb\t7\nc.cmb\t9\n"},
        {"b.cmb\t7\n", "b.cmb\t7\nc.cmb\t9\n"},
        {"c.cmb\tx\nc.cmb\t3\nc.cmb\t4\n", "c.cmb\tx\nc.cmb\t9\nc.cmb\t4\n"},
        {"a.cmb\t1\r\nz", "a.cmb\t1\r\nz\nc.cmb\t9\n"},
        {"c.cmb\t3", "c.cmb\t9\n"},
        {overlong + "\tc.cmb\t3\nc.cmb\t2\n", overlong + "\tc.cmb\t3\nc.cmb\t9\n"},
    };
    ASSERT_TRUE(library.SetCurrentByName(FolderSlot::Main, u"c.cmb"));
    host.model = nullptr;  // the file as the save left it, before the refresh
    for (const auto& [before, after] : cases) {
        const std::string bytes = Utf16Le(before);
        WriteBytes(MainFile(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
        library.SaveBookmark(9);
        EXPECT_EQ(ReadBytes(MainFile()), Utf16Le(after)) << before.substr(0, 40);
    }
    // An odd last byte carries nothing and would garble the line after it.
    std::string odd = Utf16Le("b.cmb\t7\n");
    odd.push_back('q');
    WriteBytes(MainFile(), std::vector<uint8_t>(odd.begin(), odd.end()));
    library.SaveBookmark(9);
    EXPECT_EQ(ReadBytes(MainFile()), Utf16Le("b.cmb\t7\nc.cmb\t9\n"));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(LibraryBookmarksTest, SaveBookmarkFailuresKeepTheFileAndTellOnlyForTheMainFolder) {
    Book("a.cmb", "A", 50);
    const auto folder = test.AddCard(u"SD") / "InkVISTA";
    Book(folder, "c.cmb", "C", 50);
    library.Refresh();
    const std::string mainBefore = ReadBytes(MainFile());
    const std::string cardBefore = ReadBytes(folder / "InkVISTA.bmk");

    SetWriteFaultHook([](WriteStep step) { return step != WriteStep::Write; });
    ASSERT_TRUE(library.SetCurrentByName(FolderSlot::Main, u"a.cmb"));
    library.Select(1);
    library.SaveBookmark(7);
    SetWriteFaultHook({});
    EXPECT_EQ(ReadBytes(MainFile()), mainBefore);
    ASSERT_FALSE(Shown().empty());
    EXPECT_EQ(Shown()[0], u"Error on Reading Bookmark File in Memory");
    EXPECT_EQ(library.selectedIndex(), 1);

    test.messages().Clear();
    SetWriteFaultHook([](WriteStep step) { return step != WriteStep::Rename; });
    ASSERT_TRUE(library.SetCurrentByName(FolderSlot::Card1, u"c.cmb"));
    library.SaveBookmark(7);
    SetWriteFaultHook({});
    EXPECT_EQ(ReadBytes(folder / "InkVISTA.bmk"), cardBefore);
    EXPECT_EQ(library.selectedIndex(), 0);
    // Only the pass of the refresh that followed could have spoken.
    for (const std::u16string& text : Shown())
        EXPECT_NE(text, u"Error on Reading Bookmark File in Memory");
}

TEST(BookmarkLineTest, ParsesNameAndPageAndRefusesWhatNamesNoBook) {
    std::u16string_view name;
    int32_t page = -1;
    EXPECT_TRUE(ParseBookmarkLine(u"a b.cmb\t+17xyz", &name, &page));
    EXPECT_EQ(name, u"a b.cmb");
    EXPECT_EQ(page, 17);
    EXPECT_TRUE(ParseBookmarkLine(u"x\t2147483647", &name, &page));
    EXPECT_EQ(page, 2147483647);
    EXPECT_FALSE(ParseBookmarkLine(u"x\t2147483648", &name, &page));
    EXPECT_FALSE(ParseBookmarkLine(u"x\t99999999999999999999", &name, &page));
    EXPECT_FALSE(ParseBookmarkLine(u"no tab 3", &name, &page));
    EXPECT_FALSE(ParseBookmarkLine(u"x\t-", &name, &page));

    // Pieces split anywhere, even inside a code unit, read the same.
    const std::string bytes = Utf16Le("p.cmb\t5\nq.cmb\t6\nr.cmb\t7");
    std::vector<std::pair<std::u16string, int32_t>> lines;
    BookmarkReader reader(
        [&](std::u16string_view n, int32_t p, std::u16string_view) { lines.emplace_back(n, p); });
    for (char c : bytes) {
        const uint8_t b = static_cast<uint8_t>(c);
        reader.Feed(&b, 1);
    }
    EXPECT_EQ(lines.size(), 2u);
    reader.Finish();  // the last line counts without its LF
    EXPECT_EQ(lines, (std::vector<std::pair<std::u16string, int32_t>>{
                         {u"p.cmb", 5}, {u"q.cmb", 6}, {u"r.cmb", 7}}));
}

}  // namespace
}  // namespace inkvista
