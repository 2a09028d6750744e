// The library list's icons (140): one 80 × 18 strip of four 20 × 18 document
// pictures, CXB, CXB faded, CMB, CMB faded, on white, which the list makes
// transparent.
#include <QPainter>
#include <QPainterPath>

#include "Artwork.h"

namespace artwork {
namespace {

// A page with a folded corner and the kind written across its lower half;
// a hidden book's picture is the same, washed out.
void DrawDocument(QPainter& p, int left, const QString& label, const QColor& band, bool faded) {
    p.save();
    p.translate(left, 0);
    if (faded) p.setOpacity(0.4);
    QPainterPath page;
    page.moveTo(4.5, 0.5);
    page.lineTo(12.5, 0.5);
    page.lineTo(16.5, 4.5);
    page.lineTo(16.5, 17.5);
    page.lineTo(4.5, 17.5);
    page.closeSubpath();
    p.setPen(QPen(kFrame, 1));
    p.setBrush(QColor(0xf4, 0xf7, 0xfc));
    p.drawPath(page);
    p.setBrush(QColor(0xdd, 0xe6, 0xf7));
    p.drawPolygon(QPolygonF({QPointF(12.5, 0.5), QPointF(12.5, 4.5), QPointF(16.5, 4.5)}));
    p.setPen(QPen(QColor(0x9a, 0xaa, 0xcc), 1));
    p.drawLine(QPointF(6.5, 3.5), QPointF(10.5, 3.5));
    p.drawLine(QPointF(6.5, 6.5), QPointF(14.5, 6.5));
    // The band reaches past the page on the left so the label fits.
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(1, 9, 18, 7));
    p.setPen(Qt::white);
    QFont font = Font(7, true);
    font.setStretch(QFont::Condensed);
    p.setFont(font);
    p.drawText(QRectF(1, 8, 18, 9), Qt::AlignCenter, label);
    p.restore();
}

QImage ListIcons() {
    QImage image = Canvas(80, 18, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor colour = kInkLight;
    const QColor grey = kAmber.darker(115);
    DrawDocument(p, 0, QStringLiteral("CXB"), grey, false);
    DrawDocument(p, 20, QStringLiteral("CXB"), grey, true);
    DrawDocument(p, 40, QStringLiteral("CMB"), colour, false);
    DrawDocument(p, 60, QStringLiteral("CMB"), colour, true);
    p.end();
    return image;
}

const ArtworkSet kLibrary{
    {140, ListIcons},
};

}  // namespace
}  // namespace artwork
