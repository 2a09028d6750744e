#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/AtomicFile.h"
#include "platform/Device.h"
#include "platform/Registry.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kKey = u"\\Software\\Quillmark\\InkVISTA";

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHost(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class RegistryTest : public ::testing::Test {
  protected:
    void TearDown() override { SetWriteFaultHook({}); }
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

TEST_F(RegistryTest, ChangesByOthersAreSeenAndWhatIsNotUsedIsKept) {
    fs::create_directories(File().parent_path());
    const std::string byHand =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; kept by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\r\n"
        "\"Password\"=dword:0000002a\r\n"
        "\"Text\"=\"A\\\\b\"\r\n"
        "\"Long\"=hex(1):41,00,\\\r\n"
        "  42,00\r\n"
        "[HKEY_LOCAL_MACHINE\\Software]\r\n"
        "\"Elsewhere\"=dword:00000001\r\n"
        "[-HKEY_CURRENT_USER\\Old]\r\n";
    WriteHost(File(), byHand);
    Registry reg(File());
    EXPECT_TRUE(reg.CheckFile(nullptr));
    EXPECT_EQ(reg.GetDword(kKey, u"Password"), 42u);
    EXPECT_EQ(reg.GetString(kKey, u"Text", 10), u"A\\b");
    EXPECT_EQ(reg.GetValue(kKey, u"Long")->data, (std::vector<uint8_t>{0x41, 0, 0x42, 0}));
    EXPECT_FALSE(reg.KeyExists(u"\\Software"));  // only the machine root had it

    ASSERT_TRUE(reg.SetDword(kKey, u"Other", 5));
    const std::string saved = ReadHost(File());
    for (const char* kept :
         {"; kept by hand\n", "[HKEY_LOCAL_MACHINE\\Software]\n", "\"Elsewhere\"=dword:00000001\n",
          "[-HKEY_CURRENT_USER\\Old]\n", "\"Long\"=hex(1):41,00,\\\n  42,00\n"}) {
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    }
    // Another program's change is seen by the next call.
    WriteHost(File(), saved + "[HKEY_CURRENT_USER\\Software\\Added]\n");
    EXPECT_TRUE(reg.KeyExists(u"software\\added"));
    EXPECT_EQ(reg.GetDword(kKey, u"other"), 5u);
}

// Whatever is not a registry file stays as it was, mode included, and every
// call fails; CheckFile says why.
TEST_F(RegistryTest, FilesThatAreNotRegistriesAreRefusedAndLeftAlone) {
    fs::create_directories(File().parent_path());
    const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10";
    const std::string cases[] = {
        std::string(png, sizeof png - 1),
        "just some notes\n",
        "Windows Registry Editor Version 5.00\n\n\"Password\"=dword:00000001\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"Cut\"=hex(1):41,0\n",
    };
    for (const std::string& content : cases) {
        WriteHost(File(), content);
        ASSERT_EQ(chmod(File().c_str(), 0644), 0);
        Registry reg(File());
        std::string problem;
        EXPECT_FALSE(reg.CheckFile(&problem));
        EXPECT_EQ(problem.rfind(File().string() + ": not a registry file: ", 0), 0u) << problem;
        bool created = true;
        EXPECT_FALSE(reg.CreateKey(kKey, &created));
        EXPECT_FALSE(created);
        EXPECT_FALSE(reg.SetDword(u"", u"x", 1));
        EXPECT_FALSE(reg.KeyExists(u""));
        EXPECT_EQ(ReadHost(File()), content);
        struct stat st {};
        ASSERT_EQ(stat(File().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u);
    }

    // A FIFO would block an open for reading until a writer came.
    fs::remove(File());
    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    Registry fifo(File());
    std::string problem;
    EXPECT_FALSE(fifo.CheckFile(&problem));
    EXPECT_EQ(problem, File().string() + ": not a regular file");
    EXPECT_FALSE(fifo.CreateKey(kKey, nullptr));
    EXPECT_TRUE(fs::is_fifo(File()));

    // A file too large to be ours; the limit is the same for writing.
    fs::remove(File());
    std::string big = "Windows Registry Editor Version 5.00\n";
    big.resize(16 * 1024 * 1024 + 1, '\n');
    WriteHost(File(), big);
    Registry large(File());
    EXPECT_FALSE(large.CheckFile(&problem));
    EXPECT_EQ(problem, File().string() + ": larger than 16 MiB, the most a registry file holds");
    big.pop_back();
    WriteHost(File(), big);
    EXPECT_TRUE(large.CheckFile(&problem));
}

TEST_F(RegistryTest, NeverWritesWhatItCouldNotReadBack) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    // Every byte takes three characters in the file: 4 MiB fit, 6 MiB do not.
    ASSERT_TRUE(reg.SetString(kKey, u"Large", std::vector<uint8_t>(4 << 20, 0x41)));
    const std::string before = ReadHost(File());
    EXPECT_FALSE(reg.SetString(kKey, u"Huge", std::vector<uint8_t>(6 << 20, 0x42)));
    EXPECT_FALSE(reg.SetString(kKey, u"Large", std::vector<uint8_t>(6 << 20, 0x42)));
    EXPECT_EQ(ReadHost(File()), before);
    EXPECT_FALSE(reg.GetValue(kKey, u"Huge"));
    EXPECT_EQ(reg.GetValue(kKey, u"Large")->data.size(), 4u << 20);
    EXPECT_TRUE(reg.SetDword(kKey, u"Small", 1));
    EXPECT_EQ(Registry(File()).GetDword(kKey, u"Small"), 1u);
}

TEST_F(RegistryTest, ReadOnlyFileKeepsChangesInMemoryAndSaysSoOnce) {
    {
        Registry writer(File());
        ASSERT_TRUE(writer.CreateKey(kKey, nullptr));
        ASSERT_TRUE(writer.SetDword(kKey, u"Password", 1));
    }
    ASSERT_EQ(chmod(File().c_str(), 0444), 0);
    const std::string before = ReadHost(File());

    Registry reg(File());
    testing::internal::CaptureStderr();
    bool created = false;
    EXPECT_TRUE(reg.CreateKey(u"\\Software\\New", &created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(reg.SetDword(kKey, u"Password", 2));
    EXPECT_TRUE(reg.SetDword(u"\\Software\\New", u"v", 3));
    EXPECT_TRUE(reg.DeleteValue(u"\\Software\\New", u"v"));
    // Still bound by what a file could hold.
    EXPECT_FALSE(reg.SetString(kKey, u"Huge", std::vector<uint8_t>(6 << 20, 0x42)));
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(reg.readOnly());
    EXPECT_EQ(reg.GetDword(kKey, u"Password"), 2u);
    EXPECT_TRUE(reg.KeyExists(u"\\Software\\New"));
    EXPECT_FALSE(reg.GetValue(u"\\Software\\New", u"v"));
    EXPECT_FALSE(reg.GetValue(kKey, u"Huge"));
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(File().string() + " is read-only"), std::string::npos) << said;
    EXPECT_EQ(ReadHost(File()), before);
    struct stat st {};
    ASSERT_EQ(stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(Registry(File()).GetDword(kKey, u"Password"), 1u);
}

TEST_F(RegistryTest, ASymlinkIsFollowedAndItsTargetReplacedInItsFolder) {
    const fs::path real = t_.base() / "elsewhere" / "shared.reg";
    fs::create_directories(real.parent_path());
    WriteHost(real, "Windows Registry Editor Version 5.00\n");
    fs::create_directories(File().parent_path());
    fs::create_symlink(real, File());

    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    ASSERT_TRUE(reg.SetDword(kKey, u"Password", 9));
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(fs::read_symlink(File()), real);
    EXPECT_EQ(Registry(real).GetDword(kKey, u"Password"), 9u);
    for (const fs::path& folder : {real.parent_path(), File().parent_path()}) {
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << folder;
    }
}

TEST_F(RegistryTest, LeftoversOfACrashedRunAreRemovedAtTheFirstRead) {
    fs::create_directories(File().parent_path());
    const fs::path folder = File().parent_path();
    const std::string head = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n";
    struct Leftover {
        std::string name, content;
        mode_t mode;
        bool old, goes;
    };
    const Leftover leftovers[] = {
        {".registry.reg.inkvista-a1B2c3.tmp", "half", 0600, true, true},
        {".registry.reg.inkvista-d4E5f6.tmp", "half", 0600, false, false},  // may be in use
        // What "cp registry.reg registry.reg.Backup" and the like make.
        {"registry.reg.Backup", head, 0600, true, false},
        {"registry.reg.Xy12Zq", head, 0600, true, false},
        {".registry.reg.a1B2c3.tmp", head, 0600, true, false},
    };
    for (const Leftover& l : leftovers) {
        WriteHost(folder / l.name, l.content);
        ASSERT_EQ(chmod((folder / l.name).c_str(), l.mode), 0);
        if (l.old) {
            const struct utimbuf hourAgo = {time(nullptr) - 3600, time(nullptr) - 3600};
            ASSERT_EQ(utime((folder / l.name).c_str(), &hourAgo), 0);
        }
    }
    Registry reg(File());
    EXPECT_FALSE(reg.KeyExists(kKey));
    for (const Leftover& l : leftovers) EXPECT_EQ(fs::exists(folder / l.name), !l.goes) << l.name;
}

TEST_F(RegistryTest, GetStringStopsAtTheFirstZeroAndAtItsLimits) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    const std::vector<uint8_t> bytes = {'a', 0, 0x5C, 0xD5, 'c', 0, 0, 0, 'z', 0, 'y'};
    ASSERT_TRUE(reg.SetString(kKey, u"S", bytes));
    EXPECT_EQ(reg.GetString(kKey, u"s", 100), u"a\uD55Cc");
    EXPECT_EQ(reg.GetString(kKey, u"S", 2), u"a\uD55C");
    EXPECT_EQ(reg.GetString(kKey, u"S", 0), u"");
    EXPECT_EQ(reg.GetString(kKey, u"S", 100, bytes.size()), u"a\uD55Cc");
    EXPECT_FALSE(reg.GetString(kKey, u"S", 100, bytes.size() - 1));
    ASSERT_TRUE(reg.SetString(kKey, u"Odd", {'a', 0, 'b'}));
    EXPECT_EQ(reg.GetString(kKey, u"Odd", 100), u"a");
    ASSERT_TRUE(reg.SetDword(kKey, u"Number", 0x41));
    EXPECT_FALSE(reg.GetString(kKey, u"Number", 100));
    EXPECT_FALSE(reg.GetString(kKey, u"Missing", 100));
}

// A write that fails at any step leaves the file as it was and is reported.
TEST_F(RegistryTest, AFailedWriteAtAnyStepLeavesTheOldFile) {
    Registry reg(File());
    ASSERT_TRUE(reg.CreateKey(kKey, nullptr));
    ASSERT_TRUE(reg.SetDword(kKey, u"Password", 1));
    const std::string before = ReadHost(File());
    for (WriteStep failing : {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::FlushFile,
                              WriteStep::Rename, WriteStep::FlushFolder}) {
        SCOPED_TRACE(static_cast<int>(failing));
        SetWriteFaultHook([failing](WriteStep s) { return s != failing; });
        EXPECT_FALSE(reg.SetDword(kKey, u"Password", 2));
        SetWriteFaultHook({});
        if (failing == WriteStep::FlushFolder) {
            // Renamed already: the new file is whole, though maybe not durable.
            EXPECT_EQ(reg.GetDword(kKey, u"Password"), 2u);
            ASSERT_TRUE(reg.SetDword(kKey, u"Password", 1));
        } else {
            EXPECT_EQ(ReadHost(File()), before);
            EXPECT_EQ(reg.GetDword(kKey, u"Password"), 1u);
        }
        EXPECT_EQ(
            std::distance(fs::directory_iterator(File().parent_path()), fs::directory_iterator()),
            1);
    }
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
