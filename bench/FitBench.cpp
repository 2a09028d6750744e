// The fit to the screen on the pages large enough to need one, beside the
// scaler it replaced (BaselineScaler.cpp) in the same run:
//
// - LoadPage/.../fit (PageBench.cpp) against LoadPageBaseline/.../fit, the
//   same page loaded without the fit and then fitted by the baseline;
// - Fit/... against FitBaseline/..., the fit alone on the decoded page;
// - Read/..., the file steps alone (open, ReadPageLayout, ReadPageData), so
//   that a page turn splits into reading, decoding (Decode/...) and fitting;
// - Resample/SET/..., the fit's resampling with each set of kernels this
//   processor runs, plain first.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BaselineScaler.h"
#include "PageLibrary.h"
#include "book/PageDecoder.h"
#include "book/Resampler.h"
#include "book/Scaler.h"
#include "platform/Device.h"

namespace inkvista::bench {
namespace {

PageImage Decoded(int index, bool portrait) {
    Library& library = TheLibrary();
    PageView view;
    view.portrait = portrait;
    PageImage image;
    if (ReadPage(library.device.device().files(), library.book, index, image, view).error !=
        PageError::None)
        std::abort();
    return image;
}

bool Fit(PageImage& image, bool colour, bool baseline) {
    if (baseline) return colour ? baseline::FitColourPage(image) : baseline::FitGreyPage(image);
    return colour ? FitColourPage(image) : FitGreyPage(image);
}

// Each iteration starts again from a copy made while the clock is stopped.
void FitAloneBench(benchmark::State& state, int index, bool portrait, bool baseline) {
    const Page& page = TheLibrary().pages[size_t(index)];
    const PageImage decoded = Decoded(index, portrait);
    PageImage work;
    for (auto _ : state) {
        state.PauseTiming();
        work = decoded;
        state.ResumeTiming();
        Fit(work, page.colour, baseline);
        benchmark::DoNotOptimize(work.pixels.data());
    }
    SetSourceRate(state, page);
}

// LoadPage as it was: the page loaded, then fitted by the baseline scaler.
void LoadPageBaselineBench(benchmark::State& state, int index, bool portrait) {
    Library& library = TheLibrary();
    const Page& page = library.pages[size_t(index)];
    PageView view;
    view.portrait = portrait;
    view.fitToWindow = 0;
    PageImage image;
    for (auto _ : state) {
        if (ReadPage(library.device.device().files(), library.book, index, image, view).error !=
            PageError::None)
            state.SkipWithError("ReadPage failed");
        Fit(image, page.colour, true);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    SetSourceRate(state, page);
}

// The file steps of LoadPage alone: open, record, palette and packed data.
void ReadBench(benchmark::State& state, int index, bool portrait) {
    Library& library = TheLibrary();
    const Page& page = library.pages[size_t(index)];
    PageImage image;
    for (auto _ : state) {
        File file = library.device.device().files().Open(library.book.bookPath, FileAccess::Read,
                                                         FileCreation::OpenExisting);
        PageLayout layout;
        PackedData packed;
        if (!file ||
            ReadPageLayout(file, library.book.pageOffsets[size_t(index)], portrait, layout) !=
                PageError::None ||
            ReadPageData(file, layout, portrait, image, packed) != PageError::None)
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(packed.bytes.data());
    }
    SetSourceRate(state, page);
}

// What FitColourPage and FitGreyPage resample, with the given kernels.
void ResampleBench(benchmark::State& state, int index, bool portrait, ScaleKernels kernels) {
    const Page& page = TheLibrary().pages[size_t(index)];
    const PageImage decoded = Decoded(index, portrait);
    const FitSize size = *ComputeFitSize(decoded.viewWidth, decoded.viewHeight);
    ColourPlanes colours{};
    for (size_t i = 0; i < 32; ++i)
        for (size_t c = 0; c < 3; ++c) colours.plane[c][i] = decoded.palette[3 * i + 2 - c];
    PlaneSource source;
    source.kind = page.colour ? PlaneSource::Kind::ColourIndices : PlaneSource::Kind::Samples;
    source.data = decoded.pixels.data();
    source.stride = decoded.PixelStride();
    source.width = static_cast<uint32_t>(decoded.viewWidth);
    source.height = static_cast<uint32_t>(decoded.viewHeight);
    source.colours = &colours;
    PlaneTarget target;
    target.width = static_cast<uint32_t>(size.width);
    target.height = static_cast<uint32_t>(size.height);
    target.stride = page.colour ? Stride24(target.width) : Stride8(target.width);
    std::vector<uint8_t> out(target.stride * target.height);
    target.data = out.data();
    for (auto _ : state) {
        if (!ResamplePlanes(source, target, kernels)) state.SkipWithError("resampling failed");
        benchmark::DoNotOptimize(out.data());
    }
    SetSourceRate(state, page);
}

// The fit and the baseline must agree on every byte of every page they are
// measured on, or the comparison means nothing.
void CheckAgainstBaseline(int index, bool portrait, const std::string& name) {
    const Page& page = TheLibrary().pages[size_t(index)];
    PageImage fitted = Decoded(index, portrait);
    PageImage expected = fitted;
    const bool resized = Fit(fitted, page.colour, false);
    if (resized != Fit(expected, page.colour, true) || fitted.pixels != expected.pixels ||
        fitted.rowStride != expected.rowStride || fitted.viewWidth != expected.viewWidth ||
        fitted.viewHeight != expected.viewHeight || fitted.format != expected.format) {
        std::fprintf(stderr, "%s: the fit differs from the baseline scaler\n", name.c_str());
        std::abort();
    }
}

}  // namespace

void RegisterFitBenchmarks() {
    Library& library = TheLibrary();
    for (size_t i = 0; i < library.pages.size(); ++i) {
        const Page& page = library.pages[i];
        const int index = static_cast<int>(i);
        for (const bool portrait : {true, false}) {
            const std::string at = page.name + (portrait ? "/portrait" : "/landscape");
            benchmark::RegisterBenchmark(("Read/" + at).c_str(), ReadBench, index, portrait);
            if (page.size.width <= 240) continue;  // needs no fit
            CheckAgainstBaseline(index, portrait, at);
            benchmark::RegisterBenchmark(("LoadPageBaseline/" + at + "/fit").c_str(),
                                         LoadPageBaselineBench, index, portrait);
            benchmark::RegisterBenchmark(("Fit/" + at).c_str(), FitAloneBench, index, portrait,
                                         false);
            benchmark::RegisterBenchmark(("FitBaseline/" + at).c_str(), FitAloneBench, index,
                                         portrait, true);
            for (const NamedScaleKernels& set : ScaleKernelSets())
                benchmark::RegisterBenchmark(
                    ("Resample/" + std::string(set.name) + "/" + at).c_str(), ResampleBench, index,
                    portrait, set.kernels);
        }
    }
}

}  // namespace inkvista::bench
