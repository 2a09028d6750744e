// The settings dialogs' pictures: the four hardware buttons beside the
// Button Setting lists (146-149, and 211, 213-215 for the FUJITSU Pocket
// LOOX's own buttons), and the icons of the user-folder tree (195). The
// button pictures keep to the 16 colours of the device's bitmaps; they are
// drawn pixel by pixel, without smoothing.
#include <QPainter>
#include <QPainterPath>

#include "Artwork.h"

namespace artwork {
namespace {

// The 16-colour palette.
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kTeal(0x00, 0x80, 0x80);
const QColor kOlive(0x80, 0x80, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kSilver(0xc0, 0xc0, 0xc0);
const QColor kRed(0xff, 0x00, 0x00);
const QColor kYellow(0xff, 0xff, 0x00);
const QColor kBlue(0x00, 0x00, 0xff);
const QColor kAqua(0x00, 0xff, 0xff);
const QColor kWhite(0xff, 0xff, 0xff);
const QColor kGreen(0x00, 0xff, 0x00);  // the tree icons' transparent colour

enum class Glyph { Calendar, Contacts, Inbox, Tasks };

void Pixel(QPainter& p, int x, int y, const QColor& c) {
    p.fillRect(QRect(x, y, 1, 1), c);
}

// A glyph in a box of 8 x 8 pixels with its top-left at (x, y).
void DrawGlyph(QPainter& p, Glyph glyph, int x, int y) {
    switch (glyph) {
        case Glyph::Calendar:  // a page with a red top and a grid of days
            p.fillRect(QRect(x, y, 8, 8), kWhite);
            p.fillRect(QRect(x, y, 8, 2), kRed);
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) Pixel(p, x + 1 + 2 * i + (i > 0), y + 3 + 2 * j, kNavy);
            }
            p.setPen(kBlack);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(x, y, 7, 7));
            break;
        case Glyph::Contacts:  // a head and shoulders
            p.fillRect(QRect(x + 2, y, 4, 4), kNavy);
            Pixel(p, x + 2, y, kSilver);
            Pixel(p, x + 5, y, kSilver);
            p.fillRect(QRect(x, y + 5, 8, 3), kNavy);
            Pixel(p, x, y + 5, kSilver);
            Pixel(p, x + 7, y + 5, kSilver);
            break;
        case Glyph::Inbox:  // an envelope
            p.fillRect(QRect(x, y + 1, 8, 6), kWhite);
            p.setPen(kNavy);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(x, y + 1, 7, 5));
            p.drawLine(x + 1, y + 2, x + 3, y + 4);
            p.drawLine(x + 6, y + 2, x + 4, y + 4);
            break;
        case Glyph::Tasks:  // a tick
            p.setPen(QPen(kTeal, 2));
            p.drawLine(x + 1, y + 4, x + 3, y + 6);
            p.drawLine(x + 3, y + 6, x + 7, y + 1);
            break;
    }
}

// A square application button: a raised silver cap, 16 x 16.
QImage SquareButton(Glyph glyph) {
    QImage image = Canvas(16, 16, QImage::Format_RGB888);
    image.fill(kSilver);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kWhite);
    p.drawLine(1, 1, 13, 1);
    p.drawLine(1, 1, 1, 13);
    p.setPen(kGrey);
    p.drawLine(2, 14, 14, 14);
    p.drawLine(14, 2, 14, 14);
    p.setPen(kBlack);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRect(0, 0, 15, 15), 2, 2);
    DrawGlyph(p, glyph, 4, 4);
    p.end();
    return image;
}

// A round button of the FUJITSU Pocket LOOX: an oval teal cap of the
// picture's size with the glyph in its middle.
QImage OvalButton(int width, int height, Glyph glyph) {
    QImage image = Canvas(width, height, QImage::Format_RGB888);
    image.fill(kSilver);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kBlack);
    p.setBrush(kTeal);
    p.drawEllipse(QRect(0, 0, width - 1, height - 1));
    p.setPen(kAqua);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(2, 1, width - 5, height - 4), 40 * 16, 100 * 16);
    p.setBrush(kSilver);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(width / 2 - 5, height / 2 - 5, 10, 10));
    DrawGlyph(p, glyph, width / 2 - 4, height / 2 - 4);
    p.end();
    return image;
}

// A closed folder in a 16 x 15 cell at (x, 0).
void ClosedFolder(QPainter& p, int x) {
    p.setPen(kOlive);
    p.setBrush(kYellow);
    p.drawRect(QRect(x + 1, 4, 13, 9));
    p.fillRect(QRect(x + 2, 2, 5, 2), kOlive);
    p.fillRect(QRect(x + 3, 3, 3, 1), kYellow);
    p.setPen(kWhite);
    p.drawLine(x + 2, 5, x + 13, 5);
    p.setPen(kBlack);
    p.drawLine(x + 2, 14, x + 15, 14);
    p.drawLine(x + 15, 5, x + 15, 14);
}

// An open folder: the back and a lid turned forward.
void OpenFolder(QPainter& p, int x) {
    p.setPen(kOlive);
    p.setBrush(kYellow);
    p.drawRect(QRect(x + 1, 3, 11, 10));
    p.fillRect(QRect(x + 2, 1, 5, 2), kOlive);
    QPainterPath lid;
    lid.moveTo(x + 1, 13);
    lid.lineTo(x + 4, 7);
    lid.lineTo(x + 15, 7);
    lid.lineTo(x + 12, 13);
    lid.closeSubpath();
    p.setBrush(kYellow);
    p.setPen(kBlack);
    p.drawPath(lid);
    p.setPen(kWhite);
    p.drawLine(x + 5, 8, x + 13, 8);
}

void WindowIcon(QPainter& p, int x) {
    p.setPen(kBlack);
    p.setBrush(kWhite);
    p.drawRect(QRect(x + 1, 2, 13, 11));
    p.fillRect(QRect(x + 2, 3, 12, 2), kNavy);
    p.fillRect(QRect(x + 12, 3, 2, 2), kSilver);
}

void NetworkIcon(QPainter& p, int x) {
    p.setPen(kBlack);
    p.setBrush(kTeal);
    p.drawRect(QRect(x + 1, 1, 6, 5));
    p.drawRect(QRect(x + 8, 8, 6, 5));
    p.setPen(kBlue);
    p.drawLine(x + 4, 7, x + 4, 10);
    p.drawLine(x + 4, 10, x + 7, 10);
}

void DocumentIcon(QPainter& p, int x) {
    p.setPen(kBlack);
    p.setBrush(kWhite);
    p.drawRect(QRect(x + 3, 1, 9, 12));
    p.setPen(kGrey);
    for (int y = 4; y <= 10; y += 2) p.drawLine(x + 5, y, x + 10, y);
    p.fillRect(QRect(x + 10, 1, 2, 2), kMaroon);
}

// The tree's icons: open folder, closed folder, window, network, document,
// each 16 x 15, on green.
QImage FolderIcons() {
    QImage image = Canvas(80, 15, QImage::Format_RGB888);
    image.fill(kGreen);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    OpenFolder(p, 0);
    ClosedFolder(p, 16);
    WindowIcon(p, 32);
    NetworkIcon(p, 48);
    DocumentIcon(p, 64);
    p.end();
    return image;
}

const ArtworkSet kDialogs{
    {146, [] { return SquareButton(Glyph::Calendar); }},
    {147, [] { return SquareButton(Glyph::Contacts); }},
    {148, [] { return SquareButton(Glyph::Inbox); }},
    {149, [] { return SquareButton(Glyph::Tasks); }},
    {195, FolderIcons},
    {211, [] { return OvalButton(16, 15, Glyph::Calendar); }},
    {213, [] { return OvalButton(13, 16, Glyph::Contacts); }},
    {214, [] { return OvalButton(16, 14, Glyph::Inbox); }},
    {215, [] { return OvalButton(16, 16, Glyph::Tasks); }},
};

}  // namespace
}  // namespace artwork
