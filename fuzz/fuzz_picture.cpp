// The picture loader of `pack` on arbitrary bytes from memory (any format
// Qt reads, told by its content), and a page made of what it loads. The
// input's first byte chooses grey or colour pages and the dither; the rest
// is the picture. A picture that loads fits a page, and every picture
// that loads makes a page.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bookwriter/ImageFiles.h"
#include "bookwriter/Packer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista::bookwriter;
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImage picture;
    std::string error;
    const PictureProblem problem = LoadPicture(buffer, "fuzz", &picture, &error);
    if (problem != PictureProblem::None) {
        if (error.empty() || !picture.isNull()) std::abort();
        return 0;
    }
    if (picture.isNull() || !PictureFitsPage(picture.width(), picture.height())) std::abort();
    // Quantising is linear in the pixels: large pictures only make runs slow.
    if (uint64_t(picture.width()) * uint64_t(picture.height()) > (1u << 12)) return 0;
    PackOptions options;
    options.colour = flags & 1;
    options.record = (flags & 2) ? "XC" : "CX";
    options.dither = (flags & 4) ? Dither::None : Dither::FloydSteinberg;
    inkvista::encode::PagePlan page;
    if (!MakePage(picture, options, &page, &error)) std::abort();
    if (page.width != uint32_t(picture.width()) || page.height != uint32_t(picture.height()))
        std::abort();
    return 0;
}
