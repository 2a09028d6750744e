#include "viewer/Overlays.h"

#include <QPainter>
#include <array>

#include "ui/Artwork.h"
#include "ui/Fonts.h"

namespace inkvista {

namespace {

constexpr int kFirstPicture = 150;
constexpr int kLastPicture = 187;
constexpr int kUprightPixels = 11;
// The last-page box's line fills its 110 pixels at this size.
constexpr int kBoxPixels = 10;

// The pictures are decoded once per pixel ratio: a frame copies them, it
// does not load them.
const QImage& Picture(int id, qreal ratio) {
    static std::array<QImage, kLastPicture - kFirstPicture + 1> cache;
    QImage& slot = cache[static_cast<size_t>(id - kFirstPicture)];
    if (slot.isNull() || slot.devicePixelRatio() != ratio)
        slot = LoadBitmap(id, ratio).convertToFormat(QImage::Format_RGB32);
    return slot;
}

void Put(QPainter& p, int id, int x, int y) {
    p.drawImage(QPoint(x, y), Picture(id, p.device()->devicePixelRatioF()));
}

// Text upright in `rect`.
void Upright(QPainter& p, const QRect& rect, int flags, const QString& text,
             int pixelSize = kUprightPixels) {
    QFont font = UprightFont();
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.drawText(rect, flags | Qt::TextSingleLine, text);
}

// Text turned a quarter turn, reading from the bottom of `rect` up the
// screen; `flags` are those of the turned line: AlignLeft starts it at the
// rectangle's lower end, AlignVCenter centres it across the column.
void Turned(QPainter& p, const QRect& rect, int flags, const QString& text) {
    p.save();
    p.setFont(SideFont());
    p.translate(rect.left(), rect.bottom() + 1);
    p.rotate(-90);
    p.drawText(QRect(0, 0, rect.height(), rect.width()), flags | Qt::TextSingleLine, text);
    p.restore();
}

QString Counter(const OverlayState& s) {
    return QStringLiteral("%1/%2").arg(s.currentPage + 1).arg(s.pageCount);
}

QString Clock(const OverlayState& s) {
    return QStringLiteral("%1:%2")
        .arg(s.clock.hour, 2, 10, QLatin1Char('0'))
        .arg(s.clock.minute, 2, 10, QLatin1Char('0'));
}

void PortraitBar(QPainter& p, const OverlayState& s) {
    constexpr int y = 300;
    Put(p, 150, 0, y);
    Put(p, 151, 14, y);
    Put(p, s.pageButtonHeld && s.heldPageButton == 1 ? 176 : 152, 34, y);
    Put(p, s.pageButtonHeld && s.heldPageButton == 2 ? 177 : 153, 48, y);
    Put(p, 157, 62, y);
    Upright(p, QRect(65, 301, 80, 17), Qt::AlignLeft | Qt::AlignVCenter, s.title);
    Put(p, 154, 146, y);
    Upright(p, QRect(148, 301, 47, 17), Qt::AlignCenter, Counter(s));
    Put(p, BatteryPicture(s.batteryPercent, true), 196, y);
    Put(p, 156, 206, y);
    Upright(p, QRect(209, 301, 30, 17), Qt::AlignCenter, Clock(s));
}

void LandscapeBar(QPainter& p, const OverlayState& s) {
    constexpr int x = 220;
    Put(p, 158, x, 306);
    Put(p, 159, x, 286);
    Put(p, s.pageButtonHeld && s.heldPageButton == 1 ? 179 : 160, x, 272);
    Put(p, s.pageButtonHeld && s.heldPageButton == 2 ? 178 : 161, x, 258);
    Put(p, 162, x, 94);
    Turned(p, QRect(222, 97, 16, 158), Qt::AlignLeft | Qt::AlignVCenter, s.title);
    Put(p, 163, x, 44);
    Turned(p, QRect(222, 45, 16, 48), Qt::AlignCenter, Counter(s));
    Put(p, BatteryPicture(s.batteryPercent, false), x, 34);
    Put(p, 165, x, 0);
    Turned(p, QRect(222, 1, 16, 32), Qt::AlignCenter, Clock(s));
}

void JumpPanel(QPainter& p, const OverlayState& s) {
    const QString number = QString::number(s.jumpTarget + 1);
    const int lit = s.jumpArrowLit ? s.litJumpArrow : 0;
    if (s.portrait) {
        Put(p, 174, 130, 280);
        Upright(p, QRect(171, 281, 27, 17), Qt::AlignCenter, number);
        static constexpr int kPressed[] = {180, 181, 182, 183};
        static constexpr int kX[] = {130, 150, 200, 220};
        if (lit >= 1 && lit <= 4) Put(p, kPressed[lit - 1], kX[lit - 1], 280);
        return;
    }
    Put(p, 175, 200, 0);
    Turned(p, QRect(201, 41, 18, 28), Qt::AlignCenter, number);
    static constexpr int kPressed[] = {185, 186, 187, 184};
    static constexpr int kY[] = {90, 70, 20, 0};
    if (lit >= 1 && lit <= 4) Put(p, kPressed[lit - 1], 200, kY[lit - 1]);
}

// The device context's own pen, brush and text colours: a white box with a
// black outline and black text.
void LastPageBox(QPainter& p, bool portrait) {
    const QString text = QStringLiteral("This is the last page");
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    if (portrait) {
        p.drawRect(QRect(50, 140, 129, 39));
        Upright(p, QRect(60, 150, 110, 20), Qt::AlignLeft | Qt::AlignVCenter, text, kBoxPixels);
        return;
    }
    p.drawRect(QRect(100, 90, 39, 139));
    Turned(p, QRect(110, 100, 20, 128), Qt::AlignLeft | Qt::AlignVCenter, text);
}

}  // namespace

int BatteryPicture(uint8_t percent, bool portrait) {
    if (percent == 255) return portrait ? 155 : 164;
    if (percent > 80) return portrait ? 167 : 172;
    if (percent > 30) return portrait ? 168 : 171;
    return portrait ? 169 : 170;
}

QFont UprightFont() {
    QFont font = ReaderFont(kSansFamily, kUprightPixels);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QFont SideFont() {
    return ReaderFont(kSerifFamily, 14);
}

void DrawOverlays(QImage& target, const OverlayState& state) {
    if (!state.menuShown && !state.lastPageNotice) return;
    QPainter p(&target);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::black);
    if (state.menuShown) {
        state.portrait ? PortraitBar(p, state) : LandscapeBar(p, state);
        if (state.jumpPanelShown) JumpPanel(p, state);
    }
    if (state.lastPageNotice) LastPageBox(p, state.portrait);
}

}  // namespace inkvista
