// The user-folder tree without its window: item paths, folder listings and
// which expansion is adopted.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "models/FolderTree.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::u16string>;

class FolderTreeTest : public ::testing::Test {
  protected:
    FileSystem& files() { return test.device().files(); }
    fs::path Dir(const char* relative) {
        const fs::path p = test.root() / relative;
        fs::create_directories(p);
        return p;
    }
    void File(const fs::path& p) { std::ofstream(p) << "x"; }
    TestDevice test;
};

TEST_F(FolderTreeTest, ItemPathsJoinAncestorsWithOneSeparator) {
    EXPECT_EQ(FolderItemPath(u"\\", {}), u"\\");
    EXPECT_EQ(FolderItemPath(u"My Documents", {u"\\"}), u"\\My Documents");
    EXPECT_EQ(FolderItemPath(u"Comics", {u"My Documents", u"\\"}), u"\\My Documents\\Comics");
    EXPECT_EQ(FolderItemPath(u"c", {u"b", u"a", u"\\"}), u"\\a\\b\\c");
}

TEST_F(FolderTreeTest, ListingShowsOnlyFoldersSortedWithoutLetterCase) {
    const fs::path top = Dir("Top");
    Dir("Top/beta");
    Dir("Top/Alpha");
    Dir("Top/gamma.d");
    File(top / "aaa.cmb");
    File(top / "zzz");
    const FolderListing listing = ListSubfolders(files(), u"\\Top");
    EXPECT_EQ(listing.outcome, FolderListing::Outcome::Listed);
    EXPECT_EQ(listing.folders, (Names{u"Alpha", u"beta", u"gamma.d"}));
}

TEST_F(FolderTreeTest, EmptyFilesOnlyAndMissingFoldersDiffer) {
    Dir("Empty");
    const fs::path files_only = Dir("FilesOnly");
    File(files_only / "a.cmb");
    // Nothing at all: the item can no longer be expanded.
    EXPECT_EQ(ListSubfolders(files(), u"\\Empty").outcome, FolderListing::Outcome::NoEntries);
    // Files but no folders: expands to nothing.
    const FolderListing filesOnly = ListSubfolders(files(), u"\\FilesOnly");
    EXPECT_EQ(filesOnly.outcome, FolderListing::Outcome::Listed);
    EXPECT_TRUE(filesOnly.folders.empty());
    // Gone since the tree showed it: left as it is.
    const FolderListing gone = ListSubfolders(files(), u"\\Gone");
    EXPECT_EQ(gone.outcome, FolderListing::Outcome::Failed);
    EXPECT_NE(gone.error, 0u);
}

TEST_F(FolderTreeTest, TheRootListsItsFoldersButIsNeverAdopted) {
    Dir("Comics");
    UserDir expanded{};
    SetUserDirText(expanded, u"\\Comics");
    const FolderListing root = ExpandFolder(files(), u"\\", expanded);
    EXPECT_EQ(root.outcome, FolderListing::Outcome::Listed);
    EXPECT_EQ(root.folders, (Names{u"Comics", u"My Documents"}));
    EXPECT_EQ(UserDirText(expanded), u"\\Comics");
}

TEST_F(FolderTreeTest, EachExpansionAdoptsItsFolderEvenAnEmptyOrMissingOne) {
    Dir("My Documents/Comics");
    UserDir expanded{};
    ExpandFolder(files(), u"\\My Documents", expanded);
    EXPECT_EQ(UserDirText(expanded), u"\\My Documents");
    ExpandFolder(files(), u"\\My Documents\\Comics", expanded);
    EXPECT_EQ(UserDirText(expanded), u"\\My Documents\\Comics");
    // The tree showed it, so it counts as expanded even when the listing
    // fails.
    ExpandFolder(files(), u"\\Vanished", expanded);
    EXPECT_EQ(UserDirText(expanded), u"\\Vanished");
}

TEST_F(FolderTreeTest, LongPathsAreAdoptedWholeOrNotAtAll) {
    // 200 characters: adopted whole.
    std::u16string path = u"\\";
    while (path.size() < 200) path += u'd';
    UserDir expanded{};
    ExpandFolder(files(), path, expanded);
    EXPECT_EQ(UserDirText(expanded), path);
    // No room for the terminator: the previous folder stays.
    const std::u16string tooLong(260, u'x');
    ExpandFolder(files(), tooLong, expanded);
    EXPECT_EQ(UserDirText(expanded), path);
}

}  // namespace
}  // namespace inkvista
