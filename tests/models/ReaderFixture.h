// A reader model on a test device with books of chosen page sizes, and a
// host that records every frame it is asked to paint.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "models/ReaderModel.h"
#include "settings/KeyAction.h"
#include "support/TestDevice.h"

namespace inkvista::test {

// What one painted frame showed.
struct Frame {
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    int32_t page = 0;
    int menuShown = 0;
    bool animation = false;
};

class FrameRecorder : public ReaderHost {
  public:
    void Redraw() override { Record(false); }
    void AnimationFrame() override { Record(true); }
    void OpenRequestedBook() override { switches.emplace_back(kViewerWindowId, false); }
    void ReturnToLibrary(bool keepPage) override { switches.emplace_back(kListWindowId, keepPage); }
    void ShowMessage(std::u16string_view text) override { messages->Show(text); }
    void Record(bool animation) {
        const ReaderModel& m = *model;
        frames.push_back({m.position().scrollX, m.position().scrollY, m.currentPage(),
                          m.reading().menuShown, animation});
    }
    const ReaderModel* model = nullptr;
    MessageBoxes* messages = nullptr;
    std::vector<Frame> frames;
    std::vector<std::pair<int, bool>> switches;
};

class ReaderFixture : public ::testing::Test {
  protected:
    ReaderFixture() {
        host.model = &reader;
        host.messages = &test.messages();
        folders.documentsRoot = u"\\My Documents";
    }

    // A grey book of `pages` pages of width × height stored pixels (width a
    // multiple of 16) in the main folder, or at `path`.
    void WriteBook(std::u16string_view name, int pages, uint32_t width, uint32_t height,
                   std::u16string_view folder = u"\\My Documents\\InkVISTA") {
        encode::BookPlan plan;
        plan.title = "Test Book";
        const std::vector<uint8_t> grey(size_t{width} * height, 72);
        for (int i = 0; i < pages; ++i) {
            auto page = encode::GreyPage(grey.data(), width, height, width);
            ASSERT_TRUE(page);
            plan.pages.push_back(*page);
        }
        const std::filesystem::path file =
            test.Host(std::u16string(folder) + u"\\" + std::u16string(name));
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(encode::WriteFile(file.string(), encode::BuildBook(plan)));
    }

    // Opens a book of `pages` pages of width × height in portrait (or
    // landscape) with smooth scroll off and the bar as asked.
    void OpenPage(uint32_t width, uint32_t height, bool portrait, int pages = 3, int page = 0,
                  bool menu = false) {
        WriteBook(u"book.cmb", pages, width, height);
        view.portrait = portrait ? 1 : 0;
        view.smoothScroll = 0;
        ASSERT_TRUE(Open(u"book.cmb", page));
        if (static_cast<bool>(reader.reading().menuShown) != menu) reader.ToggleMenu();
        host.frames.clear();
    }

    bool Open(std::u16string file, int page, FolderSlot slot = FolderSlot::Main) {
        OpenRequest request;
        request.fileName = std::move(file);
        request.bookmarkPage = page;
        request.slot = slot;
        return reader.Open(request, folders, TextConversion::System, view, keys);
    }

    void Scroll(int32_t x, int32_t y) {
        // Positions reached by earlier steps, set up through the drag.
        reader.OnTapDown(120, 160);
        reader.OnDrag(120 - (x - reader.position().scrollX), 160 - (y - reader.position().scrollY));
        reader.OnRelease();
        host.frames.clear();
    }

    int32_t X() const { return reader.position().scrollX; }
    int32_t Y() const { return reader.position().scrollY; }
    int32_t Page() const { return reader.currentPage(); }

    TestDevice test;
    FrameRecorder host;
    ReaderModel reader{test.device(), host};
    BookFolders folders{};
    ViewOption view;
    KeyMap keys;
};

}  // namespace inkvista::test
