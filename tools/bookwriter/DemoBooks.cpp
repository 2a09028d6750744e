#include "bookwriter/DemoBooks.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

namespace inkvista::bookwriter {
namespace {

// Our own generator, so the same seed draws the same page with any standard
// library.
class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        s_ ^= s_ >> 12;
        s_ ^= s_ << 25;
        s_ ^= s_ >> 27;
        return s_ * 0x2545F4914F6CDD1Dull;
    }
    int Range(int lo, int hi) {  // lo..hi inclusive
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    bool Chance(double p) { return Unit() < p; }
    template <typename T>
    const T& Pick(const std::vector<T>& v) {
        return v[static_cast<size_t>(Range(0, static_cast<int>(v.size()) - 1))];
    }

  private:
    uint64_t s_;
};

const char kFont[] = "NanumGothic";

struct Script {
    std::vector<QString> lines;
    std::vector<QString> captions;
    std::vector<QString> effects;
    QString end;
};

Script ScriptOf(DemoTheme theme) {
    switch (theme) {
        case DemoTheme::Night:
            return {
                {"누구세요?", "달이 밝은 밤이군.", "범인은 이 안에 있어!", "발자국이 남아 있어요.",
                 "조용히 따라와.", "이상한데...", "부두로 가자!", "그 시계, 어디서 났지?"},
                {"그날 밤...", "부두 창고 앞", "새벽 두 시"},
                {"쾅!", "탕!", "휘익", "두근"},
                "끝"};
        case DemoTheme::Harbor:
            return {{"Fog's rolling in.", "Ring the bell!", "Did you see that light?",
                     "The ship is late again.", "Hold the rope!", "Tomorrow, we sail."},
                    {"Dawn at the pier.", "Meanwhile...", "Later that day."},
                    {"DING!", "SPLASH", "CREAK", "WHOOSH"},
                    "THE END"};
        case DemoTheme::Hills:
            return {{"바람이 분다.", "저 언덕 너머로!", "같이 가자!", "노래가 들려.",
                     "구름이 빨라요!", "조금만 더!", "여기서 쉬자."},
                    {"봄날 아침", "언덕 위에서", "해 질 무렵"},
                    {"휘잉~", "쏴아", "펄럭"},
                    "끝"};
        case DemoTheme::Space:
            return {{"Moon milk, here I come!", "3... 2... 1...", "Meow?", "Houston, I'm hungry.",
                     "Too many stars!", "A fish-shaped planet!"},
                    {"Day 12 in orbit.", "Far, far away...", "Back at the base."},
                    {"ZOOM!", "BEEP", "FWOOSH", "BONK"},
                    "THE END"};
        case DemoTheme::Diner:
            return {{"어서 오세요!", "오늘의 메뉴는 생선구이!", "한 그릇 더 주세요.", "냠냠!",
                     "맛있다!", "Table for two?", "계산은 여기서요."},
                    {"점심 시간", "고양이 식당", "비 오는 저녁"},
                    {"야옹!", "지글지글", "딸랑"},
                    "끝"};
    }
    return {};
}

struct Colours {
    QColor sky, ground, accent, skin, hair, cloth1, cloth2, balloon, caption;
};

Colours ColoursOf(DemoTheme theme) {
    switch (theme) {
        case DemoTheme::Night:
            return {QColor(40, 48, 80),    QColor(70, 70, 80), QColor(250, 235, 150),
                    QColor(240, 205, 170), QColor(40, 30, 30), QColor(120, 90, 60),
                    QColor(60, 70, 110),   Qt::white,          QColor(235, 230, 200)};
        case DemoTheme::Harbor:
            return {QColor(170, 210, 240), QColor(40, 110, 170),
                    QColor(230, 80, 60),   QColor(245, 200, 160),
                    QColor(110, 60, 30),   QColor(250, 200, 40),
                    QColor(60, 140, 90),   Qt::white,
                    QColor(255, 245, 190)};
        case DemoTheme::Hills:
            return {QColor(190, 225, 250), QColor(110, 180, 90),
                    QColor(250, 150, 170), QColor(250, 215, 180),
                    QColor(60, 40, 30),    QColor(230, 110, 90),
                    QColor(90, 120, 200),  Qt::white,
                    QColor(255, 240, 210)};
        case DemoTheme::Space:
            return {QColor(20, 20, 45),   QColor(120, 110, 140),
                    QColor(250, 120, 40), QColor(250, 170, 80),
                    QColor(200, 110, 40), QColor(230, 230, 240),
                    QColor(200, 60, 60),  Qt::white,
                    QColor(210, 230, 255)};
        case DemoTheme::Diner:
            return {QColor(250, 225, 190), QColor(170, 110, 70),
                    QColor(220, 60, 60),   QColor(190, 190, 190),
                    QColor(90, 90, 90),    QColor(250, 250, 250),
                    QColor(80, 150, 200),  Qt::white,
                    QColor(255, 240, 200)};
    }
    return {};
}

QFont MakeFont(double pixelSize, bool bold = false) {
    QFont f(kFont);
    f.setPixelSize(std::max(6, static_cast<int>(pixelSize)));
    f.setBold(bold);
    return f;
}

void DrawBackground(QPainter& p, const QRectF& r, DemoTheme theme, const Colours& c, Rng& rng) {
    p.fillRect(r, c.sky);
    p.setPen(Qt::NoPen);
    const double horizon = r.top() + r.height() * rng.Between(0.55, 0.75);
    switch (theme) {
        case DemoTheme::Night: {
            p.setBrush(c.accent);
            const double mr = r.height() * 0.12;
            p.drawEllipse(QPointF(r.left() + r.width() * rng.Between(0.2, 0.8), r.top() + mr * 1.6),
                          mr, mr);
            for (double x = r.left(); x < r.right();) {
                const double bw = r.width() * rng.Between(0.12, 0.25);
                const double top = r.top() + r.height() * rng.Between(0.3, 0.6);
                p.setBrush(QColor(25, 28, 45));
                p.drawRect(QRectF(x, top, bw - 2, r.bottom() - top));
                p.setBrush(c.accent.darker(110));
                for (double wy = top + 6; wy < r.bottom() - 8; wy += 12)
                    for (double wx = x + 4; wx < x + bw - 8; wx += 9)
                        if (rng.Chance(0.35)) p.drawRect(QRectF(wx, wy, 4, 5));
                x += bw;
            }
            break;
        }
        case DemoTheme::Harbor: {
            p.setBrush(c.ground);
            p.drawRect(QRectF(r.left(), horizon, r.width(), r.bottom() - horizon));
            p.setPen(QPen(QColor(230, 240, 255), 1.5));
            for (int i = 0; i < 6; ++i) {
                const double wy = horizon + (r.bottom() - horizon) * rng.Between(0.15, 0.9);
                const double wx = r.left() + r.width() * rng.Unit();
                p.drawArc(QRectF(wx, wy, 14, 6), 0, 180 * 16);
            }
            p.setPen(Qt::NoPen);
            if (rng.Chance(0.6)) {  // a boat
                const double bx = r.left() + r.width() * rng.Between(0.1, 0.6),
                             bw = r.width() * 0.3;
                QPolygonF hull;
                hull << QPointF(bx, horizon - 4) << QPointF(bx + bw, horizon - 4)
                     << QPointF(bx + bw * 0.85, horizon + 8)
                     << QPointF(bx + bw * 0.15, horizon + 8);
                p.setBrush(c.accent);
                p.drawPolygon(hull);
                p.setBrush(Qt::white);
                QPolygonF sail;
                sail << QPointF(bx + bw * 0.5, horizon - 4)
                     << QPointF(bx + bw * 0.5, horizon - bw * 0.8)
                     << QPointF(bx + bw * 0.85, horizon - 6);
                p.drawPolygon(sail);
            } else {  // a lighthouse
                const double lx = r.left() + r.width() * rng.Between(0.6, 0.85),
                             lw = r.width() * 0.08;
                p.setBrush(Qt::white);
                p.drawRect(QRectF(lx, horizon - r.height() * 0.45, lw, r.height() * 0.45));
                p.setBrush(c.accent);
                for (int i = 0; i < 3; ++i)
                    p.drawRect(
                        QRectF(lx, horizon - r.height() * (0.4 - 0.13 * i), lw, r.height() * 0.05));
                p.setBrush(c.cloth1);
                p.drawEllipse(QPointF(lx + lw / 2, horizon - r.height() * 0.47), lw * 0.7,
                              lw * 0.5);
            }
            break;
        }
        case DemoTheme::Hills: {
            p.setBrush(Qt::white);
            for (int i = 0; i < 3; ++i) {
                const QPointF cc(r.left() + r.width() * rng.Unit(),
                                 r.top() + r.height() * rng.Between(0.1, 0.35));
                for (int k = 0; k < 3; ++k)
                    p.drawEllipse(cc + QPointF(k * 10 - 10, (k % 2) * -5), 12, 8);
            }
            p.setBrush(c.ground.lighter(115));
            p.drawEllipse(QPointF(r.left() + r.width() * 0.25, r.bottom() + r.height() * 0.2),
                          r.width() * 0.6, r.height() * 0.55);
            p.setBrush(c.ground);
            p.drawEllipse(QPointF(r.left() + r.width() * 0.85, r.bottom() + r.height() * 0.25),
                          r.width() * 0.6, r.height() * 0.5);
            p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
            for (int i = 0; i < 4; ++i) {
                const double y = r.top() + r.height() * rng.Between(0.2, 0.6);
                const double x = r.left() + r.width() * rng.Between(0, 0.6);
                p.drawLine(QPointF(x, y), QPointF(x + r.width() * 0.3, y));
            }
            p.setPen(Qt::NoPen);
            break;
        }
        case DemoTheme::Space: {
            p.setBrush(Qt::white);
            for (int i = 0; i < static_cast<int>(r.width() * r.height() / 400); ++i)
                p.drawEllipse(
                    QPointF(r.left() + r.width() * rng.Unit(), r.top() + r.height() * rng.Unit()),
                    0.8, 0.8);
            p.setBrush(c.ground);
            const double pr = r.width() * rng.Between(0.12, 0.22);
            const QPointF pc(r.left() + r.width() * rng.Between(0.15, 0.85),
                             r.top() + r.height() * 0.3);
            p.drawEllipse(pc, pr, pr);
            p.setBrush(c.ground.darker(130));
            p.drawEllipse(pc + QPointF(pr * 0.3, -pr * 0.2), pr * 0.2, pr * 0.2);
            p.setBrush(c.ground.lighter(130));
            p.drawRect(
                QRectF(r.left(), r.bottom() - r.height() * 0.12, r.width(), r.height() * 0.12));
            break;
        }
        case DemoTheme::Diner: {
            p.setBrush(c.sky.darker(108));
            for (double x = r.left(); x < r.right(); x += 16)
                p.drawRect(QRectF(x, r.top(), 8, horizon - r.top()));
            p.setBrush(QColor(200, 230, 250));
            const QRectF win(r.left() + r.width() * rng.Between(0.05, 0.6),
                             r.top() + r.height() * 0.1, r.width() * 0.3, r.height() * 0.25);
            p.drawRect(win);
            p.setPen(QPen(c.ground, 3));
            p.setBrush(Qt::NoBrush);
            p.drawRect(win);
            p.drawLine(QPointF(win.center().x(), win.top()),
                       QPointF(win.center().x(), win.bottom()));
            p.setPen(Qt::NoPen);
            p.setBrush(c.ground);
            p.drawRect(QRectF(r.left(), horizon, r.width(), r.bottom() - horizon));
            p.setBrush(c.ground.lighter(130));
            p.drawRect(QRectF(r.left(), horizon, r.width(), 5));
            break;
        }
    }
    p.setBrush(Qt::NoBrush);
}

// A figure standing on `feet`, `height` tall; answers the centre of its head.
QPointF DrawFigure(QPainter& p, QPointF feet, double height, bool cat, const Colours& c,
                   QColor cloth, bool facingRight, Rng& rng) {
    const double headR = height * 0.14;
    const QPointF head(feet.x(), feet.y() - height + headR);
    const QPen ink(Qt::black, std::max(1.2, height / 60));
    p.setPen(ink);
    const double torsoTop = head.y() + headR * 0.9, torsoH = height * 0.38;
    // legs
    p.drawLine(QPointF(feet.x() - headR * 0.4, torsoTop + torsoH),
               QPointF(feet.x() - headR * 0.6, feet.y()));
    p.drawLine(QPointF(feet.x() + headR * 0.4, torsoTop + torsoH),
               QPointF(feet.x() + headR * 0.6, feet.y()));
    // body
    p.setBrush(cloth);
    p.drawRoundedRect(QRectF(feet.x() - headR * 0.9, torsoTop, headR * 1.8, torsoH), headR * 0.4,
                      headR * 0.4);
    // arms, one raised now and then
    const double side = facingRight ? 1 : -1;
    const bool wave = rng.Chance(0.4);
    p.drawLine(
        QPointF(feet.x() + side * headR * 0.8, torsoTop + headR * 0.3),
        QPointF(feet.x() + side * headR * 1.8, torsoTop + (wave ? -headR * 0.8 : torsoH * 0.7)));
    p.drawLine(QPointF(feet.x() - side * headR * 0.8, torsoTop + headR * 0.3),
               QPointF(feet.x() - side * headR * 1.4, torsoTop + torsoH * 0.8));
    // head
    const QColor skin = cat ? c.skin : c.skin;
    if (cat) {
        p.setBrush(skin);
        for (double s : {-1.0, 1.0}) {
            QPolygonF ear;
            ear << head + QPointF(s * headR * 0.9, -headR * 0.3)
                << head + QPointF(s * headR * 0.8, -headR * 1.4)
                << head + QPointF(s * headR * 0.2, -headR * 0.8);
            p.drawPolygon(ear);
        }
    }
    p.setBrush(skin);
    p.drawEllipse(head, headR, headR);
    if (!cat) {
        p.setBrush(c.hair);
        p.drawChord(QRectF(head.x() - headR, head.y() - headR, 2 * headR, 2 * headR), 20 * 16,
                    140 * 16);
    }
    // face
    p.setBrush(Qt::black);
    const double eyeX = head.x() + side * headR * 0.25;
    p.drawEllipse(QPointF(eyeX - headR * 0.3, head.y()), headR * 0.1, headR * 0.13);
    p.drawEllipse(QPointF(eyeX + headR * 0.3, head.y()), headR * 0.1, headR * 0.13);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(eyeX - headR * 0.3, head.y() + headR * 0.2, headR * 0.6, headR * 0.4),
              200 * 16, 140 * 16);
    if (cat) {
        for (double s : {-1.0, 1.0}) {
            p.drawLine(head + QPointF(s * headR * 0.4, headR * 0.35),
                       head + QPointF(s * headR * 1.3, headR * 0.2));
            p.drawLine(head + QPointF(s * headR * 0.4, headR * 0.45),
                       head + QPointF(s * headR * 1.3, headR * 0.55));
        }
    }
    return head;
}

// A speech balloon near the top of `panel` pointing at `speaker`.
void DrawBalloon(QPainter& p, const QRectF& panel, QPointF speaker, const QString& text,
                 double fontPx, bool left) {
    const QFont font = MakeFont(fontPx);
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double maxW = panel.width() * 0.55;
    QRectF textRect = fm.boundingRect(QRectF(0, 0, maxW, panel.height()),
                                      Qt::TextWordWrap | Qt::AlignCenter, text);
    const double rx = textRect.width() * 0.5 * 1.35 + 4, ry = textRect.height() * 0.5 * 1.4 + 3;
    double cx = left ? panel.left() + rx + 4 : panel.right() - rx - 4;
    double cy = panel.top() + ry + 4;
    cx = std::clamp(cx, panel.left() + rx + 2,
                    std::max(panel.left() + rx + 2, panel.right() - rx - 2));
    QPainterPath shape;
    shape.addEllipse(QPointF(cx, cy), rx, ry);
    // The tail stops short of the speaker's head.
    const QPointF base(cx, cy + ry * 0.6);
    QPointF toward = (speaker - base) * 0.55;
    const double length = std::hypot(toward.x(), toward.y());
    const double longest = std::max(ry * 1.5, panel.height() * 0.18);
    if (length > longest) toward *= longest / length;
    QPointF tip = base + toward;
    if (tip.y() < cy + ry + 4) tip.setY(cy + ry + 8);
    QPainterPath tail;
    tail.addPolygon(QPolygonF() << base + QPointF(-rx * 0.15, 0) << tip
                                << base + QPointF(rx * 0.15, 0));
    tail.closeSubpath();
    shape = shape.united(tail);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(shape);
    p.setPen(Qt::black);
    textRect.moveCenter(QPointF(cx, cy));
    // A little room so the text wraps as it was measured.
    p.drawText(textRect.adjusted(-2, -2, 2, 2), Qt::TextWordWrap | Qt::AlignCenter, text);
}

void DrawCaption(QPainter& p, const QRectF& panel, const QString& text, double fontPx,
                 const QColor& fill) {
    const QFont font = MakeFont(fontPx, true);
    p.setFont(font);
    const QFontMetricsF fm(font);
    QRectF box(panel.left(), panel.bottom() - fm.height() - 6, fm.horizontalAdvance(text) + 10,
               fm.height() + 6);
    box.setWidth(std::min(box.width(), panel.width()));
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(fill);
    p.drawRect(box);
    p.drawText(box, Qt::AlignCenter, text);
}

// A sound effect: big outlined letters at a slant.
void DrawEffect(QPainter& p, QPointF at, const QString& text, double px, const QColor& fill,
                double angle, double maxWidth) {
    QPainterPath path;
    path.addText(0, 0, MakeFont(px, true), text);
    if (path.boundingRect().width() > maxWidth) {
        px *= maxWidth / path.boundingRect().width();
        path = QPainterPath();
        path.addText(0, 0, MakeFont(px, true), text);
    }
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.translate(-path.boundingRect().center());
    p.setPen(QPen(Qt::black, std::max(2.0, px / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void DrawPanel(QPainter& p, const QRectF& r, const DemoBook& book, const Script& script,
               const Colours& c, double unit, Rng& rng) {
    p.save();
    p.setClipRect(r);
    DrawBackground(p, r, book.theme, c, rng);
    const bool cat = book.theme == DemoTheme::Space || book.theme == DemoTheme::Diner;
    const int figures = r.width() > unit * 70 ? rng.Range(1, 2) : 1;
    const double floor = r.bottom() - r.height() * 0.04;
    const double h = std::min(r.height() * rng.Between(0.55, 0.8), r.width() * 1.2);
    std::vector<QPointF> heads;
    for (int i = 0; i < figures; ++i) {
        const double x = r.left() + r.width() * (figures == 1 ? rng.Between(0.35, 0.65)
                                                              : (i == 0 ? 0.28 : 0.72));
        const bool right = figures == 1 ? rng.Chance(0.5) : i == 0;
        heads.push_back(DrawFigure(p, QPointF(x, floor + h * 0.1), h,
                                   cat && (i == 0 || rng.Chance(0.5)), c,
                                   i == 0 ? c.cloth1 : c.cloth2, right, rng));
    }
    const int speaker = rng.Range(0, figures - 1);
    if (r.height() > unit * 45 && rng.Chance(0.85))
        DrawBalloon(p, r, heads[static_cast<size_t>(speaker)], rng.Pick(script.lines), unit * 10.5,
                    heads[static_cast<size_t>(speaker)].x() > r.center().x());
    if (rng.Chance(0.22))
        DrawEffect(p,
                   QPointF(r.left() + r.width() * rng.Between(0.3, 0.7),
                           r.top() + r.height() * rng.Between(0.4, 0.6)),
                   rng.Pick(script.effects), std::min(r.height() * 0.3, unit * 30), c.accent,
                   rng.Between(-18, 12), r.width() * 0.8);
    else if (rng.Chance(0.25))
        DrawCaption(p, r, rng.Pick(script.captions), unit * 8.5, c.caption);
    p.restore();
    p.setPen(QPen(Qt::black, std::max(2.0, unit * 2.2)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void DrawCover(QPainter& p, const QRectF& page, const DemoBook& book, const Colours& c, double unit,
               Rng& rng) {
    const QRectF r = page.adjusted(unit * 8, unit * 8, -unit * 8, -unit * 8);
    p.save();
    p.setClipRect(r);
    DrawBackground(p, r, book.theme, c, rng);
    const bool cat = book.theme == DemoTheme::Space || book.theme == DemoTheme::Diner;
    const double h = std::min(r.height() * 0.6, r.width() * 1.1);
    DrawFigure(p, QPointF(r.center().x(), r.bottom() + h * 0.08), h, cat, c, c.cloth1, true, rng);
    const QString title = QString::fromStdString(book.options.title);
    const double titlePx =
        std::min(r.width() / std::max<qsizetype>(4, title.size()) * 1.6, unit * 40);
    DrawEffect(p, QPointF(r.center().x(), r.top() + r.height() * 0.16), title, titlePx, c.accent,
               -4, r.width() * 0.9);
    p.setFont(MakeFont(unit * 11, true));
    const QRectF band(r.left(), r.bottom() - unit * 40, r.width(), unit * 40);
    p.fillRect(band, QColor(255, 255, 255, 220));
    p.setPen(Qt::black);
    p.drawText(band, Qt::AlignCenter,
               QString::fromStdString(book.options.chapter) + "\n" +
                   QString::fromStdString(book.options.author));
    p.restore();
    p.setPen(QPen(Qt::black, unit * 3));
    p.drawRect(r);
}

// Splits `length` into `count` parts of random share, `gap` apart.
std::vector<std::pair<double, double>> Split(double start, double length, int count, double gap,
                                             Rng& rng) {
    std::vector<double> w;
    double total = 0;
    for (int i = 0; i < count; ++i) total += w.emplace_back(rng.Between(0.7, 1.4));
    std::vector<std::pair<double, double>> parts;
    const double usable = length - gap * (count - 1);
    double at = start;
    for (double share : w) {
        const double len = usable * share / total;
        parts.emplace_back(at, len);
        at += len + gap;
    }
    return parts;
}

QSize PageSizeOf(const DemoBook& book, int index) {
    // The diner book mixes short strips among its tall pages.
    if (book.theme == DemoTheme::Diner && index > 0 && index % 4 == 3)
        return QSize(book.pageSize.width(), book.pageSize.width() * 2 / 3);
    return book.pageSize;
}

}  // namespace

std::vector<DemoBook> DemoBooks() {
    auto make = [](std::string file, BookKind kind, bool colour, std::string record,
                   const char* title, const char* chapter, const char* author,
                   const char* publisher, int pages, QSize size, DemoTheme theme, uint64_t seed) {
        DemoBook b;
        b.fileName = std::move(file);
        b.options.kind = kind;
        b.options.colour = colour;
        b.options.record = std::move(record);
        b.options.title = title;
        b.options.chapter = chapter;
        b.options.author = author;
        b.options.publisher = publisher;
        b.pageCount = pages;
        b.pageSize = size;
        b.theme = theme;
        b.seed = seed;
        return b;
    };
    return {
        make("moonlight-detective.cmb", BookKind::Cmb, false, "CX", "달빛 탐정",
             "제1화 안개 낀 부두", "한서윤", "잉크비스타 코믹스", 18, QSize(360, 540),
             DemoTheme::Night, 11),
        make("harbor-lights.cxb", BookKind::Cxb, true, "XC", "Harbor Lights", "Ch. 1: Fog Bell",
             "Mara Reyes", "Quillmark Press", 14, QSize(240, 320), DemoTheme::Harbor, 22),
        make("song-of-the-wind.cmb", BookKind::Cmb, true, "XC", "바람의 노래", "첫 번째 바람",
             "이도현", "잉크비스타 코믹스", 12, QSize(640, 400), DemoTheme::Hills, 33),
        make("rocket-cat.cxb", BookKind::Cxb, false, "XC", "Rocket Cat", "Episode 3: Moon Milk",
             "Theo Park", "Quillmark Press", 24, QSize(240, 200), DemoTheme::Space, 44),
        make("cat-diner.cxb", BookKind::Cxb, true, "XC", "고양이 식당", "오늘의 메뉴", "박지민",
             "잉크비스타 코믹스", 20, QSize(300, 480), DemoTheme::Diner, 55),
    };
}

QImage DrawDemoPage(const DemoBook& book, int index) {
    const QSize size = PageSizeOf(book, index);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    Rng rng(book.seed * 1000 + static_cast<uint64_t>(index));
    const Script script = ScriptOf(book.theme);
    const Colours colours = ColoursOf(book.theme);
    const double unit =
        std::min(size.width(), size.height() * 3 / 4) / 240.0;  // 1 at the device's width
    const QRectF page(0, 0, size.width(), size.height());

    if (index == 0) {
        DrawCover(p, page, book, colours, unit, rng);
        return image;
    }
    const double margin = 6 * unit, gap = 5 * unit, footer = 14 * unit;
    const QRectF area = page.adjusted(margin, margin, -margin, -margin - footer);
    const bool wide = size.width() > size.height();
    const bool last = index == book.pageCount - 1;
    if (last) {
        DrawPanel(p, area, book, script, colours, unit, rng);
        DrawEffect(p, QPointF(area.center().x(), area.top() + area.height() * 0.3), script.end,
                   unit * 34, colours.accent, 0, area.width() * 0.8);
    } else {
        const int bands = wide ? 2 : size.height() < size.width() * 1.0 ? 1 : rng.Range(2, 4);
        for (const auto& [y, h] : Split(area.top(), area.height(), bands, gap, rng)) {
            const int across = rng.Range(1, wide ? 3 : (h > area.height() * 0.45 ? 2 : 3));
            for (const auto& [x, w] : Split(area.left(), area.width(), across, gap, rng))
                DrawPanel(p, QRectF(x, y, w, h), book, script, colours, unit, rng);
        }
    }
    p.setPen(Qt::black);
    p.setFont(MakeFont(unit * 9));
    p.drawText(QRectF(0, size.height() - margin - footer, size.width(), footer), Qt::AlignCenter,
               QString("- %1 -").arg(index + 1));
    return image;
}

bool WriteDemoLibrary(const std::string& dir, std::vector<std::string>* written,
                      std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        *error = dir + ": " + ec.message();
        return false;
    }
    for (const DemoBook& book : DemoBooks()) {
        const std::string path = (std::filesystem::path(dir) / book.fileName).string();
        const PictureMaker draw = [&](size_t i, QImage* picture, std::string* name, std::string*) {
            *picture = DrawDemoPage(book, static_cast<int>(i));
            *name = book.fileName + " page " + std::to_string(i + 1);
            return true;
        };
        PackOptions options = book.options;
        options.jobs = std::max(1u, std::thread::hardware_concurrency());
        if (!PackWith(path, static_cast<size_t>(book.pageCount), draw, options, error))
            return false;
        if (written) written->push_back(path);
    }
    return true;
}

}  // namespace inkvista::bookwriter
