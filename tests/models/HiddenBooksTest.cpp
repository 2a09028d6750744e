// The password store, the Password Setting check and the removal of hidden
// books after a password reset.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>

#include "models/HiddenBooks.h"
#include "platform/Win32.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

Password Make(std::u16string_view text) {
    Password password{};
    SetPasswordText(password, text);
    return password;
}

class HiddenBooksTest : public ::testing::Test {
  protected:
    Device& device() { return test.device(); }
    std::optional<RegistryValue> Stored() {
        return device().registry().GetValue(kRegistryKey, kPasswordValue);
    }
    // A book file at a device path; `hidden` marks it with the hidden
    // attribute (and `readOnly` with read-only).
    void Book(const std::u16string& path, bool hidden, bool readOnly = false) {
        const fs::path host = test.Host(path);
        fs::create_directories(host.parent_path());
        std::ofstream(host) << "book";
        uint32_t attributes = hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
        if (readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
        ASSERT_TRUE(device().files().SetAttributes(path, attributes));
    }
    bool Exists(const std::u16string& path) { return fs::exists(test.Host(path)); }
    bool KeepsAttributes() {
        const fs::path probe = test.root() / "probe";
        std::ofstream(probe) << "x";
        const bool kept = setxattr(probe.c_str(), "user.DOSATTRIB", "0x2", 3, 0) == 0;
        fs::remove(probe);
        return kept;
    }

    TestDevice test;
};

TEST_F(HiddenBooksTest, StoredAsEighteenBytesOfStringWithZeroesAfterTheText) {
    Password password{};
    ASSERT_TRUE(LoadPassword(device(), password));
    ASSERT_TRUE(StorePassword(device(), Make(u"abc")));
    const auto value = Stored();
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, static_cast<uint32_t>(REG_SZ));
    std::vector<uint8_t> expected(18, 0);
    expected[0] = 'a';
    expected[2] = 'b';
    expected[4] = 'c';
    EXPECT_EQ(value->data, expected);

    // Garbage after the terminator in memory never reaches the registry.
    Password dirty = Make(u"xy");
    dirty[5] = u'Q';
    ASSERT_TRUE(StorePassword(device(), dirty));
    EXPECT_EQ(Stored()->data[10], 0);

    // It loads back; the empty password (a reset) is stored too.
    ASSERT_TRUE(LoadPassword(device(), password));
    EXPECT_EQ(PasswordText(password), u"xy");
    ASSERT_TRUE(StorePassword(device(), Password{}));
    EXPECT_EQ(Stored()->data, std::vector<uint8_t>(18, 0));
    ASSERT_TRUE(LoadPassword(device(), password));
    EXPECT_FALSE(PasswordSet(password));
}

TEST_F(HiddenBooksTest, StoringNeedsTheKeyAndKeepsTheRegistryFilePrivate) {
    EXPECT_FALSE(StorePassword(device(), Make(u"abc")));
    EXPECT_FALSE(Stored());
    Password password{};
    ASSERT_TRUE(LoadPassword(device(), password));
    ASSERT_TRUE(StorePassword(device(), Make(u"secret")));
    struct stat st {};
    ASSERT_EQ(stat(device().registry().file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(HiddenBooksTest, ATextLongerThanEightIsCut) {
    EXPECT_EQ(PasswordText(Make(u"123456789")), u"12345678");
    EXPECT_EQ(Make(u"123456789")[8], u'\0');
}

TEST_F(HiddenBooksTest, PasswordChangeChecksTheOldPasswordFirst) {
    const Password none{};
    // No password: an empty old password and any matching pair.
    EXPECT_EQ(CheckPasswordChange(none, u"", u"new", u"new"), PasswordChange::Accepted);
    EXPECT_EQ(CheckPasswordChange(none, u"", u"", u""), PasswordChange::Accepted);
    EXPECT_EQ(CheckPasswordChange(none, u"x", u"new", u"new"), PasswordChange::IncorrectOld);

    const Password set = Make(u"Abc");
    // Exact comparison: letter case counts.
    EXPECT_EQ(CheckPasswordChange(set, u"abc", u"n", u"n"), PasswordChange::IncorrectOld);
    EXPECT_EQ(CheckPasswordChange(set, u"", u"n", u"n"), PasswordChange::IncorrectOld);
    // A wrong old password is reported even when the new texts differ too.
    EXPECT_EQ(CheckPasswordChange(set, u"Ab", u"n", u"m"), PasswordChange::IncorrectOld);
    EXPECT_EQ(CheckPasswordChange(set, u"Abc", u"n", u"m"), PasswordChange::DifferentTexts);
    EXPECT_EQ(CheckPasswordChange(set, u"Abc", u"", u""), PasswordChange::Accepted);
}

TEST_F(HiddenBooksTest, ResetRemovesHiddenBooksOfEveryFolderAndNothingElse) {
    if (!KeepsAttributes()) GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    test.AddCard(u"SD");
    std::filesystem::create_directories(test.Host(u"\\Comics"));
    Book(u"\\My Documents\\InkVISTA\\a.cmb", true);
    Book(u"\\My Documents\\InkVISTA\\b.cxb", true);
    Book(u"\\My Documents\\InkVISTA\\c.cmb", false);
    Book(u"\\My Documents\\InkVISTA\\notes.txt", true);
    Book(u"\\SD\\InkVISTA\\d.CMB", true);
    Book(u"\\Comics\\e.cxb", true);
    Book(u"\\Comics\\f.cmb", false);
    Book(u"\\My Documents\\g.cmb", true);  // no book folder

    BookFolders folders;
    folders.documentsRoot = u"\\My Documents";
    folders.cardNames[0] = u"SD";
    folders.cardCount = 1;
    folders.userDir = u"\\Comics";
    folders.userDirExists = true;
    EXPECT_EQ(DeleteHiddenBooks(device(), folders), 4);

    EXPECT_FALSE(Exists(u"\\My Documents\\InkVISTA\\a.cmb"));
    EXPECT_FALSE(Exists(u"\\My Documents\\InkVISTA\\b.cxb"));
    EXPECT_FALSE(Exists(u"\\SD\\InkVISTA\\d.CMB"));
    EXPECT_FALSE(Exists(u"\\Comics\\e.cxb"));
    EXPECT_TRUE(Exists(u"\\My Documents\\InkVISTA\\c.cmb"));
    EXPECT_TRUE(Exists(u"\\My Documents\\InkVISTA\\notes.txt"));
    EXPECT_TRUE(Exists(u"\\Comics\\f.cmb"));
    EXPECT_TRUE(Exists(u"\\My Documents\\g.cmb"));
}

TEST_F(HiddenBooksTest, ResetLeavesFoldersItWasNotGiven) {
    if (!KeepsAttributes()) GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    test.AddCard(u"SD");
    std::filesystem::create_directories(test.Host(u"\\Comics"));
    Book(u"\\SD\\InkVISTA\\d.cmb", true);
    Book(u"\\Comics\\e.cmb", true);
    BookFolders folders;
    folders.documentsRoot = u"\\My Documents";
    folders.cardNames[0] = u"SD";
    folders.cardCount = 0;  // the card came after the last refresh
    folders.userDir = u"\\Comics";
    folders.userDirExists = false;  // not checked since
    EXPECT_EQ(DeleteHiddenBooks(device(), folders), 0);
    EXPECT_TRUE(Exists(u"\\SD\\InkVISTA\\d.cmb"));
    EXPECT_TRUE(Exists(u"\\Comics\\e.cmb"));
    // A count beyond the three names is not trusted.
    folders.cardCount = 7;
    EXPECT_EQ(DeleteHiddenBooks(device(), folders), 1);
}

TEST_F(HiddenBooksTest, AHiddenReadOnlyBookDoesNotOutliveTheReset) {
    if (!KeepsAttributes()) GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    Book(u"\\My Documents\\InkVISTA\\locked.cmb", true, true);
    BookFolders folders;
    folders.documentsRoot = u"\\My Documents";
    EXPECT_EQ(DeleteHiddenBooks(device(), folders), 1);
    EXPECT_FALSE(Exists(u"\\My Documents\\InkVISTA\\locked.cmb"));
}

}  // namespace
}  // namespace inkvista
