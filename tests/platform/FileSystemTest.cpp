#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Device.h"
#include "platform/FileSystem.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

void WriteHost(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FileSystemTest : public ::testing::Test {
  protected:
    FileSystem& files() { return t_.device().files(); }
    fs::path docs() { return t_.Host(u"\\My Documents"); }

    // Every name a listing yields, first to last.
    std::vector<std::u16string> List(std::u16string_view pattern, uint32_t* error = nullptr) {
        std::vector<std::u16string> names;
        FindData d;
        FindHandle h = files().FindFirst(pattern, &d);
        if (!h) {
            if (error) *error = files().LastError();
            return names;
        }
        do {
            names.push_back(d.name);
        } while (files().FindNext(h, &d));
        EXPECT_EQ(files().LastError(), ERROR_NO_MORE_FILES);
        if (error) *error = ERROR_SUCCESS;
        return names;
    }

    TestDevice t_;
};

using Names = std::vector<std::u16string>;

TEST_F(FileSystemTest, OpenModesAndTheirFailures) {
    // Missing file in an existing folder: 2; missing folder: 3.
    EXPECT_FALSE(
        files().Open(u"\\My Documents\\none.opt", FileAccess::Read, FileCreation::OpenExisting));
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files().Open(u"\\My Documents\\InkVISTA\\InkVISTA.opt", FileAccess::Read,
                              FileCreation::OpenExisting));
    EXPECT_EQ(files().LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(files().Open(u"\\nowhere\\a", FileAccess::ReadWrite, FileCreation::CreateNew));
    EXPECT_EQ(files().LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(
        files().Open(u"\\My Documents\\none", FileAccess::Write, FileCreation::TruncateExisting));
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);

    // Create new, then fail to create it again.
    {
        File f =
            files().Open(u"\\My Documents\\a.bin", FileAccess::ReadWrite, FileCreation::CreateNew);
        ASSERT_TRUE(f);
        ASSERT_TRUE(f.Write("0123456789", 10));
    }
    EXPECT_FALSE(
        files().Open(u"\\MY DOCUMENTS\\A.BIN", FileAccess::ReadWrite, FileCreation::CreateNew));
    EXPECT_EQ(files().LastError(), ERROR_FILE_EXISTS);

    // Writing to an existing file without truncating overwrites from the start.
    {
        File f =
            files().Open(u"\\My Documents\\A.bin", FileAccess::Write, FileCreation::OpenExisting);
        ASSERT_TRUE(f);
        ASSERT_TRUE(f.Write("ab", 2));
    }
    EXPECT_EQ(ReadHost(docs() / "a.bin"), "ab23456789");

    // Create-always truncates and says the file was there.
    {
        File f =
            files().Open(u"\\My Documents\\a.bin", FileAccess::Write, FileCreation::CreateAlways);
        ASSERT_TRUE(f);
        EXPECT_EQ(files().LastError(), ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(f.Write("xyz", 3));
    }
    EXPECT_EQ(ReadHost(docs() / "a.bin"), "xyz");
    {
        File f = files().Open(u"\\My Documents\\a.bin", FileAccess::Write,
                              FileCreation::TruncateExisting);
        ASSERT_TRUE(f);
        EXPECT_EQ(f.Size(), 0u);
    }
    // A folder is not a file.
    EXPECT_FALSE(files().Open(u"\\My Documents", FileAccess::Read, FileCreation::OpenExisting));
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileSystemTest, ReadSeekAndSize) {
    WriteHost(docs() / "data", "ABCDEFGHIJ");
    File f = files().Open(u"\\My Documents\\data", FileAccess::Read, FileCreation::OpenExisting);
    ASSERT_TRUE(f);
    EXPECT_EQ(f.Size(), 10u);
    char buf[16] = {};
    uint32_t got = 0;
    ASSERT_TRUE(f.Read(buf, 4, &got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buf, 4), "ABCD");
    ASSERT_TRUE(f.Seek(8));
    // Reading past the end is not a failure: fewer bytes come back.
    ASSERT_TRUE(f.Read(buf, 16, &got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buf, 2), "IJ");
    ASSERT_TRUE(f.Read(buf, 16, &got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(f.Seek(2));
    ASSERT_TRUE(f.Skip(3));
    EXPECT_EQ(f.Position(), 5u);
    EXPECT_TRUE(f.ReadExact(buf, 5));
    EXPECT_EQ(std::string(buf, 5), "FGHIJ");
    ASSERT_TRUE(f.Seek(7));
    EXPECT_FALSE(f.ReadExact(buf, 5));
    EXPECT_EQ(files().LastError(), ERROR_HANDLE_EOF);
    EXPECT_FALSE(f.Skip(-100));
    // Opened for reading only: writing fails.
    EXPECT_FALSE(f.Write("x", 1));
    f.Close();
    EXPECT_FALSE(f.Read(buf, 1, &got));
    EXPECT_EQ(files().LastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileSystemTest, FileMovesOwnership) {
    WriteHost(docs() / "data", "AB");
    File a = files().Open(u"\\My Documents\\data", FileAccess::Read, FileCreation::OpenExisting);
    ASSERT_TRUE(a);
    File b = std::move(a);
    EXPECT_FALSE(a);
    char c = 0;
    EXPECT_TRUE(b.ReadExact(&c, 1));
    EXPECT_EQ(c, 'A');
    a = std::move(b);
    EXPECT_TRUE(a.ReadExact(&c, 1));
    EXPECT_EQ(c, 'B');
}

TEST_F(FileSystemTest, DeleteAndCreateDirectory) {
    EXPECT_TRUE(files().CreateDirectory(u"\\My Documents\\InkVISTA"));
    EXPECT_FALSE(files().CreateDirectory(u"\\my documents\\inkvista"));
    EXPECT_EQ(files().LastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(files().CreateDirectory(u"\\My Documents\\a\\b"));
    EXPECT_EQ(files().LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(fs::is_directory(docs() / "InkVISTA"));

    WriteHost(docs() / "InkVISTA" / "Book.cmb", "x");
    EXPECT_FALSE(files().DeleteFile(u"\\My Documents\\InkVISTA"));  // a folder
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(files().DeleteFile(u"\\My Documents\\inkvista\\BOOK.CMB"));
    EXPECT_FALSE(fs::exists(docs() / "InkVISTA" / "Book.cmb"));
    EXPECT_FALSE(files().DeleteFile(u"\\My Documents\\InkVISTA\\Book.cmb"));
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemTest, ReadOnlyFilesRefuseWritingAndDeletion) {
    WriteHost(docs() / "ro.cmb", "data");
    fs::permissions(docs() / "ro.cmb", fs::perms::owner_write, fs::perm_options::remove);
    // Holds for every user, root included, as on the device.
    EXPECT_FALSE(
        files().Open(u"\\My Documents\\ro.cmb", FileAccess::Write, FileCreation::OpenExisting));
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(files().DeleteFile(u"\\My Documents\\ro.cmb"));
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(
        files().Open(u"\\My Documents\\ro.cmb", FileAccess::Read, FileCreation::OpenExisting));
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\ro.cmb") & FILE_ATTRIBUTE_READONLY,
              FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileSystemTest, ListingIsInCaseInsensitiveNameOrder) {
    for (const char* name : {"b.cmb", "A.CMB", "c.cmb", "_x.cmb", "B2.cmb", "a.cxb"}) {
        WriteHost(docs() / name, "x");
    }
    EXPECT_EQ(List(u"\\My Documents\\*.cmb"),
              (Names{u"A.CMB", u"b.cmb", u"B2.cmb", u"c.cmb", u"_x.cmb"}));
    EXPECT_EQ(List(u"\\My Documents\\*.CXB"), (Names{u"a.cxb"}));
    // Names differing only in case come out the same way every time.
    WriteHost(docs() / "Dup.cmb", "x");
    WriteHost(docs() / "dup.cmb", "x");
    EXPECT_EQ(List(u"\\My Documents\\d*"), (Names{u"Dup.cmb", u"dup.cmb"}));
}

TEST_F(FileSystemTest, PatternsAndExactNames) {
    fs::create_directories(docs() / "InkVISTA");
    for (const char* name : {"a1.cmb", "a22.cmb", "README", "x.cmbx"}) {
        WriteHost(docs() / "InkVISTA" / name, "x");
    }
    EXPECT_EQ(List(u"\\My Documents\\InkVISTA\\a?.cmb"), (Names{u"a1.cmb"}));
    EXPECT_EQ(List(u"\\My Documents\\InkVISTA\\*.cmb"), (Names{u"a1.cmb", u"a22.cmb"}));
    // "*.*" takes names without a dot as well.
    EXPECT_EQ(List(u"\\My Documents\\InkVISTA\\*.*"),
              (Names{u"a1.cmb", u"a22.cmb", u"README", u"x.cmbx"}));
    // An exact path finds one entry, spelt as stored; this is how folders
    // are tested for existence.
    FindData d;
    FindHandle h = files().FindFirst(u"\\my documents\\INKVISTA", &d);
    ASSERT_TRUE(h);
    EXPECT_EQ(d.name, u"InkVISTA");
    EXPECT_TRUE(d.IsDirectory());
    EXPECT_FALSE(files().FindNext(h, &d));
    EXPECT_EQ(files().LastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(files().FindFirst(u"\\My Documents\\InkVISTA\\readme", &d));
    EXPECT_EQ(d.name, u"README");
    EXPECT_FALSE(d.IsDirectory());
    // "." and ".." are never listed.
    EXPECT_FALSE(files().FindFirst(u"\\My Documents\\InkVISTA\\.", &d));
    EXPECT_EQ(List(u"\\My Documents\\InkVISTA\\.*"), Names{});
}

TEST_F(FileSystemTest, FailedSearchesTellTheirCause) {
    fs::create_directories(docs() / "Empty");
    fs::create_directories(docs() / "Full");
    WriteHost(docs() / "Full" / "note.txt", "x");
    uint32_t error = 0;
    // The folder exists, nothing matches.
    EXPECT_EQ(List(u"\\My Documents\\Full\\*.cmb", &error), Names{});
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    // The folder holds nothing at all.
    EXPECT_EQ(List(u"\\My Documents\\Empty\\*.*", &error), Names{});
    EXPECT_EQ(error, ERROR_NO_MORE_FILES);
    // The folder does not exist, or is a file.
    EXPECT_EQ(List(u"\\My Documents\\Missing\\*.cmb", &error), Names{});
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(List(u"\\My Documents\\Full\\note.txt\\*.*", &error), Names{});
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(List(u"\\Storage Card", &error), Names{});
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    // Wildcards belong only in the last component.
    EXPECT_EQ(List(u"\\My *\\*.cmb", &error), Names{});
    EXPECT_EQ(error, ERROR_INVALID_NAME);
    // FindNext on a handle that never opened.
    FindHandle none;
    FindData d;
    EXPECT_FALSE(files().FindNext(none, &d));
    EXPECT_EQ(files().LastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileSystemTest, RootListingShowsMountedFoldersOnce) {
    fs::create_directories(t_.root() / "Program Files");
    fs::create_directories(t_.root() / "my documents");  // shadowed by the mount
    WriteHost(t_.root() / "autorun.inf", "x");
    t_.AddCard(u"Storage Card");
    EXPECT_EQ(List(u"\\*.*"),
              (Names{u"autorun.inf", u"My Documents", u"Program Files", u"Storage Card"}));
    FindData d;
    ASSERT_TRUE(files().FindFirst(u"\\storage card", &d));
    EXPECT_EQ(d.name, u"Storage Card");
    EXPECT_EQ(d.attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    // The card's own folders are reached through it.
    EXPECT_TRUE(files().CreateDirectory(u"\\Storage Card\\InkVISTA"));
    EXPECT_TRUE(fs::is_directory(t_.base() / "cards" / "Storage Card" / "InkVISTA"));
    // A card whose folder has gone is not listed.
    fs::remove_all(t_.base() / "cards" / "Storage Card");
    EXPECT_EQ(List(u"\\*.*"), (Names{u"autorun.inf", u"My Documents", u"Program Files"}));
}

TEST_F(FileSystemTest, SizeIsTheLowHalfAndFoldersHaveNone) {
    const fs::path big = docs() / "big.cmb";
    WriteHost(big, "");
    // A sparse file a little over 4 GiB.
    ASSERT_EQ(truncate(big.c_str(), (int64_t(1) << 32) + 5), 0);
    fs::create_directories(docs() / "sub");
    FindData d;
    ASSERT_TRUE(files().FindFirst(u"\\My Documents\\big.cmb", &d));
    EXPECT_EQ(d.sizeLow, 5u);
    ASSERT_TRUE(files().FindFirst(u"\\My Documents\\sub", &d));
    EXPECT_EQ(d.sizeLow, 0u);
    File f = files().Open(u"\\My Documents\\big.cmb", FileAccess::Read, FileCreation::OpenExisting);
    EXPECT_EQ(f.Size(), (uint64_t(1) << 32) + 5);
}

TEST_F(FileSystemTest, PathsPastMaxPathWorkUpToTheLongPathBound) {
    // The host allows only 255 bytes per name; folders make the path long.
    std::u16string deep = u"\\My Documents\\";
    while (deep.size() < 300) {
        deep += std::u16string(100, u'd');
        ASSERT_TRUE(files().CreateDirectory(deep)) << files().LastError();
        deep += u"\\";
    }
    const std::u16string book = deep + u"book.cmb";
    File f = files().Open(book, FileAccess::Write, FileCreation::CreateNew);
    EXPECT_TRUE(f) << files().LastError();
    f.Close();
    FindData found;
    EXPECT_TRUE(files().FindFirst(deep + u"*.cmb", &found));
    EXPECT_EQ(found.name, u"book.cmb");
    EXPECT_NE(files().GetAttributes(book), INVALID_FILE_ATTRIBUTES);

    const std::u16string over = u"\\My Documents\\" + std::u16string(kMaxLongPathUnits, u'n');
    EXPECT_FALSE(files().Open(over, FileAccess::Write, FileCreation::CreateNew));
    EXPECT_EQ(files().LastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FALSE(files().FindFirst(over, nullptr));
    EXPECT_EQ(files().LastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(files().GetAttributes(over), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files().LastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(FileSystemTest, AttributesOfPlainFilesAndFolders) {
    WriteHost(docs() / "book.cmb", "x");
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\book.cmb"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(files().GetAttributes(u"\\My Documents"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(files().GetAttributes(u"\\"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(files().GetAttributes(u"\\none\\none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files().LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(files().SetAttributes(u"\\My Documents\\none", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);
}

// --- attributes -------------------------------------------------------------------

bool OwnerCanWrite(const fs::path& p) {
    return (fs::status(p).permissions() & fs::perms::owner_write) != fs::perms::none;
}

// Hidden and archive live in an extended attribute; a host file system
// without user attributes (and not FAT) cannot keep them.
bool KeepsUserAttributes(const fs::path& dir) {
    const fs::path probe = dir / ".probe";
    WriteHost(probe, "");
    const bool supported = setxattr(probe.c_str(), "user.DOSATTRIB", "0x2", 3, 0) == 0;
    fs::remove(probe);
    return supported;
}

TEST_F(FileSystemTest, WithoutExtendedAttributesHiddenIsRefused) {
    if (KeepsUserAttributes(docs())) {
        GTEST_SKIP() << "the file system of " << docs() << " keeps user extended attributes";
    }
    WriteHost(docs() / "book.cmb", "x");
    const std::u16string book = u"\\My Documents\\book.cmb";
    EXPECT_FALSE(files().SetAttributes(book, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(files().GetAttributes(book), FILE_ATTRIBUTE_NORMAL);
    // What needs no extended attribute still works.
    EXPECT_TRUE(files().SetAttributes(book, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(files().GetAttributes(book), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(files().SetAttributes(book, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(files().GetAttributes(book), FILE_ATTRIBUTE_NORMAL);
}

class AttributeTest : public FileSystemTest {
  protected:
    void SetUp() override {
        if (!KeepsUserAttributes(docs())) {
            GTEST_SKIP() << "the file system of " << docs()
                         << " keeps no user extended attributes; set TMPDIR to one that does";
        }
        WriteHost(docs() / "book.cmb", "x");
    }
    uint32_t Get() { return files().GetAttributes(u"\\My Documents\\book.cmb"); }
    bool Set(uint32_t a) { return files().SetAttributes(u"\\My Documents\\book.cmb", a); }
    std::string Stored() {
        char buf[32];
        const ssize_t n =
            getxattr((docs() / "book.cmb").c_str(), "user.DOSATTRIB", buf, sizeof buf);
        return n < 0 ? std::string("-") : std::string(buf, size_t(n));
    }
};

TEST_F(AttributeTest, RoundTripThroughTheHost) {
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    // Stored where Samba and Wine read it; read-only is the owner's write bit,
    // and also in the value, as Samba takes it from there.
    EXPECT_EQ(Stored(), "0x23");
    EXPECT_FALSE(OwnerCanWrite(docs() / "book.cmb"));
    // Listings carry the same attributes.
    FindData d;
    ASSERT_TRUE(files().FindFirst(u"\\My Documents\\*.cmb", &d));
    EXPECT_EQ(d.attributes,
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
}

TEST_F(AttributeTest, NormalClearsEverythingAndHiddenStandsAlone) {
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    // "Hide": exactly hidden; archive and read-only are dropped.
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(OwnerCanWrite(docs() / "book.cmb"));
    // "Make Visible": exactly normal.
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Stored(), "-");
    // NORMAL beside other bits means nothing.
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN);
    // A hidden book can be deleted (the purge of hidden books relies on it).
    EXPECT_TRUE(files().DeleteFile(u"\\My Documents\\book.cmb"));
}

TEST_F(AttributeTest, ReadsWhatOtherProgramsStored) {
    const fs::path p = docs() / "book.cmb";
    // Samba writes a terminating zero, Wine does not; capitals are allowed.
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", "0x2\0", 4, 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", "0X26", 4, 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    // Garbage, and records cut short, count as nothing stored.
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", "hello", 5, 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", "\x03\x00\x03\x00", 4, 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", "0x2zz", 5, 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(AttributeTest, BooksHiddenOnASambaShareStayInSambasForm) {
    const fs::path p = docs() / "book.cmb";
    // Hidden from Windows: Samba's version 5 record, hidden and archive, with
    // the book's creation time.
    const std::string samba(
        "\0\0\x05\0\x05\0\0\0\x11\0\0\0\x22\0\0\0"
        "\0\0\x6d\xc6\x47\x17\xda\x01",
        24);
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", samba.data(), samba.size(), 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    FindData d;
    ASSERT_TRUE(files().FindFirst(u"\\My Documents\\*.cmb", &d));
    EXPECT_EQ(d.attributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);

    // "Make Visible" changes the attributes alone; the record and its time stay.
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
    std::string expected = samba;
    expected[12] = 0x00;
    EXPECT_EQ(Stored(), expected);
    ASSERT_TRUE(Set(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    expected[12] = 0x03;
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
}

TEST_F(AttributeTest, AValueItCannotReadIsLeftAlone) {
    const fs::path p = docs() / "book.cmb";
    // A record of a version yet to come.
    const std::string unknown("\0\0\x06\0\x06\0\0\0\x01\0\0\0\x02\0\0\0", 16);
    ASSERT_EQ(setxattr(p.c_str(), "user.DOSATTRIB", unknown.data(), unknown.size(), 0), 0);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_NORMAL);
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(Set(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(files().LastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Stored(), unknown);
    EXPECT_EQ(Get(), FILE_ATTRIBUTE_READONLY);
}

TEST_F(AttributeTest, FoldersKeepTheirDirectoryFlag) {
    fs::create_directories(docs() / "Sub");
    ASSERT_TRUE(files().SetAttributes(u"\\My Documents\\Sub", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\sub"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(files().SetAttributes(u"\\My Documents\\Sub", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\Sub"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(AttributeTest, CreatingWithAttributes) {
    File f = files().Open(u"\\My Documents\\new.opt", FileAccess::ReadWrite,
                          FileCreation::CreateNew, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f.Write("x", 1));
    f.Close();
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\new.opt"), FILE_ATTRIBUTE_HIDDEN);
    // NORMAL beside others is ignored; a read-only file is still written
    // through the handle that created it.
    f = files().Open(u"\\My Documents\\ro.opt", FileAccess::ReadWrite, FileCreation::CreateNew,
                     FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f.Write("abc", 3));
    f.Close();
    EXPECT_EQ(files().GetAttributes(u"\\My Documents\\ro.opt"),
              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Stored(), "-");  // book.cmb untouched
}

}  // namespace
}  // namespace inkvista
