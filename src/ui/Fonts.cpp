#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <array>
#include <future>

namespace inkvista {

namespace {

constexpr std::array kFiles = {
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "fonts-dejavu-core"},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
             "fonts-dejavu-core"},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
             "fonts-dejavu-extra", true},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
             "fonts-dejavu-extra", true},
    FontFile{kSerifFamily, "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
             "fonts-liberation"},
    FontFile{kSerifFamily, "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
             "fonts-liberation"},
    FontFile{kHangulFamily, "/usr/share/fonts/truetype/nanum/NanumGothic.ttf", "fonts-nanum"},
    FontFile{kHangulFamily, "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf", "fonts-nanum"},
};

}  // namespace

std::span<const FontFile> ReaderFontFiles() {
    return kFiles;
}

namespace {

QStringList RegisterReaderFonts() {
    QStringList notLoaded;
    // Of two faces with the same family and style the one registered
    // last is used. The machine's own faces are registered when the
    // database is first asked, so it is asked first: ours then come
    // after them, and again after any later re-read of the machine's.
    QFontDatabase::families();
    for (const FontFile& file : kFiles) {
        const QString path = QString::fromLatin1(file.path);
        // A file of another face at that path would not be the one meant.
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(
                          QString::fromLatin1(file.family))) {
            notLoaded << path;
        }
    }
    return notLoaded;
}

std::future<QStringList>& Registering() {
    static std::future<QStringList> registering;
    return registering;
}

}  // namespace

void StartLoadingReaderFonts() {
    std::future<QStringList>& registering = Registering();
    if (registering.valid()) return;
    registering = std::async(std::launch::async, RegisterReaderFonts);
    QGuiApplication::setFont(ReaderFont(kSansFamily, 12));
}

QStringList LoadReaderFonts() {
    static const QStringList missing = [] {
        std::future<QStringList>& registering = Registering();
        QStringList notLoaded = registering.valid() ? registering.get() : RegisterReaderFonts();
        QGuiApplication::setFont(ReaderFont(kSansFamily, 12));
        return notLoaded;
    }();
    return missing;
}

QFont ReaderFont(const char* family, int pixelSize) {
    QFont font;
    font.setFamilies({QString::fromLatin1(family), QString::fromLatin1(kHangulFamily)});
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace inkvista
