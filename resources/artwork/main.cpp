// Draws the program's artwork and saves it as 24-bit PNG files named by
// resource id. Run it after changing the look:
//   cmake --build <dir> --target make-artwork && <dir>/resources/make-artwork resources
// Each subsystem draws its own pictures in resources/artwork/<subsystem>.cpp.
#include <QGuiApplication>
#include <cstdio>
#include <set>

#include "Artwork.h"

namespace {

bool Save(const QImage& image, const QString& dir, int id) {
    const QString path = dir + QStringLiteral("/%1.png").arg(id);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "make-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = true;
    std::set<int> seen;
    for (const artwork::Picture& picture : artwork::AllPictures()) {
        if (!seen.insert(picture.id).second) {
            std::fprintf(stderr, "make-artwork: picture %d is drawn twice\n", picture.id);
            ok = false;
            continue;
        }
        ok = Save(picture.draw(), dir, picture.id) && ok;
    }
    return ok ? 0 : 1;
}
