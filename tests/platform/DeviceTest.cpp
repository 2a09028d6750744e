#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>

#include "platform/Device.h"
#include "platform/Text.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

struct Parsed {
    bool ok;
    bool matched;
    size_t next;
    std::string error;
};

Parsed Parse(const std::vector<std::string>& args, DeviceOptions& options, size_t start = 0) {
    Parsed p{};
    p.next = start;
    p.ok = ParseDeviceOption(args, p.next, options, &p.matched, &p.error);
    return p;
}

TEST(DeviceOptions, ParsesEveryOptionInBothForms) {
    TestDevice t;
    const std::string root = t.root().string();
    const std::string card = t.base().string();
    DeviceOptions o;
    const std::vector<std::string> args = {"--root",
                                           root,
                                           "--card=SD Card=" + card,
                                           "--card",
                                           "Storage Card2=" + card,
                                           "--oem",
                                           "FUJITSU Pocket LOOX",
                                           "--battery=55",
                                           "--registry",
                                           "reg.reg",
                                           "--scale"};
    size_t i = 0;
    while (i < args.size()) {
        bool matched = false;
        std::string error;
        ASSERT_TRUE(ParseDeviceOption(args, i, o, &matched, &error)) << error;
        if (!matched) break;
    }
    EXPECT_EQ(i, args.size() - 1);  // stopped at the option that is not ours
    EXPECT_EQ(o.root, t.root());
    ASSERT_EQ(o.cards.size(), 2u);
    EXPECT_EQ(o.cards[0].first, u"SD Card");
    EXPECT_EQ(o.cards[1].first, u"Storage Card2");
    EXPECT_EQ(o.cards[1].second, t.base());
    EXPECT_EQ(o.oem, u"FUJITSU Pocket LOOX");
    EXPECT_EQ(o.battery, 55);
    ASSERT_TRUE(o.registryFile);
    EXPECT_TRUE(o.registryFile->is_absolute());
    EXPECT_EQ(o.registryFile->filename(), "reg.reg");
}

TEST(DeviceOptions, OtherArgumentsAreLeftAlone) {
    DeviceOptions o;
    for (const char* arg : {"--rootx", "--scale", "file.cmb", "-r", "--oe"}) {
        const Parsed p = Parse({arg, "value"}, o);
        EXPECT_TRUE(p.ok) << arg;
        EXPECT_FALSE(p.matched) << arg;
        EXPECT_EQ(p.next, 0u) << arg;
    }
    const Parsed end = Parse({"--oem", "x"}, o, 2);
    EXPECT_TRUE(end.ok);
    EXPECT_FALSE(end.matched);
}

TEST(DeviceOptions, BadValuesAreRefusedWithAReason) {
    TestDevice t;
    const std::string dir = t.root().string();
    const std::string file = (t.base() / "plain").string();
    std::ofstream(file) << "x";
    const std::vector<std::vector<std::string>> bad = {
        {"--root"},
        {"--root", (t.base() / "missing").string()},
        {"--root", file},
        {"--root="},
        {"--card", "NoEquals"},
        {"--card", "=" + dir},
        {"--card", "A\\B=" + dir},
        {"--card", "A:B=" + dir},
        {"--card", "my documents=" + dir},
        {"--card", "Card=" + file},
        {"--card", "Card="},
        {"--registry", ""},
        {"--battery", "101"},
        {"--battery", "-1"},
        {"--battery", "50%"},
        {"--battery", ""},
        {"--battery"},
    };
    for (const auto& args : bad) {
        DeviceOptions o;
        const Parsed p = Parse(args, o);
        EXPECT_FALSE(p.ok) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_TRUE(p.matched);
        EXPECT_FALSE(p.error.empty());
    }
    // The same card twice, in any case.
    DeviceOptions o;
    ASSERT_TRUE(Parse({"--card", "SD=" + dir}, o).ok);
    const Parsed twice = Parse({"--card", "sd=" + dir}, o);
    EXPECT_FALSE(twice.ok);
    EXPECT_NE(twice.error.find("sd"), std::string::npos);
    // 255 says "no battery".
    EXPECT_TRUE(Parse({"--battery", "255"}, o).ok);
    EXPECT_EQ(o.battery, 255);
}

TEST(DeviceOptions, HelpNamesEveryOption) {
    const std::string help = DeviceOptionsHelp();
    for (const char* o : {"--root", "--card", "--registry", "--oem", "--battery"}) {
        EXPECT_NE(help.find(o), std::string::npos) << o;
    }
}

TEST(Device, RootMappingWithCardsAndShell) {
    TestDevice t;
    const fs::path cardDir = t.base() / "sd";
    fs::create_directories(cardDir);
    DeviceOptions o;
    o.root = t.root();
    o.cards = {{u"SD Card", cardDir}};
    o.registryFile = t.base() / "r.reg";
    o.oem = u"FUJITSU Pocket LOOX";
    o.battery = 42;
    Device d(o, t.messages(), t.clock());
    EXPECT_TRUE(fs::is_directory(t.root() / "My Documents"));
    EXPECT_EQ(d.shell().PersonalFolder(), u"\\My Documents");
    EXPECT_EQ(d.shell().OemInfo(), u"FUJITSU Pocket LOOX");
    EXPECT_EQ(d.shell().BatteryPercent(), 42);
    EXPECT_EQ(d.shell().StorageCards(), std::vector<std::u16string>{u"SD Card"});
    EXPECT_EQ(d.files().mapper().Resolve(u"\\sd card\\x"), cardDir / "x");

    // Cards come and go in order of arrival; "My Documents" is never one.
    const fs::path second = t.base() / "second";
    fs::create_directories(second);
    d.InsertCard(u"Storage Card", second);
    EXPECT_EQ(d.shell().StorageCards(), (std::vector<std::u16string>{u"SD Card", u"Storage Card"}));
    EXPECT_FALSE(d.RemoveCard(u"My Documents"));
    EXPECT_TRUE(d.RemoveCard(u"sd card"));
    EXPECT_FALSE(d.RemoveCard(u"SD Card"));
    EXPECT_EQ(d.shell().StorageCards(), std::vector<std::u16string>{u"Storage Card"});
    // A card whose folder vanished is not enumerated.
    fs::remove_all(second);
    EXPECT_TRUE(d.shell().StorageCards().empty());
    // The root mapping ignores the host's mounts.
    bool arrived = true;
    EXPECT_FALSE(d.RefreshMounts(&arrived));
    EXPECT_FALSE(arrived);
}

TEST(Device, OneCardNameRuleForOptionsInsertsAndMounts) {
    for (const std::u16string name : {u"SD", u"Storage Card", u"\u00C9t\u00E9", u"a.b", u"..."})
        EXPECT_TRUE(ValidCardName(name)) << Utf16ToUtf8(name);
    for (const std::u16string name : {u"", u".", u"..", u"a\\b", u"a/b", u"c:", u"x*", u"q?",
                                      u"\"q\"", u"<a>", u"p|q", u"tab\there", u"my documents"})
        EXPECT_FALSE(ValidCardName(name)) << Utf16ToUtf8(name);

    TestDevice t;
    Device& d = t.device();
    const fs::path dir = t.base() / "card";
    fs::create_directories(dir);
    // What the rule refuses never becomes a card, whichever way it comes.
    d.InsertCard(u"MY DOCUMENTS", dir);
    d.InsertCard(u"line\nbreak", dir);
    EXPECT_TRUE(d.shell().StorageCards().empty());
    EXPECT_EQ(d.files().mapper().Resolve(u"\\My Documents"), t.root() / "My Documents");
    std::vector<std::string> args = {"--card", "My Documents=" + dir.string()};
    size_t i = 0;
    DeviceOptions options;
    std::string error;
    EXPECT_FALSE(ParseDeviceOption(args, i, options, nullptr, &error));
    options.root = t.root();
    options.registryFile = t.base() / "built.reg";
    options.cards = {{u"ok", dir}, {u"bad\\name", dir}, {u"my documents", dir}};
    RecordingMessageBoxes messages;
    VirtualClock clock;
    Device built(options, messages, clock);
    EXPECT_EQ(built.shell().StorageCards(), std::vector<std::u16string>{u"ok"});
    EXPECT_EQ(built.files().mapper().Resolve(u"\\my documents"), t.root() / "My Documents");
}

TEST(Device, TestDeviceCleansUpEvenReadOnlyContent) {
    fs::path base;
    {
        TestDevice t;
        base = t.base();
        const fs::path locked = t.root() / "locked";
        fs::create_directories(locked / "inner");
        std::ofstream(locked / "inner" / "f") << "x";
        fs::permissions(locked / "inner" / "f", fs::perms::owner_write, fs::perm_options::remove);
        fs::permissions(locked, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_EQ(t.device().shell().OemInfo(), u"InkVISTA Desktop");
        EXPECT_EQ(t.Host(u"\\My Documents\\x"), t.root() / "My Documents" / "x");
        EXPECT_EQ(t.AddCard(u"Storage Card"), t.base() / "cards" / "Storage Card");
        EXPECT_EQ(t.Host(u"\\Storage Card"), t.base() / "cards" / "Storage Card");
    }
    EXPECT_FALSE(fs::exists(base));
}

TEST(Device, DefaultRegistryFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(DefaultRegistryFile(), fs::path("/somewhere/config/InkVISTA/registry.reg"));
    // A relative value is not to be used, by the XDG rules.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(DefaultRegistryFile().filename(), "registry.reg");
    EXPECT_NE(DefaultRegistryFile().string().find("/.config/InkVISTA/"), std::string::npos);
    if (old) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

TEST(MessageBoxes, RecordTextAndAnswerFromTheQueue) {
    RecordingMessageBoxes boxes;
    boxes.QueueAnswer(IDCANCEL);
    EXPECT_EQ(boxes.Show(u"Quit InkVISTA ?", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(boxes.Show(u"File Open Failed"), IDOK);  // queue empty
    EXPECT_EQ(boxes.shown(),
              (std::vector<std::u16string>{u"Quit InkVISTA ?", u"File Open Failed"}));
    boxes.Clear();
    EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
}  // namespace inkvista

namespace inkvista {
namespace {

TEST(HostServices, RemovableMountsOfTheUser) {
    const std::string table =
        "/dev/vda1 / ext4 rw 0 0\n"
        "/dev/sdb1 /media/alice/SD\\040CARD vfat rw 0 0\n"
        "/dev/sdc1 /run/media/alice/BOOKS exfat rw 0 0\n"
        "/dev/sdd1 /media/bob/OTHER vfat rw 0 0\n"
        "/dev/sde1 /media/alice/deep/er vfat rw 0 0\n"
        "/dev/sdf1 /media/alice/My\\040Documents vfat rw 0 0\n"
        "/dev/sdg1 /run/media/alice/sd\\040card vfat rw 0 0\n"
        "garbage\n"
        "/dev/sdh1 /media/alice vfat rw 0 0\n";
    const auto mounts = RemovableMountsIn(table, "alice");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].first, u"SD CARD");
    EXPECT_EQ(mounts[0].second, std::filesystem::path("/media/alice/SD CARD"));
    EXPECT_EQ(mounts[1].first, u"BOOKS");
    EXPECT_TRUE(RemovableMountsIn(table, "").empty());
}

TEST(HostServices, BatteryFromPowerSupplies) {
    TestDevice t;
    const std::filesystem::path dir = t.base() / "power_supply";
    EXPECT_EQ(BatteryPercentIn(dir), 255);  // no folder at all
    std::filesystem::create_directories(dir / "AC");
    std::ofstream(dir / "AC" / "type") << "Mains\n";
    EXPECT_EQ(BatteryPercentIn(dir), 255);
    std::filesystem::create_directories(dir / "BAT0");
    std::ofstream(dir / "BAT0" / "type") << "Battery\n";
    std::ofstream(dir / "BAT0" / "capacity") << "250\n";  // impossible: ignored
    EXPECT_EQ(BatteryPercentIn(dir), 255);
    std::filesystem::create_directories(dir / "BAT1");
    std::ofstream(dir / "BAT1" / "type") << "Battery\n";
    std::ofstream(dir / "BAT1" / "capacity") << "77\n";
    EXPECT_EQ(BatteryPercentIn(dir), 77);
}

// Restores an environment variable at the end of a scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(Device, DesktopMappingUsesTheHostRootAndXdgDocuments) {
    TestDevice t;
    const std::filesystem::path home = t.base() / "home";
    std::filesystem::create_directories(home / ".config");
    std::ofstream(home / ".config" / "user-dirs.dirs")
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
           "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    ScopedEnv homeEnv("HOME", home.string());
    ScopedEnv configEnv("XDG_CONFIG_HOME", (home / ".config").string());
    DeviceOptions o;
    o.registryFile = t.base() / "desktop.reg";
    Device d(o, t.messages(), t.clock());
    EXPECT_EQ(d.documentsFolder(), home / "Dokumente");
    EXPECT_TRUE(std::filesystem::is_directory(home / "Dokumente"));
    EXPECT_EQ(d.files().mapper().Resolve(u"\\My Documents\\InkVISTA"),
              home / "Dokumente" / "InkVISTA");
    EXPECT_EQ(d.files().mapper().Resolve(u"\\USR\\share"), std::filesystem::path("/usr/share"));
    // The root listing is the host's root with the documents folder beside it.
    std::vector<std::u16string> names;
    FindData data;
    FindHandle h = d.files().FindFirst(u"\\*.*", &data);
    ASSERT_TRUE(h);
    do {
        names.push_back(data.name);
    } while (d.files().FindNext(h, &data));
    EXPECT_NE(std::find(names.begin(), names.end(), u"My Documents"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), u"usr"), names.end());

    // Without a usable entry the folder is ~/Documents.
    std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/\"\n";
    Device plain(o, t.messages(), t.clock());
    EXPECT_EQ(plain.documentsFolder(), home / "Documents");
}

}  // namespace
}  // namespace inkvista
