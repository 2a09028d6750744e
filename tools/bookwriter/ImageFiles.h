// Reading pictures and writing page images as .pgm, .ppm or .png.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "book/PageBuffer.h"
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

// Whether a file name's extension is one of a picture format Qt reads.
bool HasPictureExtension(const std::string& name);

// Pictures whose page the reader could not hold are refused before they are
// decoded: a page's 24-bit image may take at most this much.
constexpr uint64_t kMaxPicturePageBytes = kMaxPageBytes;
// Whether a picture of this size makes a page the reader can show.
bool PictureFitsPage(uint64_t width, uint64_t height);

enum class PictureProblem {
    None,
    CannotOpen,   // missing, unreadable, a folder or no regular file
    NotAPicture,  // no format Qt reads
    TooLarge,     // larger than a page may be
    Damaged,      // the data ends early or does not decode
};

// Loads a picture (PNG, JPEG or any format Qt reads) in its stored
// orientation. On failure `error` names the file and the reason in the
// tool's own words; the decoders' own messages never reach stderr.
PictureProblem LoadPicture(const std::string& path, QImage* image, std::string* error);
// The same from an open device; `name` names the picture in messages.
PictureProblem LoadPicture(QIODevice& device, const std::string& name, QImage* image,
                           std::string* error);
// Checks what can be known without decoding: that `path` opens, is a
// picture, and fits a page.
PictureProblem ProbePicture(const std::string& path, std::string* error);

// The most a picture file is read into memory for decoding.
constexpr uint64_t kMaxPictureFileBytes = uint64_t{1} << 30;
// The bytes of a picture file (a regular file, at most
// kMaxPictureFileBytes).
PictureProblem ReadPictureFile(const std::string& path, QByteArray* bytes, std::string* error);

// Why a picture of this size cannot be a page, in the tool's words.
std::string TooLargeForPage(uint64_t width, uint64_t height);

// The stderr the process started with. While pictures are decoded, stderr
// itself is sent to /dev/null (the codecs print on it), so the tool's own
// messages and progress go here.
std::FILE* ToolStderr();

// The displayed page, exactly viewWidth × viewHeight pixels, sharing the
// page's pixels (no copy; valid while `page` is unchanged): a grey page as
// Grayscale8, a colour page as Indexed8 through its colour table, a fitted
// colour page as BGR888. Null when the page's fields do not describe its
// pixel buffer.
QImage PageView(const PageImage& page);

// PageView as it is written out: a palette page whose colours are all grey
// (a grey page in an "XC" record), or a fitted colour page whose pixels are,
// becomes Grayscale8, so that a grey page is written grey whatever record
// holds it. Only such a page is copied.
QImage PageViewToWrite(const PageImage& page);

// PageViewToWrite copied into a RasterImage.
bool RenderPage(const PageImage& page, RasterImage* out);

// Writes `image` (Grayscale8, Indexed8 or BGR888, as PageView gives) by
// `format`: .pgm is P5 grey (colour turned grey by Rec. 601 luma), .ppm is
// P6 RGB, .png keeps grey or colour. The file is replaced only when it is
// complete; on failure it is left as it was and `error` says why.
bool WritePageImage(const std::string& path, ImageFormat format, const QImage& image,
                    std::string* error);

// The most bytes WritePageImage can take for a picture of this size with
// `bytesPerPixel` (1 grey or indexed, 3 RGB): the pixels uncompressed and
// all their framing.
uint64_t MaxImageFileSize(ImageFormat format, uint64_t width, uint64_t height, int bytesPerPixel);

}  // namespace inkvista::bookwriter
