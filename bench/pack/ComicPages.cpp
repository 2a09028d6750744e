// The pictures the `pack` benchmark converts: comic pages as scanners and
// publishers deliver them, drawn the same on every run. 24 pictures of
// 1200 x 1800 and more: line art with 3-pixel hatching and cross-hatching,
// dot screen tones, balloons of small lettering, photo-like panels with
// grain, colour cel pages, two double-page spreads (2400 x 1800), a page
// with wide white margins and three 2400 x 3600 scans. Grey pages are PNG
// or JPEG, scans and colour pages JPEG.
//
//   inkvista_comic_pages DIR
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 7) {}
    double Unit() {
        s_ ^= s_ >> 12;
        s_ ^= s_ << 25;
        s_ ^= s_ >> 27;
        return double((s_ * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0;
    }
    double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }

  private:
    uint64_t s_;
};

const char* const kLines[] = {"WHERE WERE YOU LAST NIGHT?", "The harbor lights went out at two.",
                              "I SAW SOMEONE ON THE PIER!", "누구세요? 문을 열어요!",
                              "Don't move. Not a sound.",   "발자국이 아직 남아 있어요.",
                              "THE BELL... LISTEN!",        "We sail at dawn, whatever it takes."};

// Parallel lines `gap` apart at `angle` degrees, clipped to `area`.
void Hatch(QPainter& p, const QPainterPath& area, double angle, double gap, double width) {
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    const QRectF r = area.boundingRect();
    p.translate(r.center());
    p.rotate(angle);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap));
    const double reach = std::hypot(r.width(), r.height()) / 2 + gap;
    for (double y = -reach; y < reach; y += gap) p.drawLine(QPointF(-reach, y), QPointF(reach, y));
    p.restore();
}

// A dot screen: dots on a grid at 45 degrees, `pitch` apart, covering
// `share` of the area.
void Screen(QPainter& p, const QPainterPath& area, double pitch, double share) {
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    const QRectF r = area.boundingRect();
    p.translate(r.center());
    p.rotate(45);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const double radius = pitch * std::sqrt(share / M_PI);
    const double reach = std::hypot(r.width(), r.height()) / 2 + pitch;
    for (double y = -reach; y < reach; y += pitch)
        for (double x = -reach; x < reach; x += pitch) p.drawEllipse(QPointF(x, y), radius, radius);
    p.restore();
}

void Balloon(QPainter& p, QPointF centre, double w, const char* text, double px) {
    QFont font("NanumGothic");
    font.setPixelSize(static_cast<int>(px));
    font.setBold(true);
    p.setFont(font);
    const QRectF box(centre.x() - w / 2, centre.y() - px * 2.2, w, px * 4.4);
    p.setPen(QPen(Qt::black, 3));
    p.setBrush(Qt::white);
    p.drawEllipse(box.adjusted(-px, -px * 0.6, px, px * 0.6));
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(text));
}

void Figure(QPainter& p, QPointF feet, double h, const QColor& cloth, bool hatched) {
    const double head = h * 0.13;
    QPainterPath body;
    body.addRoundedRect(QRectF(feet.x() - head, feet.y() - h * 0.72, 2 * head, h * 0.45), head / 2,
                        head / 2);
    p.setPen(QPen(Qt::black, 4));
    p.setBrush(cloth);
    p.drawPath(body);
    if (hatched) Hatch(p, body, 30, 3, 1);
    p.drawLine(QPointF(feet.x() - head / 2, feet.y() - h * 0.27),
               QPointF(feet.x() - head, feet.y()));
    p.drawLine(QPointF(feet.x() + head / 2, feet.y() - h * 0.27),
               QPointF(feet.x() + head, feet.y()));
    p.setBrush(QColor(245, 215, 185));
    p.drawEllipse(QPointF(feet.x(), feet.y() - h + head), head, head);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(feet.x() - head * 0.35, feet.y() - h + head), 3, 4);
    p.drawEllipse(QPointF(feet.x() + head * 0.35, feet.y() - h + head), 3, 4);
}

// A photo-like panel: soft light, blurred shapes and grain.
void Photo(QImage& img, const QRect& r, Rng& rng, bool colour) {
    QPainter p(&img);
    QRadialGradient light(r.left() + r.width() * rng.Unit(), r.top() + r.height() * rng.Unit(),
                          r.width() * 0.9);
    light.setColorAt(0, colour ? QColor(250, 220, 170) : QColor(235, 235, 235));
    light.setColorAt(1, colour ? QColor(40, 60, 110) : QColor(30, 30, 30));
    p.fillRect(r, light);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        QRadialGradient blob(r.left() + r.width() * rng.Unit(), r.top() + r.height() * rng.Unit(),
                             r.width() * rng.Between(0.05, 0.2));
        const int v = static_cast<int>(rng.Between(20, 240));
        blob.setColorAt(0, colour ? QColor(v, 255 - v, (v * 3) % 256, 200) : QColor(v, v, v, 200));
        blob.setColorAt(1, Qt::transparent);
        p.setBrush(blob);
        p.drawRect(r);
    }
    p.end();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const int n = static_cast<int>(rng.Between(-14, 14));
            const QRgb c = row[x];
            row[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                          std::clamp(qBlue(c) + n, 0, 255));
        }
    }
}

// Rooftops along the horizon: outlined blocks, windows, some cross-hatched.
void Skyline(QPainter& p, const QRectF& r, bool colour, Rng& rng) {
    for (double x = r.left(); x < r.right();) {
        const double w = r.width() * rng.Between(0.08, 0.18);
        const double top = r.top() + r.height() * rng.Between(0.25, 0.55);
        QPainterPath block;
        block.addRect(QRectF(x, top, w, r.bottom() - r.height() * 0.3 - top));
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(colour ? QColor::fromHsv(static_cast<int>(rng.Between(0, 60)), 60, 200)
                          : QColor(Qt::white));
        p.drawPath(block);
        if (!colour && rng.Unit() < 0.5) {
            Hatch(p, block, 45, 4, 1);
            Hatch(p, block, -45, 4, 1);
        }
        p.setPen(QPen(Qt::black, 1));
        for (double wy = top + 10; wy < r.bottom() - r.height() * 0.3 - 16; wy += 22)
            for (double wx = x + 8; wx < x + w - 14; wx += 16) p.drawRect(QRectF(wx, wy, 7, 10));
        x += w;
    }
}

void Caption(QPainter& p, const QRectF& r, int index) {
    QFont font("NanumGothic");
    font.setPixelSize(18);
    p.setFont(font);
    const QRectF box(r.right() - r.width() * 0.45 - 10, r.bottom() - 80, r.width() * 0.45, 64);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(250, 245, 225));
    p.drawRect(box);
    p.drawText(box.adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::TextWordWrap,
               QString::fromUtf8(kLines[(index + 3) % 8]) + " " +
                   QString::fromUtf8(kLines[(index + 5) % 8]));
}

struct Style {
    bool colour = false;
    bool photo = false;
    double margin = 40;
};

void Panel(QPainter& p, QImage& img, const QRectF& r, const Style& s, Rng& rng, int index) {
    QPainterPath area;
    area.addRect(r);
    if (s.photo && index % 3 == 1) {
        p.end();
        Photo(img, r.toRect(), rng, s.colour);
        p.begin(&img);
        p.setRenderHint(QPainter::Antialiasing);
    } else {
        const QColor sky = s.colour
                               ? QColor::fromHsv(static_cast<int>(rng.Between(180, 230)), 90, 245)
                               : Qt::white;
        p.fillRect(r, sky);
        QPainterPath ground;
        ground.addRect(
            QRectF(r.left(), r.bottom() - r.height() * 0.3, r.width(), r.height() * 0.3));
        if (s.colour) {
            p.fillPath(ground, QColor(120, 170, 90));
        } else if (index % 2 == 0) {
            Screen(p, ground, 6, rng.Between(0.15, 0.45));
        } else {
            Hatch(p, ground, 0, 3, 1);
            Hatch(p, ground, 90, 5, 1);
        }
        Skyline(p, r, s.colour, rng);
        QPainterPath shade;
        shade.addEllipse(r.center() + QPointF(r.width() * 0.2, -r.height() * 0.2), r.width() * 0.2,
                         r.height() * 0.15);
        if (!s.colour) Hatch(p, shade, -45, 3, 1.2);
        Figure(p, QPointF(r.left() + r.width() * rng.Between(0.3, 0.7), r.bottom() - 10),
               r.height() * 0.7, s.colour ? QColor::fromHsv(index * 47 % 360, 160, 220) : Qt::white,
               !s.colour);
    }
    if (index % 2 == 1) Caption(p, r, index);
    if (r.height() > 300)
        Balloon(p, QPointF(r.left() + r.width() * 0.35, r.top() + 90),
                std::min(r.width() * 0.55, 420.0), kLines[index % 8], 26);
    p.setPen(QPen(Qt::black, 5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

QImage Page(int width, int height, const Style& s, uint64_t seed) {
    Rng rng(seed);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double m = s.margin, gap = 24;
    const QRectF area(m, m, width - 2 * m, height - 2 * m);
    const int rows = height > width ? 3 : 2;
    int index = 0;
    for (int row = 0; row < rows; ++row) {
        const double h = (area.height() - gap * (rows - 1)) / rows;
        const double y = area.top() + row * (h + gap);
        const int across = 1 + (row + static_cast<int>(seed)) % (width > height ? 3 : 2);
        const double w = (area.width() - gap * (across - 1)) / across;
        for (int i = 0; i < across; ++i)
            Panel(p, img, QRectF(area.left() + i * (w + gap), y, w, h), s, rng, index++);
    }
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 3;
    char name[] = "pages", flag[] = "-platform", platform[] = "offscreen";
    char* qtArgv[] = {name, flag, platform, nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: inkvista_comic_pages DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    int n = 0;
    auto save = [&](const QImage& img, const char* kind, bool jpeg) {
        const QString file = QString("%1/%2-%3.%4")
                                 .arg(dir)
                                 .arg(++n, 2, 10, QChar('0'))
                                 .arg(kind)
                                 .arg(jpeg ? "jpg" : "png");
        if (!img.save(file, nullptr, jpeg ? 90 : -1)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            std::exit(1);
        }
    };
    for (int i = 0; i < 10; ++i) {  // grey line art, tones and lettering
        Style s;
        s.photo = i % 3 == 2;
        save(Page(i < 7 ? 1200 : 1600, i < 7 ? 1800 : 2400, s, 100 + i), "grey", i % 2 == 1);
    }
    Style wide;
    wide.margin = 200;
    save(Page(1200, 1800, wide, 150), "margins", false);
    for (int i = 0; i < 2; ++i) save(Page(2400, 1800, Style{}, 160 + i), "spread", i == 1);
    for (int i = 0; i < 8; ++i) {  // colour cel pages, a few with photo panels
        Style s;
        s.colour = true;
        s.photo = i % 4 == 3;
        save(Page(1200, 1800, s, 200 + i), "colour", true);
    }
    Style scan;
    scan.photo = true;
    for (int i = 0; i < 3; ++i) save(Page(2400, 3600, scan, 300 + i), "scan", true);
    std::printf("%d pictures in %s\n", n, argv[1]);
    return 0;
}
