#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPen>

namespace artwork {
namespace {

int scale = 1;

}  // namespace

void SetScale(int value) {
    scale = value;
}

QImage Canvas(int width, int height, QImage::Format format) {
    QImage image(width * scale, height * scale, format);
    image.setDevicePixelRatio(scale);
    return image;
}

QFont Font(int pixelSize, bool bold, const char* family) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void DrawButton(QPainter& p, const QRectF& rect, const QString& text, bool pressed) {
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    if (pressed) {
        fill.setColorAt(0, kInk);
        fill.setColorAt(1, kInkLight);
    } else {
        fill.setColorAt(0, QColor(0xff, 0xff, 0xff));
        fill.setColorAt(0.55, QColor(0xe9, 0xee, 0xf6));
        fill.setColorAt(1, QColor(0xc9, 0xd3, 0xe4));
    }
    const QRectF face = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(pressed ? kInk : kFrame, 1));
    p.setBrush(fill);
    p.drawRoundedRect(face, 4, 4);
    if (!pressed) {
        p.setPen(QPen(QColor(255, 255, 255, 200), 1));
        p.drawLine(QPointF(rect.left() + 4, rect.top() + 1.5),
                   QPointF(rect.right() - 4, rect.top() + 1.5));
    }
    p.setFont(Font(11, true));
    p.setPen(pressed ? QColor(Qt::white) : kInk);
    p.drawText(rect.translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter, text);
}

std::vector<Picture>& AllPictures() {
    static std::vector<Picture> pictures;
    return pictures;
}

ArtworkSet::ArtworkSet(std::initializer_list<Picture> pictures) {
    for (const Picture& picture : pictures) AllPictures().push_back(picture);
}

}  // namespace artwork
