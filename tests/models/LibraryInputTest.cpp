// What the list does with taps, the hold, double taps, Enter and the popup
// commands, and what the Information dialog is given.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "LibraryFixture.h"
#include "models/Json.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

class LibraryInputTest : public LibraryFixture {
  protected:
    void SetUp() override {
        Book("a.cmb", "A", 10);
        Book("b.cmb", "B", 20);
        Book("c.cxb", "C", 30);
        library.Refresh();
    }
    static RowHit Hit(int32_t row) { return RowHit{row, row + 1}; }
    static RowHit Miss(int32_t pastLast) { return RowHit{-1, pastLast}; }
};

TEST_F(LibraryInputTest, HoldingARowForASecondPostsThePopupUnlessCancelled) {
    library.Tap(Hit(1));
    EXPECT_EQ(library.selectedIndex(), 1);
    EXPECT_EQ(library.holdTimer(), kHoldTimerId);
    test.clock().Advance(999);
    EXPECT_EQ(host.popups, 0);
    test.clock().Advance(1);
    EXPECT_EQ(host.popups, 1);
    EXPECT_EQ(library.holdTimer(), 0u);
    test.clock().Advance(5000);
    EXPECT_EQ(host.popups, 1);  // once, not every second

    library.Tap(Hit(2));
    test.clock().Advance(500);
    library.CancelHold();  // a move, the button up, the click
    test.clock().Advance(2000);
    EXPECT_EQ(host.popups, 1);

    // A tap beside the rows starts nothing and selects one past the last
    // row tested.
    library.Tap(Miss(3));
    EXPECT_EQ(library.selectedIndex(), 3);
    EXPECT_EQ(library.holdTimer(), 0u);
    test.clock().Advance(2000);
    EXPECT_EQ(host.popups, 1);
}

TEST_F(LibraryInputTest, DoubleTapOpensTheRowTheFirstTapSelectedElseOnlySelects) {
    library.Tap(Hit(1));
    library.CancelHold();
    EXPECT_FALSE(library.DoubleTap(Hit(2)));
    EXPECT_EQ(host.opens, 0);
    EXPECT_EQ(library.selectedIndex(), 2);

    library.Tap(Hit(2));
    EXPECT_TRUE(library.DoubleTap(Hit(2)));
    EXPECT_EQ(library.holdTimer(), 0u);
    EXPECT_EQ(host.opens, 1);
    const OpenRequest& request = library.openRequest();
    EXPECT_EQ(request.fileName, u"c.cxb");
    EXPECT_EQ(request.slot, FolderSlot::Main);
    EXPECT_EQ(request.kind, BookKind::Cxb);
    EXPECT_EQ(request.bookmarkPage, 0);

    EXPECT_FALSE(library.DoubleTap(Miss(3)));
    EXPECT_EQ(host.opens, 1);
}

TEST_F(LibraryInputTest, EnterOpensTheSelectedRowAndNothingWithoutOne) {
    library.Enter(-1);
    EXPECT_EQ(host.opens, 0);
    library.Enter(0);
    EXPECT_EQ(host.opens, 1);
    EXPECT_EQ(library.openRequest().fileName, u"a.cmb");
    EXPECT_EQ(library.selectedIndex(), 0);
}

TEST_F(LibraryInputTest, ARefreshForgetsTheCurrentEntrySoCommandsWaitForATap) {
    library.Tap(Hit(0));
    library.Refresh();
    EXPECT_EQ(library.currentEntry(), nullptr);
    library.Command(kCommandOpen);
    library.Command(kCommandHide);
    EXPECT_EQ(host.opens, 0);
    EXPECT_EQ(host.refreshes, 0);
}

TEST_F(LibraryInputTest, HideSetsExactlyOneAttributeSelectsTheFirstRowAndRefreshes) {
    const std::u16string b = u"\\My Documents\\InkVISTA\\b.cmb";
    FileSystem& files = test.device().files();
    ASSERT_TRUE(files.SetAttributes(b, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    library.Tap(Hit(1));
    EXPECT_EQ(library.PopupItems().back().second, u"Hide");
    library.Command(kCommandHide);
    EXPECT_EQ(files.GetAttributes(b), static_cast<uint32_t>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(library.selectedIndex(), 0);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(FileNames(), (std::vector<std::u16string>{u"a.cmb", u"c.cxb"}));

    LibrarySettings settings;
    settings.showHiddenFiles = 1;
    library.SetSettings(settings);
    library.Refresh();
    library.Tap(Hit(1));
    const auto items = library.PopupItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], (std::pair<int, std::u16string>{kCommandInfo, u"Info"}));
    EXPECT_EQ(items[3], (std::pair<int, std::u16string>{kCommandHide, u"Make Visible"}));
    library.Command(kCommandHide);
    EXPECT_EQ(files.GetAttributes(b), static_cast<uint32_t>(FILE_ATTRIBUTE_NORMAL));

    // The label follows the setting as it is now, not the last refresh.
    ASSERT_TRUE(files.SetAttributes(b, FILE_ATTRIBUTE_HIDDEN));
    library.Refresh();
    library.Tap(Hit(1));
    settings.showHiddenFiles = 0;
    library.SetSettings(settings);
    EXPECT_EQ(library.PopupItems().back().second, u"Hide");
}

TEST_F(LibraryInputTest, DeleteAsksThenTrashesOrDeletesAndDropsTheBookmarkLine) {
    library.Tap(Hit(0));
    test.messages().QueueAnswer(IDCANCEL);
    library.Command(kCommandDelete);
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Do you really want to delete this file ?"}));
    EXPECT_TRUE(std::filesystem::exists(MainFolder() / "a.cmb"));
    EXPECT_EQ(host.refreshes, 0);

    library.Select(2);
    library.Command(kCommandDelete);  // answered OK
    EXPECT_EQ(host.trashed, (std::vector<std::filesystem::path>{MainFolder() / "a.cmb"}));
    EXPECT_FALSE(std::filesystem::exists(MainFolder() / "a.cmb"));
    EXPECT_EQ(library.selectedIndex(), 0);
    EXPECT_EQ(FileNames(), (std::vector<std::u16string>{u"b.cmb", u"c.cxb"}));
    EXPECT_EQ(ReadBytes(MainFolder() / "InkVISTA.bmk"), Utf16Le("b.cmb\t0\nc.cxb\t0\n"));

    // Without a trash the file is deleted.
    host.trashWorks = false;
    library.Tap(Hit(0));
    library.Command(kCommandDelete);
    EXPECT_FALSE(std::filesystem::exists(MainFolder() / "b.cmb"));

    // A read-only book stays and is listed again.
    chmod((MainFolder() / "c.cxb").c_str(), 0444);
    library.Tap(Hit(0));
    library.Command(kCommandDelete);
    EXPECT_EQ(FileNames(), (std::vector<std::u16string>{u"c.cxb"}));
}

TEST_F(LibraryInputTest, InfoReadsTheHeaderFreshAndReportsWhatCannotBeRead) {
    std::vector<uint8_t> header = Header("", 0, "");
    header[26] = 0x01;
    header[27] = 0x2C;
    const char chapter[] = "Ch. 1";
    std::copy(chapter, chapter + 5, header.begin() + 60);
    WriteBytes(MainFolder() / "a.cmb", header);
    library.Tap(Hit(0));
    library.Command(kCommandInfo);
    ASSERT_EQ(host.infos.size(), 1u);
    EXPECT_EQ(host.infos[0].fileName, u"a.cmb");
    EXPECT_EQ(host.infos[0].title, u"NO TITLE");
    EXPECT_EQ(host.infos[0].chapter, u"Ch. 1");
    EXPECT_EQ(host.infos[0].author, u"NO AUTHOR");
    EXPECT_EQ(host.infos[0].publisher, u"NO PUBLISHER");
    EXPECT_EQ(host.infos[0].pages, u"300");

    WriteBytes(MainFolder() / "a.cmb", {});
    library.Command(kCommandInfo);
    ASSERT_EQ(host.infos.size(), 2u);
    EXPECT_EQ(host.infos[1].title, u"NO TITLE");
    EXPECT_EQ(host.infos[1].pages, u"0");

    std::filesystem::remove(MainFolder() / "a.cmb");
    library.Command(kCommandInfo);
    EXPECT_EQ(host.infos.size(), 2u);
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Error on Opening File"}));
}

TEST_F(LibraryInputTest, StateListsTheEntriesAndTheListFlags) {
    library.ToggleShowSize();
    JsonValue list = JsonValue::Object();
    library.WriteState(list);
    EXPECT_EQ(list.Find("showSize")->boolean(), true);
    EXPECT_EQ(list.Find("showFileName")->boolean(), false);
    EXPECT_EQ(list.Find("folderBookCount")->items().front().number(), 3);
    const JsonValue& entries = *list.Find("entries");
    ASSERT_EQ(entries.items().size(), 3u);
    const JsonValue& last = entries.items().back();
    EXPECT_EQ(last.Find("fileName")->text(), u"c.cxb");
    EXPECT_EQ(last.Find("kind")->number(), 1);
    EXPECT_EQ(last.Find("pageCount")->number(), 30);
    EXPECT_EQ(last.Find("indexInFolder")->number(), 2);
    EXPECT_DOUBLE_EQ(last.Find("sizeMB")->real(), 120 / 1048576.0);
}

}  // namespace
}  // namespace inkvista
