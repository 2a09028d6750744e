#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Device.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHost(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Everything in `folder` but the names given.
std::vector<std::string> OtherNames(const fs::path& folder, std::vector<std::string> known) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        if (std::find(known.begin(), known.end(), n) == known.end()) names.push_back(n);
    }
    return names;
}

class AtomicFileTest : public ::testing::Test {
  protected:
    void TearDown() override { SetWriteFaultHook({}); }
    fs::path Dir() { return t_.base(); }
    TestDevice t_;
};

TEST_F(AtomicFileTest, ReplacesContentAndKeepsTheModeOfTheOldFile) {
    const fs::path f = Dir() / "book.bmk";
    WriteHost(f, "old content that is longer than the new one");
    chmod(f.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(f, "new"));
    EXPECT_EQ(ReadHost(f), "new");
    struct stat st {};
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(OtherNames(Dir(), {"book.bmk", "root", "cards"}).empty());
}

TEST_F(AtomicFileTest, AGivenModeWinsAndANewFileIsMade) {
    const fs::path f = Dir() / "registry.reg";
    int error = -1;
    ASSERT_TRUE(WriteFileAtomically(f, "x", 0600, &error));
    EXPECT_EQ(error, 0);
    struct stat st {};
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// Whichever step fails, the old file stays byte for byte and no temporary
// is left beside it.
TEST_F(AtomicFileTest, AFailureAtAnyStepBeforeTheRenameLeavesTheOldFile) {
    const fs::path f = Dir() / "InkVISTA.bmk";
    const std::string old = "a.cmb\t12\n";
    for (WriteStep failing :
         {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::FlushFile, WriteStep::Rename}) {
        WriteHost(f, old);
        SetWriteFaultHook([failing](WriteStep s) { return s != failing; });
        AtomicFile file;
        const bool ok = file.Begin(f) && file.Write("first half ") && file.Write("second half") &&
                        file.Commit();
        EXPECT_FALSE(ok) << static_cast<int>(failing);
        EXPECT_NE(file.error(), 0);
        EXPECT_EQ(ReadHost(f), old) << static_cast<int>(failing);
        EXPECT_TRUE(OtherNames(Dir(), {"InkVISTA.bmk", "root", "cards"}).empty());
    }
}

TEST_F(AtomicFileTest, AFailureOnTheSecondChunkIsReportedAsAFullDisk) {
    const fs::path f = Dir() / "page.png";
    WriteHost(f, "good picture");
    int writes = 0;
    SetWriteFaultHook([&](WriteStep s) { return s != WriteStep::Write || ++writes < 2; });
    AtomicFile file;
    ASSERT_TRUE(file.Begin(f));
    EXPECT_TRUE(file.Write("one"));
    EXPECT_FALSE(file.Write("two"));
    EXPECT_EQ(file.error(), ENOSPC);
    EXPECT_FALSE(file.Commit());  // stays failed
    EXPECT_EQ(ReadHost(f), "good picture");
}

TEST_F(AtomicFileTest, AFailedFolderFlushIsReportedButTheNewContentIsInPlace) {
    const fs::path f = Dir() / "opt";
    WriteHost(f, "old");
    SetWriteFaultHook([](WriteStep s) { return s != WriteStep::FlushFolder; });
    AtomicFile file;
    ASSERT_TRUE(file.Begin(f));
    ASSERT_TRUE(file.Write("new"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadHost(f), "new");
}

TEST_F(AtomicFileTest, ARenamedOnlyReplacementNeverFlushes) {
    const fs::path f = Dir() / "shot.png";
    WriteHost(f, "old");
    SetWriteFaultHook(
        [](WriteStep s) { return s != WriteStep::FlushFile && s != WriteStep::FlushFolder; });
    ASSERT_TRUE(WriteFileAtomically(f, "new", kKeepMode, nullptr, Durability::Renamed));
    EXPECT_EQ(ReadHost(f), "new");
    EXPECT_TRUE(OtherNames(Dir(), {"shot.png", "root", "cards"}).empty());
}

TEST_F(AtomicFileTest, AnAbandonedReplacementRemovesItsTemporary) {
    const fs::path f = Dir() / "out.cxb";
    {
        AtomicFile file;
        ASSERT_TRUE(file.Begin(f));
        ASSERT_TRUE(file.Write("partial book"));
        EXPECT_TRUE(fs::exists(file.temporary()));
        // The temporary is a hidden name beside the target.
        EXPECT_EQ(file.temporary().parent_path(), f.parent_path());
        EXPECT_EQ(file.temporary().filename().string().rfind(".out.cxb.", 0), 0u);
    }
    EXPECT_FALSE(fs::exists(f));
    EXPECT_TRUE(OtherNames(Dir(), {"root", "cards"}).empty());
}

TEST_F(AtomicFileTest, ALinkIsFollowedAndStaysALink) {
    fs::create_directories(Dir() / "real");
    const fs::path target = Dir() / "real" / "registry.reg";
    WriteHost(target, "old");
    const fs::path link = Dir() / "link.reg";
    fs::create_symlink("real/registry.reg", link);
    ASSERT_TRUE(WriteFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadHost(target), "new");
    // A dangling link makes its target.
    const fs::path dangling = Dir() / "dangling.reg";
    fs::create_symlink("real/new.reg", dangling);
    ASSERT_TRUE(WriteFileAtomically(dangling, "made"));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(ReadHost(Dir() / "real" / "new.reg"), "made");
}

TEST_F(AtomicFileTest, RefusesWhatIsNotARegularFileOrHasNoFolder) {
    AtomicFile file;
    EXPECT_FALSE(file.Begin(Dir()));
    EXPECT_EQ(file.error(), EISDIR);
    const fs::path fifo = Dir() / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(file.Begin(fifo));
    EXPECT_EQ(file.error(), EINVAL);
    EXPECT_FALSE(file.Begin(Dir() / "missing" / "file"));
    EXPECT_EQ(file.error(), ENOENT);
    const fs::path loop = Dir() / "loop";
    fs::create_symlink("loop", loop);
    EXPECT_FALSE(file.Begin(loop));
    EXPECT_EQ(file.error(), ELOOP);
}

TEST_F(AtomicFileTest, StaleTemporariesOfTheTargetAloneAreRemoved) {
    const fs::path f = Dir() / "registry.reg";
    WriteHost(f, "keep");
    const fs::path stale = Dir() / ".registry.reg.inkvista-AbC123.tmp";
    const fs::path fresh = Dir() / ".registry.reg.inkvista-XyZ789.tmp";
    const fs::path other = Dir() / ".other.reg.inkvista-AbC123.tmp";
    const fs::path lookalike = Dir() / ".registry.reg.inkvista-toolong1.tmp";
    // A user's own copies, however much they look like ours.
    const fs::path copy = Dir() / ".registry.reg.Backup.tmp";
    const fs::path copy2 = Dir() / "registry.reg.Backup";
    for (const auto& p : {stale, fresh, other, lookalike, copy, copy2}) WriteHost(p, "x");
    struct utimbuf old {};
    old.actime = old.modtime = time(nullptr) - 3600;
    for (const auto& p : {stale, other, lookalike, copy, copy2}) utime(p.c_str(), &old);
    EXPECT_EQ(RemoveStaleTemporaries(f), 1);
    EXPECT_FALSE(fs::exists(stale));
    for (const auto& p : {fresh, other, lookalike, copy, copy2}) EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_EQ(ReadHost(f), "keep");
}

TEST_F(AtomicFileTest, CommitNewNeverReplaces) {
    const fs::path f = Dir() / "InkVISTA.opt";
    AtomicFile first;
    ASSERT_TRUE(first.Begin(f));
    ASSERT_TRUE(first.Write("defaults"));
    ASSERT_TRUE(first.CommitNew());
    EXPECT_EQ(ReadHost(f), "defaults");

    AtomicFile second;
    ASSERT_TRUE(second.Begin(f));
    ASSERT_TRUE(second.Write("other"));
    EXPECT_FALSE(second.CommitNew());
    EXPECT_EQ(second.error(), EEXIST);
    EXPECT_EQ(ReadHost(f), "defaults");
    EXPECT_TRUE(OtherNames(Dir(), {"InkVISTA.opt", "root", "cards"}).empty());
}

// Samba and Wine keep hidden and archive in user.DOSATTRIB: a replaced file
// keeps them, and any other user attribute, as a write in place would.
TEST_F(AtomicFileTest, UserAttributesOfTheOldFileAreKept) {
    const fs::path f = Dir() / "InkVISTA.bmk";
    WriteHost(f, "old");
    if (setxattr(f.c_str(), "user.DOSATTRIB", "0x22", 4, 0) != 0) {
        GTEST_SKIP() << "no user extended attributes on " << Dir();
    }
    const std::string big(3000, 'v');
    ASSERT_EQ(setxattr(f.c_str(), "user.comment", big.data(), big.size(), 0), 0);
    ASSERT_TRUE(WriteFileAtomically(f, "new"));
    EXPECT_EQ(ReadHost(f), "new");
    char buf[4096];
    ssize_t n = getxattr(f.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(std::max<ssize_t>(n, 0))), "0x22");
    n = getxattr(f.c_str(), "user.comment", buf, sizeof buf);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(std::max<ssize_t>(n, 0))), big);
    // A new file has none of its own.
    const fs::path fresh = Dir() / "fresh.bmk";
    ASSERT_TRUE(WriteFileAtomically(fresh, "x"));
    EXPECT_LT(getxattr(fresh.c_str(), "user.DOSATTRIB", buf, sizeof buf), 0);
}

}  // namespace
}  // namespace inkvista
