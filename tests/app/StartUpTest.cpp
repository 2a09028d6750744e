#include <gtest/gtest.h>

#include <QApplication>

#include "AppTestSupport.h"
#include "app/ReaderApp.h"
#include "settings/KeyAction.h"
#include "settings/OptionFile.h"
#include "settings/UserDir.h"

namespace inkvista {
namespace {

using test::Program;

const std::vector<uint8_t> kDefaultOptionBytes = {
    0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x09, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
};

TEST(StartUp, DeviceCheckChoosesTheKeyBaseAndTheCardPoll) {
    struct Case {
        std::u16string oem;
        bool loox;
    };
    for (const Case& c : {Case{u"InkVISTA Desktop", false}, Case{u"FUJITSU Pocket LOOX", true},
                          Case{u"fujitsu pocket loox", false}}) {
        Program program(c.oem);
        program.app = std::make_unique<ReaderApp>(program.dev.device(), program.keys);
        BackWnd& wnd = program.wnd();
        // The check runs with the object, before any window exists.
        EXPECT_EQ(wnd.isLoox(), c.loox);
        EXPECT_EQ(wnd.hotKeyBase(), c.loox ? 0xC2u : 0xC1u);
        EXPECT_EQ(wnd.cardPollTimer(), 0u);
        EXPECT_TRUE(program.keys.held.empty());
        wnd.SetIgnorePlatformActivation(true);
        program.app->InitInstance();
        EXPECT_EQ(wnd.cardPollTimer(), c.loox ? kCardPollTimerId : 0u);
        EXPECT_EQ(program.dev.clock().IsRunning(&wnd, kCardPollTimerId), c.loox);
    }
}

TEST(StartUp, FirstStartCreatesTheProgramFolderAndTheOptionFile) {
    Program program;
    EXPECT_FALSE(std::filesystem::exists(program.dev.Host(u"\\My Documents\\InkVISTA")));
    BackWnd& wnd = program.Start(false);
    EXPECT_TRUE(std::filesystem::is_directory(program.dev.Host(u"\\My Documents\\InkVISTA")));
    EXPECT_EQ(program.OptionBytes(), kDefaultOptionBytes);
    EXPECT_TRUE(program.dev.messages().shown().empty());
    EXPECT_EQ(wnd.screenWidth(), 240);
    EXPECT_EQ(wnd.screenHeight(), 320);
    EXPECT_EQ(wnd.backImage().size(), QSize(240, 320));
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_EQ(wnd.pressedButton(), HomeButton::None);
    // The registry key is made with empty values.
    bool created = true;
    ASSERT_TRUE(program.dev.device().registry().CreateKey(kRegistryKey, &created));
    EXPECT_FALSE(created);
    EXPECT_TRUE(program.dev.device().registry().GetValue(kRegistryKey, u"Password").has_value());
}

TEST(StartUp, SettingsComeFromTheFileBeforeTheKeysAreTaken) {
    Program program;
    std::vector<uint8_t> bytes = kDefaultOptionBytes;
    bytes[4] = 1;   // showHiddenFiles
    bytes[5] = 1;   // koreanPatch
    bytes[24] = 9;  // hotKey3: Menu On/Off
    bytes[28] = 8;  // hotKey4: No Mapping
    program.WriteOptionBytes(bytes);
    BackWnd& wnd = program.Start(false);
    // Hot keys were taken at creation with the loaded map.
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC3}));
    EXPECT_EQ(wnd.textConversion(), TextConversion::KoreanTable);
    // A stored "show hidden books" never survives a start ...
    EXPECT_EQ(wnd.viewOption().showHiddenFiles, 0);
    // ... and the file keeps what it had until the next save.
    EXPECT_EQ(program.OptionBytes(), bytes);
}

TEST(StartUp, PasswordAndUserFolderComeFromTheRegistry) {
    Program program;
    Registry& registry = program.dev.device().registry();
    bool created = false;
    ASSERT_TRUE(registry.CreateKey(kRegistryKey, &created));
    // "secret12" and more: only eight characters are ever taken.
    std::vector<uint8_t> password;
    for (char c : std::string("secret123")) {
        password.push_back(static_cast<uint8_t>(c));
        password.push_back(0);
    }
    ASSERT_TRUE(registry.SetString(kRegistryKey, u"Password", password));
    std::filesystem::create_directories(program.dev.Host(u"\\") / "Comics");
    UserDir dir{};
    ASSERT_TRUE(SetUserDirText(dir, u"\\Comics"));
    ASSERT_TRUE(WriteUserDir(program.dev.device(), dir));

    BackWnd& wnd = program.Start(false);
    EXPECT_EQ(PasswordText(wnd.password()), u"secret12");
    EXPECT_EQ(UserDirText(wnd.userDir()), u"\\Comics");
    EXPECT_TRUE(wnd.userDirExists());
    // The library opens books of the user folder (slot 5) there.
    EXPECT_EQ(wnd.listWnd().model().Folders().userDir, u"\\Comics");
}

TEST(StartUp, WindowsAreCreatedWhereTheyBelong) {
    Program program;
    BackWnd& wnd = program.Start(false);
    // 0 × 0 until the first activation.
    EXPECT_EQ(wnd.geometry().size(), QSize(0, 0));
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("InkVISTA"));

    const LibraryListWnd& list = wnd.listWnd();
    EXPECT_EQ(list.geometry(), QRect(7, 78, 226, 235));
    EXPECT_EQ(list.property("controlId").toInt(), 1001);
    EXPECT_TRUE(list.isVisibleTo(&wnd));
    EXPECT_EQ(list.Headings(), (QStringList{"TITLE", "PAGE"}));
    EXPECT_EQ(list.columnWidth(0), 154);
    EXPECT_EQ(list.columnWidth(1), 70);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    // The list refreshed itself at creation and knows the documents folder.
    EXPECT_EQ(list.model().documentsRoot(), u"\\My Documents");

    const PageViewWnd& viewer = wnd.viewWnd();
    EXPECT_EQ(viewer.geometry(), QRect(0, 0, 240, 320));
    EXPECT_EQ(viewer.property("controlId").toInt(), 1002);
    EXPECT_FALSE(viewer.isVisibleTo(&wnd));
    EXPECT_EQ(viewer.model().reading().menuShown, 1);
    EXPECT_EQ(viewer.model().autoScroll().autoScrollOn, 0);

    wnd.OnActivate(true);
    EXPECT_EQ(wnd.geometry(), QRect(0, 0, 240, 320));
}

TEST(StartUp, ActivationTakesTheButtonsAndDeactivationGivesThemBack) {
    Program program;
    BackWnd& wnd = program.Start(false);
    wnd.OnActivate(false);
    EXPECT_TRUE(program.keys.held.empty());
    EXPECT_EQ(wnd.RegisteredHotKeyCodes(), std::vector<uint32_t>{});

    wnd.OnActivate(true);
    const ShellChrome& chrome = program.dev.device().shell().chrome();
    EXPECT_TRUE(chrome.taskBarHidden);
    EXPECT_FALSE(chrome.inputPanelButtonShown);
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC4}));
    for (const auto& [id, held] : program.keys.held) {
        EXPECT_EQ(held.first, MOD_WIN);
        EXPECT_EQ(held.second, static_cast<uint32_t>(id));
    }
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.listWnd());

    wnd.OnActivate(false);
    EXPECT_TRUE(program.keys.held.empty());
    wnd.OnActivate(true);
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC4}));
}

TEST(StartUp, PlatformActivationIsFollowedUnlessIgnored) {
    Program program;
    BackWnd& wnd = program.Start(false);
    wnd.SetIgnorePlatformActivation(false);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&wnd, &deactivate);
    EXPECT_TRUE(program.keys.held.empty());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&wnd, &activate);
    EXPECT_EQ(program.keys.held.size(), 3u);
    wnd.SetIgnorePlatformActivation(true);
    QApplication::sendEvent(&wnd, &deactivate);
    EXPECT_EQ(program.keys.held.size(), 3u);
}

TEST(StartUp, TeardownStopsTheCardPollAndGivesBackTheKeys) {
    Program program(u"FUJITSU Pocket LOOX");
    BackWnd& wnd = program.Start();
    const void* owner = &wnd;
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC2, 0xC3, 0xC5}));
    EXPECT_TRUE(program.dev.clock().IsRunning(owner, kCardPollTimerId));
    program.app.reset();
    EXPECT_TRUE(program.keys.held.empty());
    EXPECT_FALSE(program.dev.clock().IsRunning(owner, kCardPollTimerId));
}

}  // namespace
}  // namespace inkvista
