#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/Device.h"
#include "platform/Registry.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kKey = u"\\Software\\Quillmark\\InkVISTA";

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RegistryTest : public ::testing::Test {
  protected:
    fs::path File() { return t_.base() / "config" / "InkVISTA" / "registry.reg"; }
    TestDevice t_;
};

TEST_F(RegistryTest, CreateKeyTellsCreatedFromOpened) {
    Registry reg(File());
    EXPECT_FALSE(reg.KeyExists(kKey));
    bool created = false;
    ASSERT_TRUE(reg.CreateKey(kKey, &created));
    EXPECT_TRUE(created);
    ASSERT_TRUE(reg.CreateKey(u"software\\QUILLMARK\\inkvista", &created));
    EXPECT_FALSE(created);
    // Parents came into being with it.
    EXPECT_TRUE(reg.KeyExists(u"Software\\Quillmark"));
    EXPECT_TRUE(reg.KeyExists(u"\\SOFTWARE"));
    // A new subkey is filed under its parents' spelling.
    ASSERT_TRUE(reg.CreateKey(u"SOFTWARE\\quillmark\\Other", &created));
    EXPECT_TRUE(created);
    EXPECT_NE(ReadHost(File()).find("[HKEY_CURRENT_USER\\Software\\Quillmark\\Other]"),
              std::string::npos);
    // A second object on the same file sees the key.
    Registry again(File());
    EXPECT_TRUE(again.KeyExists(kKey));
    ASSERT_TRUE(again.CreateKey(kKey, &created));
    EXPECT_FALSE(created);
}

TEST_F(RegistryTest, StringBytesSurviveExactly) {
    // The user folder is stored as its whole 520-byte buffer: text, a
    // terminator and whatever followed it, zeros included.
    std::vector<uint8_t> bytes(520, 0);
    const std::u16string text = u"\\My Documents\\\uB9CC\uD654";
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(text[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    for (size_t i = 300; i < 520; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    bytes[519] = 0x5C;  // a backslash byte at the very end
    {
        Registry reg(File());
        ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
        ASSERT_TRUE(reg.SetString(kKey, u"UserDir", bytes));
        ASSERT_TRUE(reg.SetString(kKey, u"Empty", {0, 0}));
        ASSERT_TRUE(reg.SetDword(kKey, u"Password", 0xDEADBEEF));
        ASSERT_TRUE(reg.SetDword(kKey, u"Zero", 0));
    }
    Registry reg(File());
    const auto v = reg.GetValue(kKey, u"userdir");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_SZ);
    EXPECT_EQ(v->data, bytes);
    EXPECT_EQ(reg.GetValue(kKey, u"Empty")->data, (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(reg.GetDword(kKey, u"PASSWORD"), 0xDEADBEEFu);
    EXPECT_EQ(reg.GetDword(kKey, u"Zero"), 0u);
    EXPECT_FALSE(reg.GetDword(kKey, u"UserDir"));  // not a number
    EXPECT_FALSE(reg.GetValue(kKey, u"Missing"));
    EXPECT_FALSE(reg.GetValue(u"\\Software\\Other", u"UserDir"));
}

TEST_F(RegistryTest, ValuesNeedAnExistingKey) {
    Registry reg(File());
    EXPECT_FALSE(reg.SetDword(kKey, u"Password", 1));
    EXPECT_FALSE(fs::exists(File()));
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    EXPECT_TRUE(reg.SetDword(kKey, u"Password", 1));
    EXPECT_TRUE(reg.DeleteValue(kKey, u"password"));
    EXPECT_FALSE(reg.DeleteValue(kKey, u"password"));
    EXPECT_FALSE(reg.GetValue(kKey, u"Password"));
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubkeys) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    ASSERT_TRUE(reg.CreateKey(u"\\Software\\Quillmarkers", nullptr));
    ASSERT_TRUE(reg.SetDword(kKey, u"Password", 7));
    EXPECT_TRUE(reg.DeleteKey(u"\\Software\\Quillmark"));
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_FALSE(reg.KeyExists(u"\\Software\\Quillmark"));
    // A sibling that merely starts with the same letters stays.
    EXPECT_TRUE(reg.KeyExists(u"\\Software\\Quillmarkers"));
    EXPECT_FALSE(reg.DeleteKey(u"\\Software\\Quillmark"));
}

TEST_F(RegistryTest, FileIsWrittenAtomicallyAndPrivately) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    ASSERT_TRUE(reg.SetDword(kKey, u"Password", 0x1234));
    struct stat st;
    ASSERT_EQ(stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Only the file itself in its folder: no temporary file left behind.
    std::vector<fs::path> present;
    for (const auto& e : fs::directory_iterator(File().parent_path())) present.push_back(e.path());
    EXPECT_EQ(present, std::vector<fs::path>{File()});
    // Readable by the system's own registry tools.
    const std::string text = ReadHost(File());
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\n"
                        "\"Password\"=dword:00001234\n"),
              std::string::npos);
    // A file someone made world-readable is private again after the next write.
    ASSERT_EQ(chmod(File().c_str(), 0644), 0);
    ASSERT_TRUE(reg.SetDword(kKey, u"Password", 1));
    ASSERT_EQ(stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, ChangesByOthersAreSeenAndDamageIsIgnored) {
    fs::create_directories(File().parent_path());
    std::ofstream(File()) << "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\r\n"
                             "\"Password\"=dword:0000002a\r\n"
                             "\"Broken\"=dword:xyz\r\n"
                             "\"Cut\"=hex(1):41,0\r\n"
                             "garbage line without meaning\r\n"
                             "\"Text\"=\"A\\\\b\"\r\n"
                             "\"Long\"=hex(1):41,00,\\\r\n"
                             "  42,00\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software]\r\n"
                             "\"Elsewhere\"=dword:00000001\r\n"
                             "[HKEY_CURRENT_USER\\Unclosed\r\n";
    Registry reg(File());
    EXPECT_EQ(reg.GetDword(kKey, u"Password"), 42u);
    EXPECT_FALSE(reg.GetValue(kKey, u"Broken"));
    EXPECT_FALSE(reg.GetValue(kKey, u"Cut"));
    EXPECT_EQ(reg.GetValue(kKey, u"Text")->data,
              (std::vector<uint8_t>{'A', 0, '\\', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(reg.GetValue(kKey, u"Long")->data, (std::vector<uint8_t>{0x41, 0, 0x42, 0}));
    EXPECT_FALSE(reg.KeyExists(u"\\Software"));  // only the machine root had it
    // Rewriting keeps what was readable.
    ASSERT_TRUE(reg.SetDword(kKey, u"Other", 5));
    Registry again(File());
    EXPECT_EQ(again.GetDword(kKey, u"Password"), 42u);
    EXPECT_EQ(again.GetValue(kKey, u"Long")->data, (std::vector<uint8_t>{0x41, 0, 0x42, 0}));
}

TEST_F(RegistryTest, UnreadableFileFailsWithoutBeingReplaced) {
    // A folder where the file should be: nothing can be read or written.
    fs::create_directories(File());
    Registry reg(File());
    bool created = true;
    EXPECT_FALSE(reg.CreateKey(kKey, &created));
    EXPECT_FALSE(created);
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_FALSE(reg.GetValue(kKey, u"UserDir"));
    EXPECT_TRUE(fs::is_directory(File()));
}

TEST_F(RegistryTest, ValueNamesNeedingEscapes) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    ASSERT_TRUE(reg.SetDword(kKey, u"say \"hi\" \\ bye", 3));
    ASSERT_TRUE(reg.SetDword(kKey, u"", 4));  // the key's default value
    Registry again(File());
    EXPECT_EQ(again.GetDword(kKey, u"say \"hi\" \\ bye"), 3u);
    EXPECT_EQ(again.GetDword(kKey, u""), 4u);
    // Setting a value under another spelling keeps the first.
    ASSERT_TRUE(again.SetDword(kKey, u"SAY \"HI\" \\ BYE", 5));
    EXPECT_NE(ReadHost(File()).find("\"say \\\"hi\\\" \\\\ bye\"=dword:00000005"),
              std::string::npos);
}

TEST_F(RegistryTest, TestDeviceKeepsItsRegistryInItsFolder) {
    bool created = false;
    ASSERT_TRUE(t_.device().registry().CreateKey(kKey, &created));
    EXPECT_TRUE(created);
    EXPECT_EQ(t_.device().registry().file().parent_path(), t_.base());
    EXPECT_TRUE(fs::exists(t_.device().registry().file()));
}

}  // namespace
}  // namespace inkvista
