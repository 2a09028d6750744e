// The picture loader of `pack` on arbitrary bytes from memory (any format
// Qt reads, told by its content), and the pages made of what it loads: JPEG
// through libjpeg itself, at a reduced size when the page is smaller, the
// rest through Qt. The input's first byte chooses grey or colour pages, the
// dither, and whether pages are made 64 pixels wide (cropped, spreads split)
// or as the picture is; the rest is the picture. A picture that loads fits
// a page, and the pages made are of the size asked for.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bookwriter/ImageFiles.h"
#include "bookwriter/PagePictures.h"

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
    PageRule rule;
    rule.colour = flags & 1;
    rule.record = (flags & 2) ? "XC" : "CX";
    rule.dither = (flags & 4) ? Dither::None : Dither::FloydSteinberg;
    const bool sized = flags & 8;
    if (sized) {
        rule.size.mode = SizeRule::Mode::Width;
        rule.size.width = 64;
        rule.crop.enabled = true;
        rule.spreads = Spreads::Split;
    }
    PictureSource source;
    source.bytes = bytes;
    std::vector<inkvista::encode::PagePlan> pages;
    // libjpeg, read directly, may find damage Qt let pass; anything else that
    // fails must say why.
    if (!MakePages(source, "fuzz", rule, &pages, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (pages.empty() || pages.size() > 2) std::abort();
    for (const inkvista::encode::PagePlan& page : pages) {
        if (page.width == 0 || page.height == 0) std::abort();
        if (sized && page.width > 64) std::abort();
        if (!sized && (pages.size() != 1 || page.width != uint32_t(picture.width()) ||
                       page.height != uint32_t(picture.height())))
            std::abort();
    }
    return 0;
}
