#include "bookwriter/PagePictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <algorithm>

#include "bookwriter/JpegReader.h"
#include "encode/PageEncoder.h"

namespace inkvista::bookwriter {
namespace {

// JPEG pictures are decoded reduced, by 1/2, 1/4 or 1/8, only to no less
// than 3.5 times their stored size: a reduced DCT leaves block edges in fine
// hatching and screen tones that a resize by less does not hide, and the
// other scales do worse. Measured on drawn pages of 3-pixel hatching resized
// to 320 wide, against the full decode resized: a 1200-pixel page decoded at
// 7/8 differs by up to 19 grey values (SSIM 0.992), a 1600-pixel one at 6/8
// by 19 (0.983), a 2400-pixel one at 1/2 by 8 (0.998).
constexpr uint64_t kOversampleHalves = 7;

// A picture as decoded: `raster` may be smaller than the picture's own
// `full` size when the codec decoded it reduced.
struct Decoded {
    RasterImage raster;
    PixelSize full;
};

std::string DamagedText(const std::string& name) {
    return name + ": the picture is damaged or cut short";
}

void FromImage(const QImage& image, const PageRule& rule, Decoded* out) {
    out->raster = rule.colour ? RgbOf(image) : LumaOf(image);
    out->full = {out->raster.width, out->raster.height};
}

bool DecodeWithQt(const QByteArray& bytes, const std::string& name, const PageRule& rule,
                  Decoded* out, std::string* error) {
    QByteArray data = bytes;  // shares the bytes; QBuffer wants them writable
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImage image;
    if (LoadPicture(buffer, name, &image, error) != PictureProblem::None) return false;
    FromImage(image, rule, out);
    return true;
}

// Whether the regular file at `path` starts like a JPEG (a FIFO or device is
// not waited on: LoadPicture then says what it is).
bool IsJpegFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    uint8_t head[3] = {};
    const bool jpeg = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      read(fd, head, sizeof head) == static_cast<ssize_t>(sizeof head) &&
                      LooksLikeJpeg(head, sizeof head);
    close(fd);
    return jpeg;
}

bool DecodeBytes(const QByteArray& bytes, const std::string& name, const PageRule& rule,
                 Decoded* out, std::string* error) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    if (!LooksLikeJpeg(data, size)) return DecodeWithQt(bytes, name, rule, out, error);
    JpegHeader header;
    switch (ReadJpegHeader(data, size, &header)) {
        case JpegOutcome::Done:
            break;
        case JpegOutcome::Damaged:
            *error = DamagedText(name);
            return false;
        case JpegOutcome::Unsupported:
            return DecodeWithQt(bytes, name, rule, out, error);
    }
    if (!PictureFitsPage(header.width, header.height)) {
        *error = name + ": " + TooLargeForPage(header.width, header.height);
        return false;
    }
    if (!header.colourModel) return DecodeWithQt(bytes, name, rule, out, error);
    const int eighths = DecodeEighths({header.width, header.height}, rule);
    switch (DecodeJpeg(data, size, eighths, !rule.colour, &out->raster)) {
        case JpegOutcome::Done:
            out->full = {header.width, header.height};
            return true;
        case JpegOutcome::Damaged:
            *error = DamagedText(name);
            return false;
        case JpegOutcome::Unsupported:
            break;
    }
    return DecodeWithQt(bytes, name, rule, out, error);
}

bool Decode(const PictureSource& source, const std::string& name, const PageRule& rule,
            Decoded* out, std::string* error) {
    if (!source.path.empty()) {
        // A JPEG is decoded from memory; other files stream into Qt's reader,
        // so that the file is not held beside the picture it decodes to.
        if (!IsJpegFile(source.path)) {
            QImage image;
            if (LoadPicture(source.path, &image, error) != PictureProblem::None) return false;
            FromImage(image, rule, out);
            return true;
        }
        QByteArray bytes;
        if (ReadPictureFile(source.path, &bytes, error) != PictureProblem::None) return false;
        return DecodeBytes(bytes, name, rule, out, error);
    }
    if (!source.bytes.isEmpty()) return DecodeBytes(source.bytes, name, rule, out, error);
    if (source.image.isNull() || source.image.width() <= 0 || source.image.height() <= 0) {
        *error = name + ": empty picture";
        return false;
    }
    if (!PictureFitsPage(static_cast<uint64_t>(source.image.width()),
                         static_cast<uint64_t>(source.image.height()))) {
        *error = name + ": " +
                 TooLargeForPage(static_cast<uint64_t>(source.image.width()),
                                 static_cast<uint64_t>(source.image.height()));
        return false;
    }
    FromImage(source.image, rule, out);
    return true;
}

// What `region` of the decoded raster measures in the picture's own pixels.
PixelSize Natural(const Region& region, const Decoded& d) {
    auto side = [](uint32_t part, uint32_t full, uint32_t decoded) {
        return static_cast<uint32_t>(
            std::max<uint64_t>(1, (2 * uint64_t{part} * full + decoded) / (2 * uint64_t{decoded})));
    };
    return {side(region.width, d.full.width, d.raster.width),
            side(region.height, d.full.height, d.raster.height)};
}

Region Bounds(const std::vector<Region>& regions) {
    Region b = regions.front();
    for (const Region& r : regions) {
        const uint32_t right = std::max(b.x + b.width, r.x + r.width);
        const uint32_t bottom = std::max(b.y + b.height, r.y + r.height);
        b.x = std::min(b.x, r.x);
        b.y = std::min(b.y, r.y);
        b.width = right - b.x;
        b.height = bottom - b.y;
    }
    return b;
}

RasterImage Copy(const RasterImage& p, const Region& r) {
    RasterImage out;
    out.width = r.width;
    out.height = r.height;
    out.grey = p.grey;
    const size_t c = p.grey ? 1 : 3;
    out.data.resize(size_t{r.width} * r.height * c);
    for (uint32_t y = 0; y < r.height; ++y)
        std::copy_n(&p.data[((size_t{r.y} + y) * p.width + r.x) * c], size_t{r.width} * c,
                    &out.data[size_t{y} * r.width * c]);
    return out;
}

bool QuantisePage(const RasterImage& page, const PageRule& rule, encode::PagePlan* plan) {
    if (rule.colour) {
        const IndexedPixels px = QuantiseColour(page, rule.dither);
        std::optional<encode::PagePlan> made =
            encode::ColourPage(px.indices.data(), px.width, px.height, px.width, px.palette);
        if (!made) return false;
        *plan = std::move(*made);
        return true;
    }
    std::optional<GreyPage> made = QuantiseGreyPage(page, rule.dither, rule.record);
    if (!made) return false;
    *plan = std::move(made->plan);
    return true;
}

}  // namespace

int DecodeEighths(PixelSize size, const PageRule& rule) {
    if (rule.size.mode == SizeRule::Mode::Original || size.width == 0 || size.height == 0) return 8;
    PixelSize part = size;
    const bool spread = IsSpread(size);
    if (spread && rule.spreads == Spreads::Split)
        part.width = std::max<uint32_t>(1, size.width / 2);
    if (spread && rule.spreads == Spreads::Rotate) std::swap(part.width, part.height);
    const PixelSize target = TargetSize(part, rule.size);
    // The smallest of 1/8, 1/4 and 1/2 that leaves enough pixels.
    auto enough = [&](int eighths) {
        return 2 * uint64_t{ScaledSide(part.width, eighths)} >= kOversampleHalves * target.width &&
               2 * uint64_t{ScaledSide(part.height, eighths)} >= kOversampleHalves * target.height;
    };
    for (int eighths : {1, 2, 4})
        if (enough(eighths)) return eighths;
    return 8;
}

RasterImage TurnLeft(const RasterImage& p, const Region& r) {
    RasterImage out;
    out.width = r.height;
    out.height = r.width;
    out.grey = p.grey;
    const size_t c = p.grey ? 1 : 3;
    out.data.resize(size_t{out.width} * out.height * c);
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* row = &p.data[((size_t{r.y} + y) * p.width + r.x) * c];
        for (uint32_t x = 0; x < r.width; ++x)
            std::copy_n(row + x * c, c, &out.data[((size_t{r.width} - 1 - x) * out.width + y) * c]);
    }
    return out;
}

bool PreparePages(const PictureSource& source, const std::string& name, const PageRule& rule,
                  std::vector<RasterImage>* pages, std::string* error) {
    pages->clear();
    Decoded d;
    if (!Decode(source, name, rule, &d, error)) return false;
    const RasterImage& picture = d.raster;
    if (picture.width == 0 || picture.height == 0) {
        *error = name + ": empty picture";
        return false;
    }
    // Whether it is a spread is told by the picture as it is, before any
    // crop: the same picture is always treated the same way.
    const bool spread = IsSpread(d.full);
    const Spreads spreads = spread ? rule.spreads : Spreads::Keep;
    const std::vector<Region> regions =
        PageRegions(picture, rule.crop, spreads == Spreads::Split, rule.rightToLeft);
    const std::optional<ToneCurve> tone = ToneCurveFor(picture, Bounds(regions), rule.tone);
    for (const Region& region : regions) {
        PixelSize natural = Natural(region, d);
        RasterImage turned;
        const RasterImage* from = &picture;
        Region r = region;
        if (spreads == Spreads::Rotate) {
            turned = TurnLeft(picture, region);
            from = &turned;
            r = Whole(turned);
            std::swap(natural.width, natural.height);
        }
        const PixelSize target = TargetSize(natural, rule.size);
        if (!PictureFitsPage(target.width, target.height)) {
            *error = name + ": its page would be " + std::to_string(target.width) + " x " +
                     std::to_string(target.height) + " pixels, larger than a page may be";
            return false;
        }
        RasterImage page;
        if (r.width == target.width && r.height == target.height)
            page = from == &turned ? std::move(turned) : Copy(*from, r);
        else if (rule.linearLight)
            page = ResizeLanczos3Linear(*from, r, target.width, target.height);
        else
            page = ResizeLanczos3(*from, r, target.width, target.height);
        if (page.data.empty()) {
            *error = name + ": the picture could not be resized";
            return false;
        }
        if (tone) ApplyTone(*tone, &page);
        pages->push_back(std::move(page));
    }
    return true;
}

bool MakePages(const PictureSource& source, const std::string& name, const PageRule& rule,
               std::vector<encode::PagePlan>* pages, std::string* error) {
    pages->clear();
    std::vector<RasterImage> rasters;
    if (!PreparePages(source, name, rule, &rasters, error)) return false;
    for (const RasterImage& raster : rasters) {
        encode::PagePlan plan;
        if (!QuantisePage(raster, rule, &plan)) {
            *error = name + ": page could not be encoded";
            return false;
        }
        pages->push_back(std::move(plan));
    }
    return true;
}

}  // namespace inkvista::bookwriter
