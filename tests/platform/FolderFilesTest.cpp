#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FolderFiles.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::u16string>;

class FolderFilesTest : public ::testing::Test {
  protected:
    FileSystem& files() { return t_.device().files(); }
    fs::path docs() { return t_.Host(u"\\My Documents"); }
    void Write(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    Names Listed(const FolderFiles& listing) {
        Names names;
        for (size_t i = 0; i < listing.size(); ++i) names.push_back(listing.name(i));
        return names;
    }
    Names Found(std::u16string_view pattern) {
        Names names;
        FindData d;
        FindHandle h = files().FindFirst(pattern, &d);
        if (!h) return names;
        do {
            names.push_back(d.name);
        } while (files().FindNext(h, &d));
        return names;
    }
    TestDevice t_;
};

TEST_F(FolderFilesTest, OrderFoldsCaseByCodeUnitAndMatchesFindFirst) {
    // Folded, "É" (U+00C9) sorts after every ASCII letter; names that fold
    // alike keep a fixed order; names that do not match are left out.
    for (const char* name : {"\xC3\xA9"
                             "a.cmb",
                             "\xC3\x89"
                             "b.cmb",
                             "ea.cmb", "Z.cmb", "Dup.cmb", "dup.cmb", "x.cxb"}) {
        Write(docs() / name, "x");
    }
    FolderFiles listing;
    ASSERT_TRUE(listing.List(files(), u"\\My Documents\\*.cmb"));
    const Names expected{u"Dup.cmb", u"dup.cmb",     u"ea.cmb",
                         u"Z.cmb",   u"\u00E9a.cmb", u"\u00C9b.cmb"};
    EXPECT_EQ(Listed(listing), expected);
    EXPECT_EQ(Found(u"\\My Documents\\*.cmb"), expected);
    ASSERT_TRUE(listing.List(files(), u"\\My Documents\\X.CXB"));
    EXPECT_EQ(Listed(listing), (Names{u"x.cxb"}));
    EXPECT_FALSE(listing.List(files(), u"\\My Documents\\*.pdf"));
    EXPECT_EQ(files().LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FolderFilesTest, OpenGivesSizeAttributesAndTheFile) {
    Write(docs() / "a.cmb", std::string(300, 'a'));
    Write(docs() / "b.cmb", "hidden");
    fs::create_directories(docs() / "c.cmb");
    ASSERT_TRUE(files().SetAttributes(u"\\My Documents\\b.cmb", FILE_ATTRIBUTE_HIDDEN));
    FolderFiles listing;
    ASSERT_TRUE(listing.List(files(), u"\\My Documents\\*.cmb"));
    ASSERT_EQ(listing.size(), 3u);
    FindData d;
    File file;
    ASSERT_TRUE(listing.Open(0, &d, &file));
    EXPECT_EQ(d.sizeLow, 300u);
    EXPECT_EQ(d.attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    char buffer[4] = {};
    uint32_t got = 0;
    ASSERT_TRUE(file && file.Read(buffer, 4, &got));
    EXPECT_EQ(std::string(buffer, got), "aaaa");
    ASSERT_TRUE(listing.Open(1, &d, &file));
    EXPECT_EQ(d.attributes & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(d.sizeLow, 6u);
    // A folder is described but not opened.
    ASSERT_TRUE(listing.Open(2, &d, &file));
    EXPECT_TRUE(d.IsDirectory());
    EXPECT_FALSE(file);
    // Gone since the listing.
    fs::remove(docs() / "a.cmb");
    EXPECT_FALSE(listing.Open(0, &d, &file));
}

TEST_F(FolderFilesTest, MountsInTheRootOpenThroughTheirOwnPath) {
    const fs::path card = t_.AddCard(u"Storage Card");
    FolderFiles listing;
    ASSERT_TRUE(listing.List(files(), u"\\Stor*"));
    ASSERT_EQ(Listed(listing), (Names{u"Storage Card"}));
    FindData d;
    File file;
    ASSERT_TRUE(listing.Open(0, &d, &file));
    EXPECT_TRUE(d.IsDirectory());
    fs::remove_all(card);
    EXPECT_FALSE(listing.Open(0, &d, &file));
}

}  // namespace
}  // namespace inkvista
