// The book types of data/inkvista-mime.xml as a freedesktop MIME database
// reader sees them: Qt's reads the same package files as file managers do.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <string>

namespace {

const char kCmb[] = "application/x-inkvista-cmb";
const char kCxb[] = "application/x-inkvista-cxb";

// The database holds our package alone.
class MimeEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QString packages = dir_.path() + "/mime/packages";
        ASSERT_TRUE(QDir().mkpath(packages));
        ASSERT_TRUE(QFile::copy(INKVISTA_MIME_XML, packages + "/inkvista.xml"));
        qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
        qputenv("XDG_DATA_DIRS", dir_.path().toUtf8());
    }

  private:
    QTemporaryDir dir_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MimeEnvironment);

// The first bytes of a book: magic, header, header extension.
QByteArray Header(const char* magic, int extentAt, int extentLimit, int variant = 0) {
    QByteArray bytes(160, '\0');
    bytes[0] = magic[0];
    bytes[1] = magic[1];
    bytes[27] = 3;  // page count
    bytes.replace(28, 5, "Title");
    if (extentAt == 130) bytes[129] = char(variant);
    bytes[extentAt] = char(extentLimit >> 8);
    bytes[extentAt + 1] = char(extentLimit & 0xff);
    return bytes;
}

std::string TypeOfData(const QByteArray& bytes) {
    return QMimeDatabase().mimeTypeForData(bytes).name().toStdString();
}

TEST(MimeTypesTest, BooksAreKnownByTheirExtension) {
    QMimeDatabase db;
    const auto typeOf = [&](const char* name) {
        return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toStdString();
    };
    EXPECT_EQ(typeOf("night.cmb"), kCmb);
    EXPECT_EQ(typeOf("HARBOR.CXB"), kCxb);
    EXPECT_EQ(db.mimeTypeForName(kCmb).comment().toStdString(), "InkVISTA comic book (CMB)");
    // The extension names the kind even when the header says otherwise, as
    // the reader decides.
    EXPECT_EQ(
        db.mimeTypeForFileNameAndData("night.cmb", Header("XB", 130, 320)).name().toStdString(),
        kCmb);
}

TEST(MimeTypesTest, CopiesWithoutExtensionAreKnownByTheirHeader) {
    EXPECT_EQ(TypeOfData(Header("CB", 154, 320)), kCmb);
    EXPECT_EQ(TypeOfData(Header("CB", 154, 0)), kCmb);
    EXPECT_EQ(TypeOfData(Header("XB", 130, 240, 0)), kCxb);
    EXPECT_EQ(TypeOfData(Header("XB", 130, 320, 4)), kCxb);
}

TEST(MimeTypesTest, TwoLettersAloneClaimNothing) {
    const QByteArray text = QByteArray("CB radio log, channel 19. ").repeated(8);
    EXPECT_NE(TypeOfData(text), kCmb);
    EXPECT_NE(TypeOfData("XB" + text), kCxb);
    // Header extensions no book has: an extent limit of 512 and more, a
    // variant other than 0 and 4.
    EXPECT_NE(TypeOfData(Header("CB", 154, 512)), kCmb);
    EXPECT_NE(TypeOfData(Header("XB", 130, 320, 2)), kCxb);
    EXPECT_NE(TypeOfData(Header("XB", 130, 600, 4)), kCxb);
    // Too short to be a book.
    EXPECT_NE(TypeOfData(Header("CB", 154, 320).left(120)), kCmb);
}

}  // namespace
