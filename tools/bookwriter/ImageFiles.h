// Reading pictures and writing page images as .pgm, .ppm or .png.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "book/PageImage.h"

namespace inkvista::bookwriter {

// A page image as it is written out: grey (1 byte per pixel) or RGB (3 bytes
// per pixel), rows without padding.
struct RasterImage {
    uint32_t width = 0;
    uint32_t height = 0;
    bool grey = true;
    std::vector<uint8_t> data;
};

enum class ImageFormat { Pgm, Ppm, Png, Unknown };

// By the file name's extension, without regard to case.
ImageFormat FormatOf(const std::string& path);

// Loads a PNG or JPEG (any format Qt reads). On failure `error` says why.
bool LoadPicture(const std::string& path, QImage* image, std::string* error);

// The displayed page, exactly viewWidth × viewHeight pixels: a grey page as
// grey; a colour page through its colour table, or its fitted 24-bit pixels.
// `portrait` is the orientation the page was loaded with. Fails when the
// page's fields do not describe its pixel buffer.
bool RenderPage(const PageImage& page, bool portrait, RasterImage* out);

// Writes by `format`: .pgm is P5 grey (an RGB image is turned grey), .ppm is
// P6 RGB, .png keeps grey or RGB. On failure `error` says why.
bool WriteRaster(const std::string& path, ImageFormat format, const RasterImage& image,
                 std::string* error);

}  // namespace inkvista::bookwriter
