// Host file names the device cannot show as they are: a backslash, "..",
// bytes that are not UTF-8 (Korean names in the code page, copied from old
// cards), forbidden characters and the characters their escapes use. Each
// such file is still exactly one row, and Open, Delete, Hide, the bookmark
// and a password reset act on it and on nothing else.
#include <gtest/gtest.h>

#include "LibraryFixture.h"
#include "models/HiddenBooks.h"
#include "models/LibraryInfo.h"
#include "models/LibraryRows.h"
#include "platform/HostNames.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

struct NamePair {
    const char* target;     // the file acted on
    const char* bystander;  // a file its name could be mistaken for
};

constexpr NamePair kPairs[] = {
    {"old\\..\\keep.cmb", "keep.cmb"},
    {"..\\..\\My Documents\\InkVISTA\\keep.cmb", "keep.cmb"},
    {"\xb9\xd9.cmb", "\xb4\xde.cmb"},
    {"\xb9.cmb", "\xef\xbf\xbd.cmb"},  // a bad byte and U+FFFD itself
    {"a:b?.cmb",
     "a\xef\x9c\xba"
     "b\xef\x9c\xbf.cmb"},  // ':' '?' and U+F73A U+F73F
};

class HostileNamesTest : public LibraryFixture {
  protected:
    const BookEntry& Entry(const char* hostName) {
        for (const BookEntry& e : library.entries()) {
            if (e.fileName == DeviceName(hostName)) return e;
        }
        ADD_FAILURE() << "not listed: " << hostName;
        return library.entries().front();
    }
    int32_t Row(const char* hostName) {
        return static_cast<int32_t>(&Entry(hostName) - library.entries().data());
    }
    void Pick(const char* hostName) { library.Tap(RowHit{Row(hostName), Row(hostName) + 1}); }
};

TEST_F(HostileNamesTest, EveryOperationReachesExactlyTheListedFile) {
    for (const NamePair& pair : kPairs) {
        SCOPED_TRACE(pair.target);
        std::filesystem::remove_all(MainFolder());
        Book(pair.target, "Target", 20);
        Book(pair.bystander, "Bystander", 20);
        library.Refresh();
        ASSERT_EQ(library.entries().size(), 2u);
        ASSERT_NE(library.entries()[0].fileName, library.entries()[1].fileName);

        // Open and Info read the target's own header.
        Pick(pair.target);
        library.OpenCurrent();
        EXPECT_EQ(library.openRequest().fileName, DeviceName(pair.target));
        const auto resolved = test.device().files().mapper().Resolve(Entry(pair.target).folderPath +
                                                                     Entry(pair.target).fileName);
        ASSERT_TRUE(resolved);
        EXPECT_EQ(*resolved, MainFolder() / pair.target);

        // The bookmark lands on the target's line and nowhere else.
        Pick(pair.target);
        library.SaveBookmark(5);
        EXPECT_EQ(Entry(pair.target).bookmarkPage, 5);
        EXPECT_EQ(Entry(pair.bystander).bookmarkPage, 0);

        // Hide, then a password reset: only the target goes.
        Pick(pair.target);
        library.Command(kCommandHide);
        EXPECT_EQ(library.entries().size(), 1u);
        BookFolders folders;
        folders.documentsRoot = u"\\My Documents";
        EXPECT_EQ(DeleteHiddenBooks(test.device(), folders), 1);
        EXPECT_FALSE(std::filesystem::exists(MainFolder() / pair.target));
        EXPECT_TRUE(std::filesystem::exists(MainFolder() / pair.bystander));

        // Delete trashes the file itself.
        Book(pair.target, "Target", 20);
        library.Refresh();
        host.trashed.clear();
        Pick(pair.target);
        library.Command(kCommandDelete);
        EXPECT_EQ(host.trashed, (std::vector<std::filesystem::path>{MainFolder() / pair.target}));
        EXPECT_TRUE(std::filesystem::exists(MainFolder() / pair.bystander));
    }
}

TEST_F(HostileNamesTest, NamesShowReadablyAndUnmappableNamesAreRefused) {
    Book("\xb9\xd9\xb6\xf7\xc0\xc7 \xb3\xeb\xb7\xa1.cmb", "", 3);  // in the Korean code page
    Book("a\\b.cmb", "", 3);
    Book("\xff\xfe.cmb", "", 3);  // neither UTF-8 nor the code page
    library.Refresh();
    const char* hostNames[] = {"\xb9\xd9\xb6\xf7\xc0\xc7 \xb3\xeb\xb7\xa1.cmb", "a\\b.cmb",
                               "\xff\xfe.cmb"};
    const std::u16string expected[] = {u"바람의 노래.cmb", u"a\\b.cmb", u"\uFFFD\uFFFD.cmb"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(RowTitle(Entry(hostNames[i]), 1), expected[i]);
        // A title-less book shows the readable name as its title too.
        EXPECT_EQ(RowTitle(Entry(hostNames[i]), 0), expected[i]);
    }

    // Text that no listing gives is no file name: never guessed at.
    FileSystem& files = test.device().files();
    const std::u16string loneSurrogate(1, char16_t{0xD800});
    for (const std::u16string& name : {std::u16string(u"\uF761b.cmb"), u"x" + loneSurrogate}) {
        const std::u16string path = u"\\My Documents\\InkVISTA\\" + name;
        EXPECT_EQ(files.GetAttributes(path), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(files.DeleteFile(path));
    }
    EXPECT_EQ(library.entries().size(), 3u);
}

TEST(HostNamesTest, EveryByteStringHasOneDeviceNameThatMapsBack) {
    const std::string names[] = {
        "plain.cmb",    "\xc3\xa9t\xc3\xa9.cmb", "a\\b", "\x01\x7f:", "\xb9\xd9", "\xe2\x82",
        "\xef\x9c\x80", "\xf0\x9f\x98\x80"};
    std::vector<std::u16string> seen;
    for (const std::string& host : names) {
        const std::u16string device = DeviceName(host);
        EXPECT_EQ(HostName(device), host);
        EXPECT_EQ(device.find(u'\\'), std::u16string::npos);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), device), 0);
        seen.push_back(device);
    }
    EXPECT_EQ(DeviceName("\xc3\xa9t\xc3\xa9.cmb"), u"été.cmb");
    // Only the spelling DeviceName gives names a file.
    EXPECT_FALSE(HostName(u"\uF741"));        // an escaped "A"
    EXPECT_FALSE(HostName(u"\uF7C3\uF7A9"));  // an escaped valid sequence
    EXPECT_FALSE(HostName(std::u16string(1, char16_t{0xDC00})));
}

}  // namespace
}  // namespace inkvista
