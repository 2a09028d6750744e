// The program's pictures, compiled in as PNG files named by resource id
// (resources/*.png), each also drawn at 2, 3 and 4 times the resolution for
// enlarged screens (resources/ID@Nx.png).
#pragma once

#include <QIcon>
#include <QImage>
#include <QRect>
#include <filesystem>
#include <initializer_list>

namespace inkvista {

// Bitmap `id` of the resources, or a null image when there is none. With a
// `pixelRatio` above 1 (an enlarged window) the picture drawn for that scale,
// with that device pixel ratio: the same size in device pixels, sharp on the
// screen. Ratios between or above the drawn scales are smoothed from the
// nearest drawing (a window at 3.375 from the 3x one, at 3.5 from the 4x).
QImage LoadBitmap(int id, qreal pixelRatio = 1);

// Starts making the pictures LoadBitmap(id, pixelRatio) of these `ids` will
// return, decoded and smoothed to the ratio on a thread of their own, while
// the window is still on its way to the screen; LoadBitmap then waits for
// them if it must. For the ratio the window will come up at: each picture
// made ahead is kept until LoadBitmap takes it.
void PrepareBitmaps(std::initializer_list<int> ids, qreal pixelRatio);
// Only the drawings those pictures are made from, for a ratio that may not
// be the window's last.
void PrepareDrawings(std::initializer_list<int> ids, qreal pixelRatio);
// With a folder given, the pictures PrepareBitmaps makes are kept there for
// the next run, which maps them instead of making them again; their
// drawings are then left until PrepareSetAsideDrawings, once the window is
// up, so that its first change of size finds them. Without one (the
// default) nothing is kept.
void KeepPicturesIn(const std::filesystem::path& folder);
void PrepareSetAsideDrawings();

// The part `rect` (in device pixels) of a picture loaded at any ratio.
QImage CopyBitmap(const QImage& bitmap, const QRect& rect);

// The program's icon at the sizes the desktop has it (data/icons), for the
// window's own.
QIcon ProgramIcon();
// Starts decoding ProgramIcon's pictures on a thread of their own, which it
// then takes: a window starting up sets its icon only when it is shown.
void PrepareProgramIcon();

// The device pixel ratio windows of this run are drawn at (--scale, or the
// screen's own on a high-density display).
qreal ScreenPixelRatio();

}  // namespace inkvista
