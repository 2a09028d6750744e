#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>

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

// Drawing `scale` of picture `id`, decoded once: a window on its way to the
// screen asks for several ratios that share one drawing (2.5 and 3.3 the 3x).
QImage Drawing(int id, int scale) {
    static std::map<std::pair<int, int>, QImage> decoded;
    QImage& kept = decoded[{id, scale}];
    if (kept.isNull()) kept = QImage(DrawnPath(id, scale));
    return kept;
}

int DrawnScaleFor(qreal pixelRatio) {
    return std::clamp(static_cast<int>(std::lround(pixelRatio)), 1, kLargestDrawnScale);
}

QImage LoadDrawn(int id, qreal pixelRatio) {
    const QImage device = Drawing(id, 1);
    if (pixelRatio <= 1 || device.isNull()) return device;
    const int scale = DrawnScaleFor(pixelRatio);
    QImage image = Drawing(id, scale);
    if (image.isNull() || image.size() != device.size() * scale) return device;
    if (pixelRatio != scale) {
        const QSize size(qRound(device.width() * pixelRatio), qRound(device.height() * pixelRatio));
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        image.detach();
    }
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

}  // namespace

QImage LoadBitmap(int id, qreal pixelRatio) {
    EnsureResources();
    // Smoothed to the ratio once: a window drawn at 3.375 would otherwise
    // scale a drawing at every paint. Each picture is kept at the last ratio
    // asked for.
    static std::unordered_map<int, QImage> loaded;
    QImage& kept = loaded[id];
    const qreal ratio = std::max(pixelRatio, qreal(1));
    if (kept.isNull() || kept.devicePixelRatio() != ratio) kept = LoadDrawn(id, ratio);
    return kept;
}

void PrepareBitmap(int id, qreal pixelRatio) {
    EnsureResources();
    Drawing(id, DrawnScaleFor(pixelRatio));
}

QImage CopyBitmap(const QImage& bitmap, const QRect& rect) {
    const qreal ratio = bitmap.devicePixelRatio();
    if (rect == QRect(QPoint(0, 0), bitmap.deviceIndependentSize().toSize())) return bitmap;
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
