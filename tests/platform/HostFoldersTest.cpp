// Where the device reaches a host folder named on the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/HostFolders.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

TEST(ReachHostFolder, InsideTheDocumentsACardOrTheRootNoMountIsAdded) {
    TestDevice t;
    const fs::path card = t.AddCard(u"SD");
    fs::create_directories(t.root() / "My Documents" / "Comics");
    fs::create_directories(card / "InkVISTA");
    fs::create_directories(t.root() / "Bände" / "Neu");
    const size_t mounts = t.device().files().mapper().mounts().size();

    EXPECT_EQ(ReachHostFolder(t.device(), t.root() / "My Documents" / "Comics"),
              u"\\My Documents\\Comics");
    EXPECT_EQ(ReachHostFolder(t.device(), card / "InkVISTA"), u"\\SD\\InkVISTA");
    EXPECT_EQ(ReachHostFolder(t.device(), card), u"\\SD");
    // A path with "." and ".." is the folder it names.
    EXPECT_EQ(ReachHostFolder(t.device(), t.root() / "Bände" / "." / "Neu" / ".." / "Neu"),
              u"\\Bände\\Neu");
    EXPECT_EQ(t.device().files().mapper().mounts().size(), mounts);
    EXPECT_FALSE(ReachHostFolder(t.device(), t.root() / "missing"));
}

TEST(ReachHostFolder, OtherFoldersAreMountedButAreNoCards) {
    TestDevice t;
    const fs::path outside = t.base() / "elsewhere" / "Comics";
    fs::create_directories(outside);
    const auto reached = ReachHostFolder(t.device(), outside);
    ASSERT_TRUE(reached);
    EXPECT_EQ(*reached, u"\\Comics");
    const auto host = t.device().files().mapper().Resolve(*reached + u"\\book.cmb");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->parent_path(), outside);
    // The library would list a card's InkVISTA folder and create one.
    EXPECT_TRUE(t.device().shell().StorageCards().empty());
    EXPECT_FALSE(t.device().RemoveCard(u"Comics"));
    // Asked again, the mount found first serves.
    EXPECT_EQ(ReachHostFolder(t.device(), outside), u"\\Comics");
}

TEST(ReachHostFolder, MountNamesNeverShadowWhatIsThere) {
    TestDevice t;
    // "\Comics" exists in the root and a card is called "Comics2": the
    // mounted folders take free names.
    fs::create_directories(t.root() / "COMICS");
    const fs::path first = t.base() / "a" / "Comics";
    const fs::path second = t.base() / "b" / "Comics";
    fs::create_directories(first);
    fs::create_directories(second);
    EXPECT_EQ(ReachHostFolder(t.device(), first), u"\\Comics (2)");
    EXPECT_EQ(ReachHostFolder(t.device(), second), u"\\Comics (3)");
    // The root itself ("\" is no folder a book path can start from), and
    // folders whose names the device cannot use.
    EXPECT_EQ(ReachHostFolder(t.device(), t.root()), u"\\root");
    const fs::path odd = t.base() / "odd:name";
    const fs::path long_ = t.base() / std::string(65, 'L');
    fs::create_directories(odd);
    fs::create_directories(long_);
    EXPECT_EQ(ReachHostFolder(t.device(), odd), u"\\Book Folder");
    EXPECT_EQ(ReachHostFolder(t.device(), long_), u"\\Book Folder (2)");
    // Below a name the device forbids: reached through it (by the mount of
    // the root made above).
    fs::create_directories(t.root() / "x?y" / "Deep");
    EXPECT_EQ(ReachHostFolder(t.device(), t.root() / "x?y" / "Deep"), u"\\root\\x\uF73Fy\\Deep");
}

}  // namespace
}  // namespace inkvista
