#include "viewer/PagePainter.h"

#include <QPainter>
#include <QVector>
#include <algorithm>

#include "platform/Screen.h"

namespace inkvista {

namespace {

// A view of the page buffer as Qt paints it; null when the buffer does not
// hold the whole described image.
QImage PageView(const PageImage& image) {
    if (image.pixels.empty() || image.viewWidth <= 0 || image.viewHeight <= 0) return QImage();
    const uint32_t stride = image.PixelStride();
    const uint64_t bytesPerPixel = image.trueColour() ? 3 : 1;
    const uint64_t width = static_cast<uint64_t>(image.viewWidth);
    const uint64_t height = static_cast<uint64_t>(image.viewHeight);
    if (stride < width * bytesPerPixel || image.pixels.size() < uint64_t{stride} * height) {
        return QImage();
    }
    if (image.trueColour()) {
        return QImage(image.pixels.data(), image.viewWidth, image.viewHeight,
                      static_cast<qsizetype>(stride), QImage::Format_BGR888);
    }
    QImage page(image.pixels.data(), image.viewWidth, image.viewHeight,
                static_cast<qsizetype>(stride), QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    const std::array<RgbQuad, 256> colours = ColourTable(image);
    for (size_t i = 0; i < colours.size(); ++i) {
        table[static_cast<qsizetype>(i)] = qRgb(colours[i].red, colours[i].green, colours[i].blue);
    }
    page.setColorTable(table);
    return page;
}

}  // namespace

void DrawPage(QImage& target, const PageImage& image, int32_t scrollX, int32_t scrollY) {
    const QImage page = PageView(image);
    const bool portrait = image.orientation == PixelOrientation::Portrait;
    if (page.isNull()) return;
    const int w = std::min(image.viewWidth, kScreenWidth);
    const int h = std::min(image.viewHeight, kScreenHeight);
    const int destY =
        (image.viewHeight < kScreenHeight && !portrait) ? kScreenHeight - image.viewHeight : 0;
    const QRect source(scrollX, scrollY, w, h);
    const QRect visible = source.intersected(page.rect());
    if (visible.isEmpty()) return;
    const QPoint dest(visible.x() - source.x(), destY + visible.y() - source.y());
    QPainter painter(&target);
    painter.drawImage(dest, page, visible);
}

}  // namespace inkvista
