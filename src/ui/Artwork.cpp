#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cmath>
#include <unordered_map>

// Resources in a static library must be brought in by hand, and the macro
// only works outside a namespace.
static void InitArtwork() {
    Q_INIT_RESOURCE(inkvista);
}

namespace inkvista {

namespace {

// The scales the artwork generator draws besides the device's own.
constexpr int kLargestDrawnScale = 4;

QString DrawnPath(int id, int scale) {
    if (scale == 1) return QStringLiteral(":/bitmaps/%1.png").arg(id);
    return QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(scale);
}

void EnsureResources() {
    static const bool initialised = (InitArtwork(), true);
    (void)initialised;
}

QImage LoadDrawn(int id, qreal pixelRatio) {
    if (pixelRatio <= 1) return QImage(DrawnPath(id, 1));
    // The device picture's size is read from its header, not decoded: the
    // home screen loads its pictures at every paint.
    const QSize device = QImageReader(DrawnPath(id, 1)).size();
    if (!device.isValid()) return QImage();
    const int scale = std::min(static_cast<int>(std::ceil(pixelRatio - 1e-6)), kLargestDrawnScale);
    QImage image(DrawnPath(id, scale));
    if (image.isNull() || image.size() != device * scale) return QImage(DrawnPath(id, 1));
    if (pixelRatio != scale) {
        const QSize size(qRound(device.width() * pixelRatio), qRound(device.height() * pixelRatio));
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

}  // namespace

QImage LoadBitmap(int id, qreal pixelRatio) {
    EnsureResources();
    // Decoded, and smoothed to the ratio, once: a window drawn at 3.375 would
    // otherwise scale the 4x home screen down at every paint. Each picture is
    // kept at the last ratio asked for.
    static std::unordered_map<int, QImage> loaded;
    QImage& kept = loaded[id];
    const qreal ratio = std::max(pixelRatio, qreal(1));
    if (kept.isNull() || kept.devicePixelRatio() != ratio) kept = LoadDrawn(id, ratio);
    return kept;
}

QImage CopyBitmap(const QImage& bitmap, const QRect& rect) {
    const qreal ratio = bitmap.devicePixelRatio();
    const QRect pixels(qRound(rect.x() * ratio), qRound(rect.y() * ratio),
                       qRound(rect.width() * ratio), qRound(rect.height() * ratio));
    QImage part = bitmap.copy(pixels);
    part.setDevicePixelRatio(ratio);
    return part;
}

QIcon ProgramIcon() {
    EnsureResources();
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/inkvista-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

qreal ScreenPixelRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

}  // namespace inkvista
