// The viewer's pictures: the status bar (150–165, 167–172, 176–179) and the
// page-jump panel (174, 175, 180–187). Each landscape picture is its
// portrait twin turned a quarter turn counter-clockwise, as the page is: the
// bar lies along the reader's bottom edge in both orientations.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include "Artwork.h"

namespace artwork {
namespace {

const QColor kField(0xf4, 0xf6, 0xfb);
const QColor kCross(0xc0, 0x39, 0x2b);

// A piece of the bar's band: the home screen's banner ink with the amber
// rule along its top edge (the side facing the page).
QImage Band(int width, bool pressed = false) {
    QImage image = Canvas(width, 20, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient fill(0, 0, 0, 20);
    if (pressed) {
        fill.setColorAt(0, kAmber.darker(115));
        fill.setColorAt(1, kAmber);
    } else {
        fill.setColorAt(0, kInkLight);
        fill.setColorAt(1, kInk);
    }
    p.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), fill);
    p.fillRect(QRect(0, 0, width, 1), kAmber);
    p.end();
    return image;
}

QImage Turned(const QImage& portrait) {
    return portrait.transformed(QTransform().rotate(-90));
}

void Glyph(QPainter& p, bool pressed) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? kInk : QColor(Qt::white));
}

QImage HideBar() {
    QImage image = Band(14);
    QPainter p(&image);
    Glyph(p, false);
    p.drawPolygon(QPolygonF({QPointF(2.5, 5), QPointF(11.5, 5), QPointF(7, 11)}));
    p.fillRect(QRectF(2.5, 13, 9, 2), Qt::white);
    p.end();
    return image;
}

QImage Close() {
    QImage image = Band(20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xf4, 0xd6, 0xd3), 1));
    p.setBrush(kCross);
    p.drawRoundedRect(QRectF(3.5, 3.5, 13, 13), 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(13, 13));
    p.drawLine(QPointF(13, 7), QPointF(7, 13));
    p.end();
    return image;
}

// Previous (pointing left) or next (pointing right) page.
QImage PageButton(bool next, bool pressed) {
    QImage image = Band(14, pressed);
    QPainter p(&image);
    Glyph(p, pressed);
    if (next) {
        p.drawPolygon(QPolygonF({QPointF(4, 4.5), QPointF(11, 10), QPointF(4, 15.5)}));
    } else {
        p.drawPolygon(QPolygonF({QPointF(10, 4.5), QPointF(3, 10), QPointF(10, 15.5)}));
    }
    p.end();
    return image;
}

// A sunk light field for black text, inside the band.
QImage Field(int width) {
    QImage image = Band(width);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kFrame, 1));
    p.setBrush(kField);
    p.drawRoundedRect(QRectF(1.5, 2.5, width - 3, 16), 3, 3);
    p.end();
    return image;
}

// 0: unknown; else the number of charge bars lit (3 high, 2 middle, 1 low).
QImage Battery(int bars) {
    QImage image = Band(10);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(3, 3, 4, 2), Qt::white);
    p.setPen(Qt::white);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(1, 5, 7, 12));
    const QColor charge = bars == 1   ? kCross.lighter(130)
                          : bars == 2 ? kAmber
                                      : QColor(0x7c, 0xd6, 0x6b);
    for (int i = 0; i < bars; ++i) p.fillRect(QRect(3, 13 - 4 * i, 4, 3), charge);
    if (bars == 0) {
        p.setFont(Font(9, true));
        p.drawText(QRect(1, 5, 8, 12), Qt::AlignCenter, QStringLiteral("?"));
    }
    p.end();
    return image;
}

// One arrow button of the jump panel: -10, -1, +1 or +10.
void JumpArrow(QPainter& p, const QRectF& rect, int step, bool pressed) {
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    if (pressed) {
        fill.setColorAt(0, kInk);
        fill.setColorAt(1, kInkLight);
    } else {
        fill.setColorAt(0, QColor(0xff, 0xff, 0xff));
        fill.setColorAt(1, QColor(0xc9, 0xd3, 0xe4));
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(pressed ? kInk : kFrame, 1));
    p.setBrush(fill);
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? QColor(Qt::white) : kInk);
    const qreal cy = rect.center().y();
    const int count = (step == 10 || step == -10) ? 2 : 1;
    const qreal width = count == 2 ? 5 : 7;
    qreal x = rect.center().x() - width * count / 2;
    for (int i = 0; i < count; ++i, x += width) {
        if (step > 0) {
            p.drawPolygon(
                QPolygonF({QPointF(x, cy - 5), QPointF(x + width, cy), QPointF(x, cy + 5)}));
        } else {
            p.drawPolygon(QPolygonF(
                {QPointF(x + width, cy - 5), QPointF(x, cy), QPointF(x + width, cy + 5)}));
        }
    }
}

constexpr int kPanelSteps[] = {-10, -1, 1, 10};
constexpr int kPanelArrowX[] = {0, 20, 70, 90};

QImage JumpPanel() {
    QImage image = Canvas(110, 20, QImage::Format_RGB888);
    image.fill(QColor(0xee, 0xf2, 0xf8));
    QPainter p(&image);
    for (int i = 0; i < 4; ++i) {
        JumpArrow(p, QRectF(kPanelArrowX[i], 0, 20, 20), kPanelSteps[i], false);
    }
    p.setPen(QPen(kFrame, 1));
    p.setBrush(kField);
    p.drawRoundedRect(QRectF(40.5, 0.5, 29, 19), 2, 2);
    p.end();
    return image;
}

QImage PressedArrow(int step) {
    QImage image = Canvas(20, 20, QImage::Format_RGB888);
    image.fill(QColor(0xee, 0xf2, 0xf8));
    QPainter p(&image);
    JumpArrow(p, QRectF(0, 0, 20, 20), step, true);
    p.end();
    return image;
}

const ArtworkSet kViewer{
    // Portrait bar.
    {150, HideBar},
    {151, Close},
    {152, [] { return PageButton(false, false); }},
    {176, [] { return PageButton(false, true); }},
    {153, [] { return PageButton(true, false); }},
    {177, [] { return PageButton(true, true); }},
    {157, [] { return Field(84); }},
    {154, [] { return Field(50); }},
    {155, [] { return Battery(0); }},
    {167, [] { return Battery(3); }},
    {168, [] { return Battery(2); }},
    {169, [] { return Battery(1); }},
    {156, [] { return Field(34); }},
    // Landscape bar.
    {158, [] { return Turned(HideBar()); }},
    {159, [] { return Turned(Close()); }},
    {160, [] { return Turned(PageButton(false, false)); }},
    {179, [] { return Turned(PageButton(false, true)); }},
    {161, [] { return Turned(PageButton(true, false)); }},
    {178, [] { return Turned(PageButton(true, true)); }},
    {162, [] { return Turned(Field(164)); }},
    {163, [] { return Turned(Field(50)); }},
    {164, [] { return Turned(Battery(0)); }},
    {172, [] { return Turned(Battery(3)); }},
    {171, [] { return Turned(Battery(2)); }},
    {170, [] { return Turned(Battery(1)); }},
    {165, [] { return Turned(Field(34)); }},
    // Jump panels.
    {174, JumpPanel},
    {180, [] { return PressedArrow(-10); }},
    {181, [] { return PressedArrow(-1); }},
    {182, [] { return PressedArrow(1); }},
    {183, [] { return PressedArrow(10); }},
    {175, [] { return Turned(JumpPanel()); }},
    {184, [] { return Turned(PressedArrow(10)); }},
    {187, [] { return Turned(PressedArrow(1)); }},
    {186, [] { return Turned(PressedArrow(-1)); }},
    {185, [] { return Turned(PressedArrow(-10)); }},
};

}  // namespace
}  // namespace artwork
