#include "bookwriter/ImageFiles.h"

#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace inkvista::bookwriter {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsGreyPage(const PageRecord& record) {
    return !(record.magic[0] == 'X' && record.magic[1] == 'C' && record.bitsPerPixel == 5);
}

bool WriteNetpbm(const std::string& path, const RasterImage& image, bool asGrey,
                 std::string* error) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(f.get(), "%s\n%u %u\n255\n", asGrey ? "P5" : "P6", image.width, image.height);
    const size_t inRow = size_t{image.width} * (image.grey ? 1 : 3);
    const size_t outRow = size_t{image.width} * (asGrey ? 1 : 3);
    std::vector<uint8_t> row(outRow);
    bool ok = true;
    for (uint32_t y = 0; ok && y < image.height; ++y) {
        const uint8_t* src = image.data.data() + y * inRow;
        if (image.grey == asGrey) {
            std::copy_n(src, outRow, row.data());
        } else if (asGrey) {
            for (uint32_t x = 0; x < image.width; ++x)
                row[x] = static_cast<uint8_t>(qGray(src[3 * x], src[3 * x + 1], src[3 * x + 2]));
        } else {
            for (uint32_t x = 0; x < image.width; ++x) std::fill_n(&row[3 * x], 3, src[x]);
        }
        ok = outRow == 0 || std::fwrite(row.data(), 1, outRow, f.get()) == outRow;
    }
    ok = ok && std::fflush(f.get()) == 0;
    ok = (std::fclose(f.release()) == 0) && ok;
    if (!ok) *error = path + ": " + std::strerror(errno);
    return ok;
}

bool WritePng(const std::string& path, const RasterImage& image, std::string* error) {
    if (image.width > 0x7FFFFFFF || image.height > 0x7FFFFFFF) {
        *error = path + ": image too large for PNG output";
        return false;
    }
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height),
               image.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (out.isNull()) {
        *error = path + ": not enough memory for the image";
        return false;
    }
    const size_t row = size_t{image.width} * (image.grey ? 1 : 3);
    for (uint32_t y = 0; y < image.height; ++y)
        std::copy_n(image.data.data() + y * row, row, out.scanLine(static_cast<int>(y)));
    if (!out.save(QString::fromStdString(path), "PNG")) {
        *error = path + ": cannot write the PNG file";
        return false;
    }
    return true;
}

}  // namespace

ImageFormat FormatOf(const std::string& path) {
    const std::string lower = Lower(path);
    if (EndsWith(lower, ".pgm")) return ImageFormat::Pgm;
    if (EndsWith(lower, ".ppm")) return ImageFormat::Ppm;
    if (EndsWith(lower, ".png")) return ImageFormat::Png;
    return ImageFormat::Unknown;
}

bool LoadPicture(const std::string& path, QImage* image, std::string* error) {
    QImageReader reader(QString::fromStdString(path));
    // Pictures are read in their stored orientation, as a page is.
    reader.setAutoTransform(false);
    if (!reader.read(image)) {
        *error = path + ": " + reader.errorString().toStdString();
        return false;
    }
    return true;
}

bool RenderPage(const PageImage& page, bool portrait, RasterImage* out) {
    if (page.viewWidth < 0 || page.viewHeight < 0) return false;
    const uint64_t w = static_cast<uint32_t>(page.viewWidth);
    const uint64_t h = static_cast<uint32_t>(page.viewHeight);
    const uint64_t stride = page.PixelStride(portrait);
    const uint64_t bytesPerPixel = page.trueColour ? 3 : 1;
    if (w > 0 && h > 0 &&
        (stride < w * bytesPerPixel || stride * (h - 1) + w * bytesPerPixel > page.pixels.size()))
        return false;

    const bool grey = !page.trueColour && IsGreyPage(page.pageRecord);
    out->width = static_cast<uint32_t>(w);
    out->height = static_cast<uint32_t>(h);
    out->grey = grey;
    out->data.assign(static_cast<size_t>(w * h * (grey ? 1 : 3)), 0);
    uint8_t* dst = out->data.data();
    for (uint64_t y = 0; y < h; ++y) {
        const uint8_t* src = page.pixels.data() + y * stride;
        if (grey) {
            dst = std::copy_n(src, w, dst);
        } else if (page.trueColour) {
            for (uint64_t x = 0; x < w; ++x, dst += 3) {
                dst[0] = src[3 * x + 2];  // stored blue, green, red
                dst[1] = src[3 * x + 1];
                dst[2] = src[3 * x];
            }
        } else {
            for (uint64_t x = 0; x < w; ++x, dst += 3) {
                const RgbQuad& c = page.indexedInfo.colours[src[x]];
                dst[0] = c.red;
                dst[1] = c.green;
                dst[2] = c.blue;
            }
        }
    }
    return true;
}

bool WriteRaster(const std::string& path, ImageFormat format, const RasterImage& image,
                 std::string* error) {
    const uint64_t need = uint64_t{image.width} * image.height * (image.grey ? 1 : 3);
    if (need > image.data.size()) {
        *error = path + ": image data is incomplete";
        return false;
    }
    switch (format) {
        case ImageFormat::Pgm:
            return WriteNetpbm(path, image, true, error);
        case ImageFormat::Ppm:
            return WriteNetpbm(path, image, false, error);
        case ImageFormat::Png:
            return WritePng(path, image, error);
        case ImageFormat::Unknown:
            break;
    }
    *error = path + ": unknown image format (use .pgm, .ppm or .png)";
    return false;
}

}  // namespace inkvista::bookwriter
