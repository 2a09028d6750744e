#include <gtest/gtest.h>

#include <fstream>

#include "platform/Device.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

TEST(Smoke, CreateListReadBack) {
    TestDevice t;
    FileSystem& fs = t.device().files();
    ASSERT_TRUE(fs.CreateDirectory(u"\\My Documents\\InkVISTA"));
    File f = fs.Open(u"\\my documents\\inkvista\\A.CMB", FileAccess::ReadWrite,
                     FileCreation::CreateNew);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f.Write("hello", 5));
    f.Close();
    FindData d;
    FindHandle h = fs.FindFirst(u"\\My Documents\\InkVISTA\\*.cmb", &d);
    ASSERT_TRUE(h);
    EXPECT_EQ(d.name, u"A.CMB");
    EXPECT_EQ(d.sizeLow, 5u);
    EXPECT_FALSE(fs.FindNext(h, &d));
    EXPECT_EQ(fs.LastError(), ERROR_NO_MORE_FILES);
    h = fs.FindFirst(u"\\*.*", &d);
    ASSERT_TRUE(h);
    EXPECT_EQ(d.name, u"My Documents");
    bool created = false;
    ASSERT_TRUE(t.device().registry().CreateKey(u"\\Software\\Quillmark\\InkVISTA", &created));
    EXPECT_TRUE(created);
}

}  // namespace
}  // namespace inkvista
