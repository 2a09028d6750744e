// Draws the program's artwork and saves it as 24-bit PNG files named by
// resource id. Run it after changing the look:
//   cmake --build <dir> --target make-artwork && <dir>/resources/make-artwork resources
// Each subsystem draws its own pictures in resources/artwork/<subsystem>.cpp.
#include <QGuiApplication>
#include <cstdio>
#include <set>

#include "Artwork.h"

namespace {

// The enlarged screens the pictures are drawn for besides the device's own
// (--scale 2 to 4; larger scales smooth the 4x picture).
constexpr int kLargestScale = 4;

bool Save(const QImage& image, const QString& dir, int id, int scale) {
    const QString path = scale == 1 ? dir + QStringLiteral("/%1.png").arg(id)
                                    : dir + QStringLiteral("/%1@%2x.png").arg(id).arg(scale);
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
        for (int scale = 1; scale <= kLargestScale; ++scale) {
            artwork::SetScale(scale);
            ok = Save(picture.draw(), dir, picture.id, scale) && ok;
        }
        artwork::SetScale(1);
    }
    return ok ? 0 : 1;
}
