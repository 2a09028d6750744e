#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Device.h"
#include "settings/UserDir.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

class UserDirTest : public ::testing::Test {
  protected:
    Registry& registry() { return test_.device().registry(); }
    TestDevice test_;
};

std::vector<uint8_t> Utf16Le(std::u16string_view text) {
    std::vector<uint8_t> out;
    for (char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

TEST_F(UserDirTest, FirstReadCreatesTheKeyWithAnEmptyValue) {
    UserDir dir;
    dir.fill(u'x');
    EXPECT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_TRUE(UserDirText(dir).empty());
    EXPECT_EQ(dir[259], 0);
    const auto value = registry().GetValue(kRegistryKey, kUserDirValue);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, REG_SZ);
    EXPECT_EQ(value->data, (std::vector<uint8_t>{0, 0}));
}

TEST_F(UserDirTest, LongestPathSurvivesARestart) {
    std::u16string path = u"\\";
    while (path.size() < 259) path += u'\xD55C';  // Hangul, so byte order matters
    UserDir dir;
    ASSERT_TRUE(SetUserDirText(dir, path));
    UserDir scratch;
    ASSERT_TRUE(ReadUserDir(test_.device(), scratch));
    ASSERT_TRUE(WriteUserDir(test_.device(), dir));
    EXPECT_EQ(registry().GetValue(kRegistryKey, kUserDirValue)->data.size(), 520u);

    // A second device on the same registry file stands for the next start.
    RecordingMessageBoxes messages;
    VirtualClock clock;
    DeviceOptions options;
    options.root = test_.root();
    options.registryFile = registry().file();
    Device next(options, messages, clock);
    UserDir read;
    ASSERT_TRUE(ReadUserDir(next, read));
    EXPECT_EQ(UserDirText(read), path);

    EXPECT_FALSE(SetUserDirText(dir, path + u"x"));
    EXPECT_TRUE(UserDirText(dir).empty());
}

TEST_F(UserDirTest, UnusableStoredValuesGiveAnEmptyFolder) {
    bool created = false;
    ASSERT_TRUE(registry().CreateKey(kRegistryKey, &created));
    UserDir dir;

    // A full buffer without terminator: the last unit is dropped, not overrun.
    ASSERT_TRUE(
        registry().SetString(kRegistryKey, kUserDirValue, Utf16Le(std::u16string(260, u'a'))));
    ASSERT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_EQ(UserDirText(dir), std::u16string(259, u'a'));

    ASSERT_TRUE(
        registry().SetString(kRegistryKey, kUserDirValue, Utf16Le(std::u16string(300, u'a'))));
    ASSERT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_TRUE(UserDirText(dir).empty());

    ASSERT_TRUE(registry().SetDword(kRegistryKey, kUserDirValue, 0x005C0041));
    ASSERT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_TRUE(UserDirText(dir).empty());

    ASSERT_TRUE(registry().DeleteValue(kRegistryKey, kUserDirValue));
    ASSERT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_TRUE(UserDirText(dir).empty());
    EXPECT_FALSE(registry().GetValue(kRegistryKey, kUserDirValue).has_value());
}

TEST_F(UserDirTest, WriteNeedsTheKey) {
    UserDir dir;
    SetUserDirText(dir, u"\\Books");
    EXPECT_FALSE(WriteUserDir(test_.device(), dir));
    EXPECT_FALSE(registry().KeyExists(kRegistryKey));
}

TEST_F(UserDirTest, CheckSearchesForExactlyThatPath) {
    std::filesystem::create_directories(test_.root() / "Comics" / "Weekly");
    UserDir dir;
    EXPECT_FALSE(CheckUserDir(test_.device(), dir));
    SetUserDirText(dir, u"\\Comics\\Weekly");
    EXPECT_TRUE(CheckUserDir(test_.device(), dir));
    SetUserDirText(dir, u"\\comics\\WEEKLY");
    EXPECT_TRUE(CheckUserDir(test_.device(), dir));
    SetUserDirText(dir, u"\\Comics\\Monthly");
    EXPECT_FALSE(CheckUserDir(test_.device(), dir));
}

// As the system's registry editor exports it: UTF-16LE with its mark, CRLF
// lines, the folder as quoted text. Read as it is and kept on the next write.
TEST_F(UserDirTest, AFolderExportedByTheSystemsEditorIsRead) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\r\n"
        u"\"Password\"=\"abc\"\r\n"
        u"\"UserDir\"=\"\\\\Comics\\\\\uB9CC\uD654\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::filesystem::create_directories(registry().file().parent_path());
    std::ofstream(registry().file(), std::ios::binary) << bytes;

    UserDir dir;
    ASSERT_TRUE(ReadUserDir(test_.device(), dir));
    EXPECT_EQ(UserDirText(dir), u"\\Comics\\\uB9CC\uD654");
    ASSERT_TRUE(SetUserDirText(dir, u"\\Other"));
    ASSERT_TRUE(WriteUserDir(test_.device(), dir));
    EXPECT_EQ(registry().GetString(kRegistryKey, u"Password", 8), u"abc");
}

}  // namespace
}  // namespace inkvista
