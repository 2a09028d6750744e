// The shell's full-screen control and input panel as the port layer records
// them, and folder-only searches.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Shell.h"
#include "platform/Win32.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

TEST(ShellChrome, EachFlagShowsOrHidesItsElementAndHideWinsInOneCall) {
    TestDevice test;
    Shell& shell = test.device().shell();
    const ShellChrome& chrome = shell.chrome();
    EXPECT_FALSE(chrome.taskBarHidden);
    EXPECT_TRUE(chrome.inputPanelButtonShown);

    shell.FullScreen(SHFS_HIDETASKBAR);
    shell.FullScreen(SHFS_SHOWSIPBUTTON);
    shell.FullScreen(SHFS_HIDESTARTICON);
    EXPECT_TRUE(chrome.taskBarHidden);
    EXPECT_TRUE(chrome.inputPanelButtonShown);
    EXPECT_TRUE(chrome.startIconHidden);
    shell.FullScreen(SHFS_HIDESIPBUTTON);
    EXPECT_FALSE(chrome.inputPanelButtonShown);
    EXPECT_TRUE(chrome.taskBarHidden);  // untouched by the other flags
    shell.FullScreen(SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR | SHFS_SHOWSTARTICON);
    EXPECT_TRUE(chrome.taskBarHidden);
    EXPECT_FALSE(chrome.startIconHidden);
    EXPECT_EQ(chrome.fullScreenCalls.back(),
              SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR | SHFS_SHOWSTARTICON);

    shell.ShowInputPanel(true);
    EXPECT_TRUE(chrome.inputPanelShown);
    shell.ShowInputPanel(false);
    EXPECT_FALSE(chrome.inputPanelShown);
}

TEST(ShellChrome, OnlyTheLatestCallsAreKept) {
    TestDevice test;
    Shell& shell = test.device().shell();
    for (uint32_t i = 0; i < 100; ++i) shell.FullScreen(i % 64);
    const auto& calls = shell.chrome().fullScreenCalls;
    ASSERT_EQ(calls.size(), ShellChrome::kKeptCalls);
    EXPECT_EQ(calls.back(), 99u % 64);
    EXPECT_EQ(calls.front(), (100u - ShellChrome::kKeptCalls) % 64);
}

TEST(FoldersOnlySearch, ListsFoldersAndTellsEmptyFromFolderless) {
    TestDevice test;
    FileSystem& files = test.device().files();
    namespace fs = std::filesystem;
    const fs::path top = test.root() / "Top";
    fs::create_directories(top / "Sub");
    fs::create_directories(test.root() / "Empty");
    fs::create_directories(test.root() / "Flat");
    std::ofstream(top / "book.cmb") << "x";
    std::ofstream(test.root() / "Flat" / "book.cmb") << "x";
    fs::create_symlink(top / "Sub", top / "Link");
    fs::create_symlink(top / "book.cmb", top / "FileLink");

    std::vector<std::u16string> names;
    FindData found;
    FindHandle search = files.FindFirst(u"\\Top\\*.*", &found, FindScope::FoldersOnly);
    ASSERT_TRUE(search);
    do {
        EXPECT_TRUE(found.IsDirectory());
        names.push_back(found.name);
    } while (files.FindNext(search, &found));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Link", u"Sub"}));

    EXPECT_FALSE(files.FindFirst(u"\\Empty\\*.*", &found, FindScope::FoldersOnly));
    EXPECT_EQ(files.LastError(), static_cast<uint32_t>(ERROR_NO_MORE_FILES));
    EXPECT_FALSE(files.FindFirst(u"\\Flat\\*.*", &found, FindScope::FoldersOnly));
    EXPECT_EQ(files.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    // Every entry without the limit.
    EXPECT_TRUE(files.FindFirst(u"\\Flat\\*.*", &found));
}

}  // namespace
}  // namespace inkvista
