// The program's pictures, compiled in as PNG files named by resource id
// (resources/*.png).
#pragma once

#include <QImage>

namespace inkvista {

// Bitmap `id` of the resources, or a null image when there is none.
QImage LoadBitmap(int id);

}  // namespace inkvista
