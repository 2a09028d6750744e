// The artwork generator's shared pieces: the palette and button face of the
// home screen, and the list of pictures every subsystem's source adds to.
// Each resources/artwork/*.cpp draws the pictures of one subsystem and adds
// them with one ArtworkSet; main.cpp saves them all as resources/ID.png, and
// once more for enlarged screens as resources/ID@Nx.png, drawn at N times
// the resolution from the same drawing code (N = 2, 3, 4).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

class QPainter;

namespace artwork {

inline const QColor kInk(0x1d, 0x29, 0x57);
inline const QColor kInkLight(0x37, 0x55, 0x96);
inline const QColor kAmber(0xf2, 0xa3, 0x2c);
inline const QColor kFrame(0x55, 0x65, 0x86);

QFont Font(int pixelSize, bool bold, const char* family = "DejaVu Sans");

// A button face filling `rect`; the pressed look is sunk and inverted.
void DrawButton(QPainter& p, const QRectF& rect, const QString& text, bool pressed);

// The scale the pictures are being drawn at (1 for the device's own pixels).
void SetScale(int scale);

// A picture of `width` × `height` device pixels, `Scale()` times as many
// image pixels each way; a painter on it draws in device pixels.
QImage Canvas(int width, int height, QImage::Format format);

// One picture: its resource id and how it is drawn.
struct Picture {
    int id;
    std::function<QImage()> draw;
};

// Every picture the sources add, in the order they add them.
std::vector<Picture>& AllPictures();

// Adds the pictures of one subsystem; meant for one static object per source.
struct ArtworkSet {
    ArtworkSet(std::initializer_list<Picture> pictures);
};

}  // namespace artwork
