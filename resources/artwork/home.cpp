// The home screen's pictures: the 240 × 320 background (129) and the pressed
// looks of its three buttons (134 About, 135 Key, 136 Option).
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "Artwork.h"

namespace artwork {
namespace {

// An open book with an ink drop: the program's mark.
void DrawLogo(QPainter& p, const QPointF& at) {
    p.save();
    p.translate(at);
    QPainterPath left;
    left.moveTo(14, 8);
    left.cubicTo(10, 5, 5, 5, 1, 7);
    left.lineTo(1, 25);
    left.cubicTo(5, 23, 10, 23, 14, 26);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(14, 8);
    right.cubicTo(18, 5, 23, 5, 27, 7);
    right.lineTo(27, 25);
    right.cubicTo(23, 23, 18, 23, 14, 26);
    right.closeSubpath();
    p.setPen(QPen(QColor(0xdd, 0xe6, 0xf7), 1.2));
    p.setBrush(QColor(0xf8, 0xfa, 0xff));
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(QColor(0x9a, 0xaa, 0xcc), 1));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(4, 11 + 4 * i), QPointF(11, 12 + 4 * i));
        p.drawLine(QPointF(17, 12 + 4 * i), QPointF(24, 11 + 4 * i));
    }
    QPainterPath drop;
    drop.moveTo(22, -1);
    drop.cubicTo(25, 4, 28, 6, 28, 9);
    drop.cubicTo(28, 12, 25, 13, 22, 13);
    drop.cubicTo(19, 13, 16, 12, 16, 9);
    drop.cubicTo(16, 6, 19, 4, 22, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPath(drop);
    p.restore();
}

QImage HomeScreen() {
    QImage image = Canvas(240, 320, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient body(0, 44, 0, 320);
    body.setColorAt(0, QColor(0xee, 0xf2, 0xf8));
    body.setColorAt(1, QColor(0xd3, 0xdc, 0xea));
    p.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), body);

    // Title banner.
    QLinearGradient banner(0, 0, 240, 44);
    banner.setColorAt(0, kInk);
    banner.setColorAt(1, kInkLight);
    p.fillRect(QRect(0, 0, 240, 44), banner);
    p.fillRect(QRect(0, 44, 240, 2), kAmber);
    DrawLogo(p, QPointF(8, 8));
    p.setFont(Font(21, true));
    p.setPen(Qt::white);
    p.drawText(QRect(42, 3, 170, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("InkVISTA"));
    p.setFont(Font(9, false));
    p.setPen(QColor(0xc4, 0xd2, 0xee));
    p.drawText(QRect(43, 28, 170, 12), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("comic book reader"));

    // Close box, hit region 222–237 × 5–20.
    const QRectF close(222.5, 5.5, 15, 15);
    p.setPen(QPen(QColor(0xf4, 0xd6, 0xd3), 1));
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    p.drawRoundedRect(close, 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(226.5, 9.5), QPointF(233.5, 16.5));
    p.drawLine(QPointF(233.5, 9.5), QPointF(226.5, 16.5));

    // Caption left of the buttons.
    p.setFont(Font(10, true));
    p.setPen(kInk);
    p.drawText(QRect(8, 48, 74, 19), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Library"));
    p.setPen(QPen(kAmber, 2));
    p.drawLine(QPointF(9, 68), QPointF(49, 68));

    // Button faces where their pressed looks go.
    DrawButton(p, QRectF(85, 48, 39, 19), QStringLiteral("Key"), false);
    DrawButton(p, QRectF(127, 48, 52, 19), QStringLiteral("Option"), false);
    DrawButton(p, QRectF(182, 48, 52, 19), QStringLiteral("About"), false);

    // The framed white area the list sits in: (7,78)–(233,313).
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kFrame);
    p.setBrush(Qt::white);
    p.drawRect(QRect(6, 77, 227, 236));
    p.end();
    return image;
}

QImage Pressed(int width, const QString& text) {
    QImage image = Canvas(width, 19, QImage::Format_RGB888);
    image.fill(QColor(0xee, 0xf2, 0xf8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawButton(p, QRectF(0, 0, width, 19), text, true);
    p.end();
    return image;
}

const ArtworkSet kHomeScreen{
    {129, HomeScreen},
    {134, [] { return Pressed(52, QStringLiteral("About")); }},
    {135, [] { return Pressed(39, QStringLiteral("Key")); }},
    {136, [] { return Pressed(52, QStringLiteral("Option")); }},
};

}  // namespace
}  // namespace artwork
