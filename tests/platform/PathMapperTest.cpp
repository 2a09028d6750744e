#include <gtest/gtest.h>

#include <fstream>

#include "platform/Device.h"
#include "platform/PathMapper.h"
#include "platform/Win32.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

class PathMapperTest : public ::testing::Test {
  protected:
    PathMapperTest() : mapper_(t_.root(), {{u"My Documents", t_.root() / "docs"}}) {
        fs::create_directories(t_.root() / "docs");
    }
    TestDevice t_;
    PathMapper mapper_;
};

TEST_F(PathMapperTest, ComponentsMatchExactlyElseWithoutCase) {
    fs::create_directories(t_.root() / "Comics" / "Manga");
    Touch(t_.root() / "Comics" / "Manga" / "Vol1.CMB");
    EXPECT_EQ(mapper_.Resolve(u"\\comics\\MANGA\\vol1.cmb"),
              t_.root() / "Comics" / "Manga" / "Vol1.CMB");
    EXPECT_EQ(mapper_.Resolve(u"\\"), t_.root());
    // "/" separates too, and repeated separators collapse.
    EXPECT_EQ(mapper_.Resolve(u"/COMICS//manga/"), t_.root() / "Comics" / "Manga");
}

TEST_F(PathMapperTest, ExactSpellingWinsWhenSeveralDifferOnlyInCase) {
    fs::create_directories(t_.root() / "Foo");
    fs::create_directories(t_.root() / "foo");
    fs::create_directories(t_.root() / "FOO");
    EXPECT_EQ(mapper_.Resolve(u"\\foo"), t_.root() / "foo");
    EXPECT_EQ(mapper_.Resolve(u"\\Foo"), t_.root() / "Foo");
    EXPECT_EQ(mapper_.Resolve(u"\\FOO"), t_.root() / "FOO");
    // No exact match: the same folder is chosen every time.
    const auto chosen = mapper_.Resolve(u"\\fOo");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(mapper_.Resolve(u"\\fOO"), chosen);
}

TEST_F(PathMapperTest, MissingComponentsAreTakenAsWritten) {
    fs::create_directories(t_.root() / "Books");
    EXPECT_EQ(mapper_.Resolve(u"\\BOOKS\\New Folder\\Inner\\A.cmb"),
              t_.root() / "Books" / "New Folder" / "Inner" / "A.cmb");
}

TEST_F(PathMapperTest, MountsShadowTheirFirstComponent) {
    fs::create_directories(t_.root() / "My Documents");  // hidden behind the mount
    EXPECT_EQ(mapper_.Resolve(u"\\my documents\\InkVISTA"), t_.root() / "docs" / "InkVISTA");
    mapper_.AddMount({u"Storage Card", t_.base() / "card"});
    EXPECT_EQ(mapper_.Resolve(u"\\STORAGE CARD\\x"), t_.base() / "card" / "x");
    // Adding a mount of the same name (any case) replaces it.
    mapper_.AddMount({u"storage card", t_.base() / "card2"});
    EXPECT_EQ(mapper_.mounts().size(), 2u);
    EXPECT_EQ(mapper_.Resolve(u"\\Storage Card"), t_.base() / "card2");
    EXPECT_TRUE(mapper_.RemoveMount(u"STORAGE CARD"));
    EXPECT_FALSE(mapper_.RemoveMount(u"Storage Card"));
    EXPECT_EQ(mapper_.Resolve(u"\\Storage Card"), t_.root() / "Storage Card");
    // A name no path component can have is never a mount.
    for (const std::u16string name : {u"", u"..", u"a\\b", u"x:", u"\x01"})
        EXPECT_FALSE(mapper_.AddMount({name, t_.base() / "card"}));
    EXPECT_EQ(mapper_.mounts().size(), 1u);
}

TEST_F(PathMapperTest, DotDotNeverLeavesTheRootOrAMount) {
    EXPECT_EQ(mapper_.Resolve(u"\\..\\..\\etc"), t_.root() / "etc");
    EXPECT_EQ(mapper_.Resolve(u"\\a\\..\\..\\b"), t_.root() / "b");
    EXPECT_EQ(mapper_.Resolve(u"\\My Documents\\..\\x"), t_.root() / "x");
    EXPECT_EQ(mapper_.Resolve(u"\\.\\My Documents\\.\\y"), t_.root() / "docs" / "y");
}

TEST_F(PathMapperTest, PathsPassMaxPathUpToTheLongPathBound) {
    // The device's 260-unit buffers bound no path the program builds.
    uint32_t error = 0;
    const std::u16string past =
        u"\\" + std::u16string(200, u'a') + u"\\" + std::u16string(99, u'b');
    ASSERT_EQ(past.size(), 301u);
    EXPECT_EQ(mapper_.Resolve(past, &error),
              t_.root() / std::string(200, 'a') / std::string(99, 'b'));
    const std::u16string longest = u"\\" + std::u16string(kMaxLongPathUnits - 1, u'a');
    EXPECT_TRUE(mapper_.Resolve(longest, &error));
    EXPECT_FALSE(mapper_.Resolve(longest + u"a", &error));
    EXPECT_EQ(error, ERROR_FILENAME_EXCED_RANGE);
    // Units, not bytes: Hangul syllables are three bytes of UTF-8 each.
    EXPECT_TRUE(mapper_.Resolve(u"\\" + std::u16string(kMaxLongPathUnits - 1, u'\uAC00')));
}

TEST_F(PathMapperTest, RefusesRelativePathsAndForbiddenCharacters) {
    uint32_t error = 0;
    EXPECT_FALSE(mapper_.Resolve(u"relative\\x", &error));
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(mapper_.Resolve(u"", &error));
    for (const char16_t* bad :
         {u"\\a:b", u"\\a*", u"\\a?", u"\\a\"b", u"\\a<b", u"\\a>b", u"\\a|b", u"\\a\tb"}) {
        EXPECT_FALSE(mapper_.Resolve(bad, &error));
        EXPECT_EQ(error, ERROR_INVALID_NAME);
    }
    std::u16string withNul = u"\\a";
    withNul.push_back(0);
    EXPECT_FALSE(mapper_.Resolve(withNul));
}

}  // namespace
}  // namespace inkvista
