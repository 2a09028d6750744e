#include "viewer/PagePainter.h"

#include <QPainter>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Screen.h"

namespace inkvista {

namespace {

// A view of the page buffer as Qt paints it; null when the buffer does not
// hold the whole described image.
QImage PageView(const PageImage& image) {
    if (image.pixels.empty() || image.viewWidth <= 0 || image.viewHeight <= 0) return QImage();
    const uint32_t stride = image.PixelStride();
    const uint64_t bytesPerPixel = image.trueColour() ? 3 : 1;
    const uint64_t width = static_cast<uint64_t>(image.viewWidth);
    const uint64_t height = static_cast<uint64_t>(image.viewHeight);
    if (stride < width * bytesPerPixel || image.pixels.size() < uint64_t{stride} * height) {
        return QImage();
    }
    if (image.trueColour()) {
        return QImage(image.pixels.data(), image.viewWidth, image.viewHeight,
                      static_cast<qsizetype>(stride), QImage::Format_BGR888);
    }
    QImage page(image.pixels.data(), image.viewWidth, image.viewHeight,
                static_cast<qsizetype>(stride), QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    const std::array<RgbQuad, 256> colours = ColourTable(image);
    for (size_t i = 0; i < colours.size(); ++i) {
        table[static_cast<qsizetype>(i)] = qRgb(colours[i].red, colours[i].green, colours[i].blue);
    }
    page.setColorTable(table);
    return page;
}

// How target pixels take their colours from a row (or column) of source
// pixels: each from source pixel `from`, and the few a block edge cuts
// through mixed from `from` (`weight` of 256) and the pixel after it.
struct Taps {
    std::vector<int> from;
    struct Mixed {
        int at = 0;
        uint32_t weight = 0;
    };
    std::vector<Mixed> mixed;
};

// The taps of `out` target pixels over `in` source pixels (out >= in), in
// exact integers: target pixel x covers [x * in, (x + 1) * in) in units of
// 1 / out of a source pixel, which is `out` units wide, so it reaches into
// two source pixels at most.
Taps TapsOf(int out, int in) {
    Taps taps;
    taps.from.resize(static_cast<size_t>(out));
    for (int x = 0; x < out; ++x) {
        const int64_t start = int64_t{x} * in;
        const int first = static_cast<int>(start / out);
        const int64_t boundary = int64_t{first + 1} * out;
        taps.from[static_cast<size_t>(x)] = first;
        if (start + in > boundary && first + 1 < in) {
            taps.mixed.push_back(
                {x, static_cast<uint32_t>(((boundary - start) * 256 + in / 2) / in)});
        }
    }
    return taps;
}

// `weight` of 256 of `a`, the rest of `b`, red and blue side by side.
inline uint32_t Mix(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t other = 256 - weight;
    const uint32_t redBlue =
        (((a & 0xFF00FFu) * weight + (b & 0xFF00FFu) * other) >> 8) & 0xFF00FFu;
    const uint32_t green = (((a & 0x00FF00u) * weight + (b & 0x00FF00u) * other) >> 8) & 0x00FF00u;
    return 0xFF000000u | redBlue | green;
}

void Widen(const uint32_t* source, const Taps& taps, uint32_t* out) {
    const size_t count = taps.from.size();
    const int* from = taps.from.data();
    for (size_t x = 0; x < count; ++x) out[x] = source[from[x]];
    for (const Taps::Mixed& m : taps.mixed) {
        const int first = from[m.at];
        out[m.at] = Mix(source[first], source[first + 1], m.weight);
    }
}

// A row mixed from two: `weight` of 256 of `upper`, the rest of `lower`.
void MixRows(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
             int count) {
    int x = 0;
#if defined(__SSE2__)
    // Four pixels at a time, each byte widened to 16 bits: 255 * 256 fits.
    const __m128i zero = _mm_setzero_si128();
    const __m128i upperWeight = _mm_set1_epi16(static_cast<short>(weight));
    const __m128i lowerWeight = _mm_set1_epi16(static_cast<short>(256 - weight));
    for (; x + 4 <= count; x += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + x));
        const __m128i low =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), upperWeight),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), lowerWeight)),
                           8);
        const __m128i high =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), upperWeight),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), lowerWeight)),
                           8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < count; ++x) out[x] = Mix(upper[x], lower[x], weight);
}

}  // namespace

void EnlargeFrame(const QImage& device, QImage& target) {
    const int inW = device.width(), inH = device.height();
    const int outW = target.width(), outH = target.height();
    if (inW < 1 || inH < 1 || outW < inW || outH < inH || device.format() != QImage::Format_RGB32 ||
        target.format() != QImage::Format_RGB32) {
        return;
    }
    const Taps across = TapsOf(outW, inW);
    const Taps down = TapsOf(outH, inH);
    std::vector<uint32_t> downWeight(static_cast<size_t>(outH), 256);
    for (const Taps::Mixed& m : down.mixed) downWeight[static_cast<size_t>(m.at)] = m.weight;
    // Source rows widened once each, the last two kept: target rows walk
    // down the source in order.
    std::vector<uint32_t> widened(2 * static_cast<size_t>(outW));
    int widenedRow[2] = {-1, -1};
    auto row = [&](int y) -> const uint32_t* {
        const int slot = y & 1;
        uint32_t* out = widened.data() + slot * static_cast<size_t>(outW);
        if (widenedRow[slot] != y) {
            Widen(reinterpret_cast<const uint32_t*>(device.constScanLine(y)), across, out);
            widenedRow[slot] = y;
        }
        return out;
    };
    const size_t rowBytes = static_cast<size_t>(outW) * 4;
    for (int y = 0; y < outH; ++y) {
        const int first = down.from[static_cast<size_t>(y)];
        const uint32_t weight = downWeight[static_cast<size_t>(y)];
        auto* out = reinterpret_cast<uint32_t*>(target.scanLine(y));
        if (weight == 256) {
            std::memcpy(out, row(first), rowBytes);
        } else {
            MixRows(row(first), row(first + 1), weight, out, outW);
        }
    }
}

void DrawPageFrame(QImage& target, QImage& work, const PageImage& image, int32_t scrollX,
                   int32_t scrollY) {
    const qreal ratio = target.devicePixelRatio();
    if (ratio == std::floor(ratio) || target.format() != QImage::Format_RGB32) {
        // Whole blocks: Qt's own nearest-pixel copy gives them.
        target.fill(kStockGrey);
        DrawPage(target, image, scrollX, scrollY);
        return;
    }
    if (work.size() != QSize(kScreenWidth, kScreenHeight) ||
        work.format() != QImage::Format_RGB32) {
        work = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    }
    work.fill(kStockGrey);
    DrawPage(work, image, scrollX, scrollY);
    EnlargeFrame(work, target);
}

void DrawPage(QImage& target, const PageImage& image, int32_t scrollX, int32_t scrollY) {
    const QImage page = PageView(image);
    const bool portrait = image.orientation == PixelOrientation::Portrait;
    if (page.isNull()) return;
    const int w = std::min(image.viewWidth, kScreenWidth);
    const int h = std::min(image.viewHeight, kScreenHeight);
    const int destY =
        (image.viewHeight < kScreenHeight && !portrait) ? kScreenHeight - image.viewHeight : 0;
    const QRect source(scrollX, scrollY, w, h);
    const QRect visible = source.intersected(page.rect());
    if (visible.isEmpty()) return;
    const QPoint dest(visible.x() - source.x(), destY + visible.y() - source.y());
    QPainter painter(&target);
    painter.drawImage(dest, page, visible);
}

}  // namespace inkvista
