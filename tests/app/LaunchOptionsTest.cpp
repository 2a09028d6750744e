// The reader's command line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include "app/LaunchOptions.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

struct Parsed {
    bool ok = false;
    LaunchOptions options;
    std::string error;
};

Parsed Parse(std::vector<std::string> args) {
    Parsed p;
    p.ok = ParseLaunchOptions(args, p.options, &p.error);
    return p;
}

TEST(LaunchOptions, DefaultsAreTheHandheld) {
    Parsed p = Parse({});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.scale, 1);
    EXPECT_FALSE(p.options.script);
    EXPECT_FALSE(p.options.help);
    EXPECT_FALSE(p.options.version);
    EXPECT_FALSE(p.options.device.root);
    EXPECT_EQ(p.options.device.oem, u"InkVISTA Desktop");
}

TEST(LaunchOptions, ScreenScaleAndScriptInBothSpellings) {
    Parsed p = Parse({"--screen", "240x320", "--scale=3", "--script", "a b.script"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.scale, 3);
    ASSERT_TRUE(p.options.script);
    EXPECT_EQ(*p.options.script, std::filesystem::path("a b.script"));

    p = Parse({"--screen=240X320", "--scale", "1"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.scale, 1);
}

TEST(LaunchOptions, TheScreenIsAlwaysTheHandheldsOwn) {
    // The layout of every screen is made for 240 × 320: another size is
    // refused, and the message says how to get a larger window.
    for (const char* other : {"480x640", "320x240", "241x320", "15x320", "240x4097", "-240x320"}) {
        Parsed p = Parse({"--screen", other});
        EXPECT_FALSE(p.ok) << other;
        EXPECT_NE(p.error.find("--scale"), std::string::npos) << p.error;
        EXPECT_NE(p.error.find(other), std::string::npos) << p.error;
    }
    for (const char* bad : {"240", "240x", "x320", "240x320x2", "24ax320", " 240x320", "ax"}) {
        Parsed p = Parse({"--screen", bad});
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_NE(p.error.find("bad screen size"), std::string::npos) << p.error;
    }
    Parsed p = Parse({"--screen"});
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "--screen needs a size WxH");
}

TEST(LaunchOptions, BadScales) {
    for (const char* bad : {"0", "9", "-1", "2.5", "two", ""}) {
        Parsed p = Parse({"--scale", bad});
        EXPECT_FALSE(p.ok) << bad;
    }
    EXPECT_TRUE(Parse({"--scale", "8"}).ok);
    EXPECT_EQ(Parse({"--scale"}).error, "--scale needs a number");
    EXPECT_EQ(Parse({"--script"}).error, "--script needs a file");
    EXPECT_EQ(Parse({"--script="}).error, "--script needs a file");
    EXPECT_EQ(Parse({"--oem"}).error, "--oem needs a value");
}

TEST(LaunchOptions, DeviceOptionsAreTakenAndCheckedByThePort) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    Parsed p = Parse({"--oem", "FUJITSU Pocket LOOX", "--root", dir.string(), "--battery", "40",
                      "--screen", "240x320"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.device.oem, u"FUJITSU Pocket LOOX");
    ASSERT_TRUE(p.options.device.root);
    ASSERT_TRUE(p.options.device.battery);
    EXPECT_EQ(*p.options.device.battery, 40);

    p = Parse({"--battery", "140"});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--battery"), std::string::npos);
    p = Parse({"--root", (dir / "surely-not-here-4711").string()});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--root"), std::string::npos);
}

TEST(LaunchOptions, CardsNeedARoot) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    Parsed p = Parse({"--card", "SD=" + dir});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--card needs --root"), std::string::npos);
    p = Parse({"--card", "SD=" + dir, "--root", dir});
    EXPECT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.options.device.cards.size(), 1u);
    EXPECT_EQ(p.options.device.cards[0].first, u"SD");
}

TEST(LaunchOptions, UnknownAndStrayArguments) {
    Parsed p = Parse({"--fullscreen"});
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "unknown option '--fullscreen'");
}

// A folder with books for the command line, left as the working folder
// while a test runs so that relative names can be tried.
class BookArgument : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("inkvista-launch-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Bände und Hefte");
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        std::error_code ec;
        fs::permissions(dir_ / "locked.cmb", fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }
    fs::path Put(const std::string& name, const std::string& bytes = "book") {
        const fs::path file = dir_ / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    fs::path dir_;
    fs::path old_;
};

TEST_F(BookArgument, ABookByPathRelativePathOrUri) {
    const fs::path book = Put("Bände und Hefte/Der Mond #1.CXB");
    // Relative to the working folder, made absolute for the run.
    Parsed p = Parse({"Bände und Hefte/./Der Mond #1.CXB"});
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(p.options.book);
    EXPECT_EQ(*p.options.book, book);
    // As a file manager hands it over: percent-encoded, '#' included.
    const std::string uri =
        "file://" + dir_.string() + "/B%C3%A4nde%20und%20Hefte/Der%20Mond%20%231.CXB";
    p = Parse({"--scale", "2", uri, "--root", dir_.string()});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(*p.options.book, book);
    EXPECT_EQ(p.options.bookKind, BookKind::Cxb);
    EXPECT_EQ(p.options.scale, 2);
    EXPECT_EQ(*p.options.device.root, dir_);
    // After "--" a name may start with a dash.
    const fs::path dashed = Put("-dash.cmb");
    p = Parse({"--", "-dash.cmb"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(*p.options.book, dashed);
    p = Parse({"-dash.cmb"});
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "unknown option '-dash.cmb'");
}

TEST_F(BookArgument, WhatIsNoBookIsRefused) {
    Put("notes.txt");
    Put("one.cmb");
    Put("two.cmb");
    fs::create_directories(dir_ / "folder.cmb");
    const fs::path locked = Put("locked.cmb");
    fs::permissions(locked, fs::perms::none);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"notes.txt", "not a book (.cmb or .cxb): notes.txt"},
        {"one.cmb.bak", "no such book: one.cmb.bak"},
        {"missing.cmb", "no such book: missing.cmb"},
        {"folder.cmb", "not a book file: folder.cmb"},
        {"file://elsewhere/one.cmb", "not a local file: file://elsewhere/one.cmb"},
        {"", "empty book name"},
    };
    for (const auto& [arg, message] : cases) {
        Parsed p = Parse({arg});
        EXPECT_FALSE(p.ok) << arg;
        EXPECT_EQ(p.error, message);
    }
    // Permissions do not bind root, which reads the file all the same.
    if (!std::ifstream(locked)) {
        Parsed p = Parse({"locked.cmb"});
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.error, "cannot read book: locked.cmb");
    }
    Parsed p = Parse({"one.cmb", "two.cmb"});
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "unexpected argument 'two.cmb' (one book at a time)");
}

// A book under any name is taken by its header, which also says its kind;
// a name that is a book's still takes a file its header does not.
TEST_F(BookArgument, ABookIsKnownByItsHeaderWhateverItsName) {
    std::string cxb(134, '\0');
    cxb.replace(0, 2, "XB");
    cxb[131] = char(240);  // the extent limit
    std::string cmb(158, '\0');
    cmb.replace(0, 2, "CB");
    const std::vector<std::tuple<std::string, std::string, BookKind>> cases = {
        {"Harbour Lights", cxb, BookKind::Cxb},
        {"moon.jpg", cmb, BookKind::Cmb},
        {"really-a-cxb.cmb", cxb, BookKind::Cxb},
        {"damaged.cmb", "CB", BookKind::Cmb},
    };
    for (const auto& [name, bytes, kind] : cases) {
        const fs::path book = Put(name, bytes);
        Parsed p = Parse({name});
        ASSERT_TRUE(p.ok) << name << ": " << p.error;
        EXPECT_EQ(*p.options.book, book);
        EXPECT_EQ(p.options.bookKind, kind) << name;
    }
    Put("radio.log", "CB radio log, channel 19. " + std::string(200, ' '));
    EXPECT_EQ(Parse({"radio.log"}).error, "not a book (.cmb or .cxb): radio.log");
}

// With no terminal to show standard error, a refusal is shown in a box too.
TEST(LaunchOptions, ARefusalIsBoxedWhereNobodyReadsStandardError) {
    for (const bool seen : {true, false}) {
        RecordingMessageBoxes boxes;
        ::testing::internal::CaptureStderr();
        TellStartRefusal("no such book: /home/a/b.cmb", seen, boxes, "Try 'inkvista --help'.");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "inkvista: no such book: /home/a/b.cmb\nTry 'inkvista --help'.\n");
        const std::vector<std::u16string> boxed = {u"No such book: /home/a/b.cmb"};
        EXPECT_EQ(boxes.shown(), seen ? std::vector<std::u16string>{} : boxed);
    }
}

TEST(LaunchOptions, HelpAndVersionStopParsing) {
    Parsed p = Parse({"--scale", "2", "--help", "--nonsense"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.help);
    p = Parse({"--version", "--scale", "0"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.version);
    const std::string usage = LaunchUsage();
    for (const char* option : {"--root", "--card", "--registry", "--oem", "--battery", "--screen",
                               "--scale", "--script", "--version", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace inkvista
