// One picture made into its pages: decoded (at a reduced size where the
// codec can), cropped, split or turned when it is a spread, resized to the
// stored size, toned, quantised and encoded. Each call stands alone, so
// pictures are made in parallel.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string>
#include <vector>

#include "bookwriter/PageGeometry.h"
#include "bookwriter/Quantise.h"
#include "bookwriter/Tone.h"
#include "encode/BookWriter.h"

namespace inkvista::bookwriter {

// How pictures become pages.
struct PageRule {
    bool colour = false;        // 32-colour pages ("XC" records) instead of 8 grey levels
    std::string record = "CX";  // record of grey-run pages: "CX" or "XC"
    Dither dither = Dither::FloydSteinberg;
    SizeRule size;  // Original by default: a picture becomes a page as it is
    CropRule crop;
    Spreads spreads = Spreads::Keep;
    bool rightToLeft = false;
    ToneRule tone;
    bool linearLight = false;  // resize in linear light (see ResizeLanczos3Linear)
};

// Where a picture comes from: a file, the bytes of an archive entry, or a
// picture already in memory (the first of these that is set).
struct PictureSource {
    std::string path;
    QByteArray bytes;
    QImage image;
};

// The most pages one picture can make.
constexpr size_t kMostPagesPerPicture = 2;

// How many eighths of its size a JPEG picture of `size` is decoded at: 1, 2
// or 4 when that still leaves 3.5 times the stored size of its pages, else 8
// (in full).
int DecodeEighths(PixelSize size, const PageRule& rule);

// The pages of one picture, in reading order; `name` names it in messages.
// False with `error` set ("NAME: why") when the picture cannot be read or
// makes a page larger than a page may be.
bool MakePages(const PictureSource& source, const std::string& name, const PageRule& rule,
               std::vector<encode::PagePlan>* pages, std::string* error);

// The pages as rasters at their stored size, before quantising (grey luma or
// RGB by `rule.colour`): what MakePages quantises. For tests and benchmarks.
bool PreparePages(const PictureSource& source, const std::string& name, const PageRule& rule,
                  std::vector<RasterImage>* pages, std::string* error);

// `region` of `picture` turned a quarter turn counter-clockwise, as the
// reader turns a page for landscape reading: pixel (x, y) of the region goes
// to column y of row width - 1 - x.
RasterImage TurnLeft(const RasterImage& picture, const Region& region);

}  // namespace inkvista::bookwriter
