#include "ui/Artwork.h"

#include <QString>

// Resources in a static library must be brought in by hand, and the macro
// only works outside a namespace.
static void InitArtwork() {
    Q_INIT_RESOURCE(inkvista);
}

namespace inkvista {

QImage LoadBitmap(int id) {
    static const bool initialised = (InitArtwork(), true);
    (void)initialised;
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

}  // namespace inkvista
