#include <gtest/gtest.h>

#include <QRawFont>

#include "AppTestSupport.h"
#include "ui/Fonts.h"

namespace inkvista {
namespace {

// Each face the reader asks for is drawn from its own file, even where the
// machine holds another face of the same family and style (fonts-liberation2
// beside fonts-liberation): the 'head' table tells the two versions apart.
TEST(ReaderFonts, EveryFaceComesFromItsFile) {
    test::App();
    EXPECT_TRUE(LoadReaderFonts().isEmpty()) << "install the packages of ReaderFontFiles()";
    for (const FontFile& file : ReaderFontFiles()) {
        SCOPED_TRACE(file.path);
        const QRawFont fromFile(QString::fromLatin1(file.path), 14);
        ASSERT_TRUE(fromFile.isValid());
        QFont asked = ReaderFont(file.family, 14);
        asked.setWeight(static_cast<QFont::Weight>(fromFile.weight()));
        if (file.condensed) asked.setStretch(QFont::SemiCondensed);
        const QRawFont drawn = QRawFont::fromFont(asked);
        EXPECT_EQ(drawn.familyName(), QString::fromLatin1(file.family));
        EXPECT_EQ(drawn.fontTable("head"), fromFile.fontTable("head"));
    }
}

}  // namespace
}  // namespace inkvista
