// The reader model without a window: opening, the failures of an opening,
// closing, and its part of the script state.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "models/Json.h"
#include "models/ReaderModel.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

class RecordingHost : public ReaderHost {
  public:
    void Redraw() override { ++redraws; }
    void OpenRequestedBook() override { switches.emplace_back(kViewerWindowId, false); }
    void ReturnToLibrary(bool keepPage) override { switches.emplace_back(kListWindowId, keepPage); }
    void ShowMessage(std::u16string_view text) override { messages->Show(text); }
    MessageBoxes* messages = nullptr;
    int redraws = 0;
    std::vector<std::pair<int, bool>> switches;
};

class ReaderModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.messages = &test.messages();
        folders.documentsRoot = u"\\My Documents";
        WriteBook(u"\\My Documents\\InkVISTA\\tale.cmb", 3, 160, 400, "Harbour Tale");
    }

    void WriteBook(std::u16string_view path, int pages, uint32_t width, uint32_t height,
                   const std::string& title) {
        encode::BookPlan plan;
        plan.title = title;
        const std::vector<uint8_t> grey(size_t{width} * height, 72);
        for (int i = 0; i < pages; ++i) {
            auto page = encode::GreyPage(grey.data(), width, height, width);
            ASSERT_TRUE(page);
            plan.pages.push_back(*page);
        }
        const std::filesystem::path file = test.Host(path);
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(encode::WriteFile(file.string(), encode::BuildBook(plan)));
    }

    OpenRequest Request(std::u16string file, int page) {
        OpenRequest request;
        request.fileName = std::move(file);
        request.bookmarkPage = page;
        request.slot = FolderSlot::Main;
        return request;
    }

    bool Open(std::u16string file, int page, const ViewOption& view = ViewOption(),
              const KeyMap& keys = KeyMap()) {
        return reader.Open(Request(std::move(file), page), folders, TextConversion::System, view,
                           keys);
    }

    TestDevice test;
    RecordingHost host;
    ReaderModel reader{test.device(), host};
    BookFolders folders;
};

TEST_F(ReaderModelTest, OpenTakesCopiesOfTheSettingsAndStartsAtTheBookmark) {
    ViewOption view;
    view.portrait = 1;
    KeyMap keys;
    keys.hotKey(1) = MenuOnOff;
    ASSERT_TRUE(Open(u"tale.cmb", 2, view, keys));
    EXPECT_TRUE(test.messages().shown().empty());
    EXPECT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.book().bookTitle, u"Harbour Tale");
    EXPECT_EQ(reader.book().pageCount, 3);
    EXPECT_EQ(reader.book().slot, FolderSlot::Main);
    EXPECT_EQ(reader.currentPage(), 2);
    EXPECT_EQ(reader.view(), ViewSettings::Of(view));
    EXPECT_EQ(reader.keyMap(), keys);
    EXPECT_TRUE(reader.portrait());
    EXPECT_EQ(reader.image().viewWidth, 160);
    EXPECT_EQ(reader.image().viewHeight, 400);
    EXPECT_FALSE(reader.image().pixels.empty());

    // Landscape: the page turned, the view at the reader's top-left.
    reader.CloseBook();
    ASSERT_TRUE(Open(u"tale.cmb", 0));
    EXPECT_FALSE(reader.portrait());
    EXPECT_EQ(reader.image().viewWidth, 400);
    EXPECT_EQ(reader.image().viewHeight, 160);
    EXPECT_EQ(reader.position().scrollX, 0);
    EXPECT_TRUE(host.switches.empty());

    // A page taller than the screen once turned (or fitted) starts at its
    // bottom, the stored page's left part.
    WriteBook(u"\\My Documents\\InkVISTA\\wide.cmb", 1, 448, 304, "Wide");
    for (const uint8_t fit : {0, 1}) {
        reader.CloseBook();
        ViewOption turned;
        turned.fitToWindow = fit;
        ASSERT_TRUE(Open(u"wide.cmb", 0, turned));
        EXPECT_GT(reader.image().viewHeight, 320);
        EXPECT_EQ(reader.position().scrollY, reader.image().viewHeight - 320) << int(fit);
    }
}

TEST_F(ReaderModelTest, APageThatDoesNotLoadLeavesTheModelClosedWithAnEmptyBook) {
    ViewOption portrait;
    portrait.portrait = 1;
    ASSERT_TRUE(Open(u"tale.cmb", 2, portrait));
    reader.ToggleAutoScroll();

    // The last page's record cut short, asked while the first book is still
    // open.
    const std::filesystem::path file = test.Host(u"\\My Documents\\InkVISTA\\tale.cmb");
    std::filesystem::resize_file(file, reader.book().pageOffsets[2] + 20);
    KeyMap keys;
    keys.hotKey(0) = NoMapping;
    EXPECT_FALSE(Open(u"tale.cmb", 2, ViewOption(), keys));
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.book().bookPath.empty());
    EXPECT_TRUE(reader.book().bookTitle.empty());
    EXPECT_EQ(reader.book().pageCount, 0);
    EXPECT_TRUE(reader.book().pageOffsets.empty());
    EXPECT_EQ(reader.book().slot, FolderSlot::Main);
    EXPECT_TRUE(reader.image().pixels.empty());
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    // The page and the settings copies are those of before the attempt.
    EXPECT_EQ(reader.currentPage(), 2);
    EXPECT_EQ(reader.image().viewWidth, 160);
    EXPECT_EQ(reader.view(), ViewSettings::Of(portrait));
    EXPECT_EQ(reader.keyMap(), KeyMap());
    // Nothing is left that a page load could read.
    EXPECT_NE(reader.LoadPage(), PageError::None);

    WriteBook(u"\\My Documents\\InkVISTA\\empty.cmb", 0, 16, 16, "Empty");
    test.messages().Clear();
    EXPECT_FALSE(Open(u"empty.cmb", 0));
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.book().pageCount, 0);
}

TEST_F(ReaderModelTest, ABookThatDoesNotOpenShowsOnlyTheOpenersMessage) {
    EXPECT_FALSE(Open(u"missing.cmb", 1));
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"File Open Failed"});
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.book().bookPath.empty());
    EXPECT_EQ(reader.currentPage(), 0);

    // A file of another kind than asked for: the opener's own words.
    test.messages().Clear();
    OpenRequest request = Request(u"tale.cmb", 0);
    request.kind = BookKind::Cxb;
    EXPECT_FALSE(reader.Open(request, folders, TextConversion::System, ViewOption(), KeyMap()));
    EXPECT_EQ(test.messages().shown(), std::vector<std::u16string>{u"Unsupported File Format"});
    EXPECT_EQ(reader.book().pageCount, 0);
}

TEST_F(ReaderModelTest, CloseBookReleasesTheBookAndStopsAutoScrollButKeepsThePage) {
    ASSERT_TRUE(Open(u"tale.cmb", 1));
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 1);
    reader.CloseBook();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.book().pageOffsets.empty());
    EXPECT_TRUE(reader.image().pixels.empty());
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    EXPECT_EQ(reader.currentPage(), 1);
    EXPECT_EQ(reader.image().viewWidth, 400);
    // Closing is no way of stopping that brings the bar back.
    EXPECT_EQ(reader.reading().menuShown, 0);
    EXPECT_NE(reader.LoadPage(), PageError::None);
    EXPECT_TRUE(host.switches.empty());
}

TEST_F(ReaderModelTest, CloseAndReturnHandsTheScreenBackToTheLibrary) {
    ASSERT_TRUE(Open(u"tale.cmb", 0));
    reader.CloseAndReturn(true);
    EXPECT_FALSE(reader.isOpen());
    ASSERT_TRUE(Open(u"tale.cmb", 0));
    reader.CloseAndReturn(false);
    const std::vector<std::pair<int, bool>> expected = {{kListWindowId, true},
                                                        {kListWindowId, false}};
    EXPECT_EQ(host.switches, expected);
}

TEST_F(ReaderModelTest, AutoScrollTogglesBothWays) {
    // Without a book there is nothing to scroll.
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
    ASSERT_TRUE(Open(u"tale.cmb", 0));
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 1);
    reader.ToggleAutoScroll();
    EXPECT_EQ(reader.autoScroll().autoScrollOn, 0);
}

TEST_F(ReaderModelTest, StateNamesEveryViewerField) {
    ASSERT_TRUE(Open(u"tale.cmb", 1));
    JsonValue viewer;
    reader.WriteState(viewer);
    // These names are read by tests outside this repository: none may go.
    for (const char* key : {"open", "bookTitle", "currentPage", "pageCount", "scrollX", "scrollY",
                            "viewWidth", "viewHeight", "menuShown", "jumpPanelShown", "jumpTarget",
                            "lastPageNotice", "autoScrollOn", "portrait", "trueColour"}) {
        EXPECT_NE(viewer.Find(key), nullptr) << key;
    }
    EXPECT_TRUE(viewer.Find("open")->boolean());
    EXPECT_EQ(viewer.Find("bookTitle")->text(), u"Harbour Tale");
    EXPECT_EQ(viewer.Find("currentPage")->number(), 1);
    EXPECT_EQ(viewer.Find("pageCount")->number(), 3);
    EXPECT_EQ(viewer.Find("viewWidth")->number(), 400);
    EXPECT_EQ(viewer.Find("viewHeight")->number(), 160);
    EXPECT_EQ(viewer.Find("scrollY")->number(), 0);
    EXPECT_EQ(viewer.Find("menuShown")->kind(), JsonValue::Kind::Bool);
    EXPECT_TRUE(viewer.Find("menuShown")->boolean());
    EXPECT_FALSE(viewer.Find("portrait")->boolean());
}

// Pages kept for turns (the one left, the one decoded ahead) must be the
// very page and view a fresh decode gives, whatever the order of turns,
// view changes and books.
TEST_F(ReaderModelTest, PagesKeptForTurnsAreThoseAFreshDecodeGives) {
    encode::BookPlan plan;
    plan.title = "Pages";
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t height = 400 + 40 * i;
        const std::vector<uint8_t> grey(size_t{160} * height, static_cast<uint8_t>(36 * i));
        auto page = encode::GreyPage(grey.data(), 160, height, 160);
        ASSERT_TRUE(page);
        plan.pages.push_back(*page);
    }
    const std::filesystem::path file = test.Host(u"\\My Documents\\InkVISTA\\pages.cmb");
    ASSERT_TRUE(encode::WriteFile(file.string(), encode::BuildBook(plan)));
    ViewOption view;
    view.smoothScroll = 0;
    ASSERT_TRUE(Open(u"pages.cmb", 1, view));

    enum Step { Ahead, Next, Back, Turn, First, Reopen };
    const struct {
        Step step;
        int page;
    } steps[] = {{Ahead, 1}, {Next, 2}, {Ahead, 2},  {Next, 3},  {Back, 2}, {Ahead, 2}, {Back, 1},
                 {Next, 2},  {Turn, 2}, {Ahead, 2},  {Back, 1},  {Turn, 1}, {Next, 2},  {First, 0},
                 {Ahead, 0}, {Next, 1}, {Reopen, 3}, {Ahead, 3}, {Back, 2}};
    for (const auto& [step, page] : steps) {
        switch (step) {
            case Ahead:
                reader.PrepareNextTurn();
                break;
            case Next:
                reader.GoNextPage();
                break;
            case Back:
                reader.GoPrevPage();
                break;
            case Turn:
                reader.ToggleViewMode();
                break;
            case First:
                reader.GoFirstPage();
                break;
            case Reopen:
                ASSERT_TRUE(Open(u"pages.cmb", 3, view));
                break;
        }
        ASSERT_EQ(reader.currentPage(), page);
        PageImage fresh;
        ASSERT_EQ(
            ReadPage(test.device().files(), reader.book(), page, fresh, PageViewOf(reader.view()))
                .error,
            PageError::None);
        const PageImage& shown = reader.image();
        EXPECT_EQ(shown.pixels, fresh.pixels) << "page " << page;
        EXPECT_EQ(shown.viewHeight, fresh.viewHeight) << "page " << page;
        EXPECT_EQ(shown.orientation, fresh.orientation) << "page " << page;
    }
}

}  // namespace
}  // namespace inkvista
