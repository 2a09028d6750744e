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

QRect RectOf(const LayoutRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

// The line of a place that shows one, laid out at each paint: the clock and
// the counter must be current.
QString TextOf(OverlayPart part, const ReadingState& r, const FrameFacts& f) {
    switch (part) {
        case OverlayPart::Title:
            return QString::fromUtf16(f.title.data(), static_cast<qsizetype>(f.title.size()));
        case OverlayPart::Counter:
            return QStringLiteral("%1/%2").arg(f.currentPage + 1).arg(f.pageCount);
        case OverlayPart::Clock:
            return QStringLiteral("%1:%2")
                .arg(f.clock.hour, 2, 10, QLatin1Char('0'))
                .arg(f.clock.minute, 2, 10, QLatin1Char('0'));
        case OverlayPart::JumpNumber:
            return QString::number(r.jumpTarget + 1);
        default:
            return QString();
    }
}

bool Pressed(const OverlayZone& zone, const ReadingState& r) {
    switch (zone.part) {
        case OverlayPart::TurnPage:
            return r.pageButtonHeld && r.heldPageButton == zone.button;
        case OverlayPart::StepJump:
            return r.jumpArrowLit && r.litJumpArrow == JumpArrowFor(zone.step);
        default:
            return false;
    }
}

void DrawZone(QPainter& p, const OverlayZone& zone, const ReadingState& r, const FrameFacts& f) {
    int picture = zone.picture;
    if (zone.part == OverlayPart::Battery) picture = BatteryPicture(f.batteryPercent, f.portrait);
    if (Pressed(zone, r)) picture = zone.pressedPicture;
    if (picture != 0) Put(p, picture, zone.place.x, zone.place.y);
    if (zone.text.empty()) return;
    // The title starts at the field's start; the other lines are centred.
    const int flags = zone.part == OverlayPart::Title ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                                      : int(Qt::AlignCenter);
    const QString text = TextOf(zone.part, r, f);
    f.portrait ? Upright(p, RectOf(zone.text), flags, text)
               : Turned(p, RectOf(zone.text), flags, text);
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
    return ReaderFont(kSansFamily, kUprightPixels);
}

QFont SideFont() {
    return ReaderFont(kSerifFamily, 14);
}

void DrawOverlays(QImage& target, const ReadingState& reading, const FrameFacts& facts) {
    if (!reading.menuShown && !reading.lastPageNotice) return;
    QPainter p(&target);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::black);
    if (reading.menuShown) {
        const OverlayLayout& layout = LayoutFor(facts.portrait);
        for (const OverlayZone& zone : layout.barZones) DrawZone(p, zone, reading, facts);
        if (reading.jumpPanelShown) {
            Put(p, layout.panelPicture, layout.panel.x, layout.panel.y);
            for (const OverlayZone& zone : layout.panelZones) DrawZone(p, zone, reading, facts);
        }
    }
    if (reading.lastPageNotice) LastPageBox(p, facts.portrait);
}

}  // namespace inkvista
