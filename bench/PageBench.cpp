// LoadPage on grey and colour pages of three sizes, portrait and landscape,
// with and without fitting, beside its baselines on the same page: the LZO1X
// decompressor alone, a memcpy of the decoded size, and QImage decoding the
// page stored as PNG. The fit has benchmarks of its own (FitBench.cpp).
// bench/ratios.py turns the JSON output into the ratios of
// docs/performance.md.
#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PageLibrary.h"
#include "book/PageDecoder.h"
#include "book/Scaler.h"
#include "platform/Device.h"

namespace inkvista::bench {
namespace {

void LoadPageBench(benchmark::State& state, int index, bool portrait, bool fit) {
    Library& library = TheLibrary();
    const Page& page = library.pages[size_t(index)];
    PageView view;
    view.portrait = portrait;
    view.fitToWindow = fit;
    PageImage image;
    for (auto _ : state) {
        if (ReadPage(library.device.device().files(), library.book, index, image, view).error !=
            PageError::None)
            state.SkipWithError("ReadPage failed");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    SetSourceRate(state, page);
}

void LzoBench(benchmark::State& state, int index) {
    const Page& page = TheLibrary().pages[size_t(index)];
    if (lzo_init() != LZO_E_OK) std::abort();
    std::vector<uint8_t> out(page.lzoOutput);
    for (auto _ : state) {
        lzo_uint length = out.size();
        if (lzo1x_decompress_safe(page.lzoBlock.data(), page.lzoBlock.size(), out.data(), &length,
                                  nullptr) != LZO_E_OK)
            state.SkipWithError("LZO failed");
        benchmark::DoNotOptimize(out.data());
    }
    SetSourceRate(state, page);
}

void MemcpyBench(benchmark::State& state, int index) {
    const Page& page = TheLibrary().pages[size_t(index)];
    const size_t bytes = Stride8(page.size.width) * page.size.height;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    SetSourceRate(state, page);
}

void PngBench(benchmark::State& state, int index) {
    const Page& page = TheLibrary().pages[size_t(index)];
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(page.png, "PNG")) state.SkipWithError("PNG failed");
        benchmark::DoNotOptimize(image.constBits());
    }
    SetSourceRate(state, page);
}

// The decoding pieces alone on the packed data in memory: what LoadPage
// costs without opening and reading the book file.
void DecodeBench(benchmark::State& state, int index, bool portrait) {
    const Page& page = TheLibrary().pages[size_t(index)];
    const uint32_t w = page.size.width, h = page.size.height;
    PageImage image;
    for (auto _ : state) {
        if (page.colour) {
            const auto unpacked = std::make_unique_for_overwrite<uint8_t[]>(Stride8(w) * h);
            size_t produced = 0;
            if (!DecompressPageData(page.plan.packed,
                                    std::span<uint8_t>(unpacked.get(), Stride8(w) * h),
                                    &produced) ||
                !UnpackColourPixels(std::span<const uint8_t>(unpacked.get(), produced), w, h,
                                    portrait, image))
                state.SkipWithError("decoding failed");
        } else {
            std::vector<uint8_t> decoded(Stride8(w) * h);
            DecodeGreyRuns(page.plan.packed, decoded, w, h, page.plan.palette);
            if (!StoreGreyPixels(std::move(decoded), w, h, portrait, image))
                state.SkipWithError("storing failed");
        }
        benchmark::DoNotOptimize(image.pixels.data());
    }
    SetSourceRate(state, page);
}

void RegisterAll() {
    Library& library = TheLibrary();
    for (size_t i = 0; i < library.pages.size(); ++i) {
        const Page& page = library.pages[i];
        const int index = static_cast<int>(i);
        for (const bool portrait : {true, false})
            for (const bool fit : {false, true}) {
                const std::string name = "LoadPage/" + page.name +
                                         (portrait ? "/portrait" : "/landscape") +
                                         (fit ? "/fit" : "");
                benchmark::RegisterBenchmark(name.c_str(), LoadPageBench, index, portrait, fit);
            }
        for (const bool portrait : {true, false})
            benchmark::RegisterBenchmark(
                ("Decode/" + page.name + (portrait ? "/portrait" : "/landscape")).c_str(),
                DecodeBench, index, portrait);
        benchmark::RegisterBenchmark(("Baseline/lzo/" + page.name).c_str(), LzoBench, index);
        benchmark::RegisterBenchmark(("Baseline/memcpy/" + page.name).c_str(), MemcpyBench, index);
        benchmark::RegisterBenchmark(("Baseline/png/" + page.name).c_str(), PngBench, index);
    }
}

}  // namespace
}  // namespace inkvista::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    inkvista::bench::RegisterAll();
    inkvista::bench::RegisterFitBenchmarks();
    // Sizes of the stored forms, for the record.
    for (const auto& page : inkvista::bench::TheLibrary().pages)
        std::fprintf(stderr, "%-16s packed %8zu bytes, PNG %8lld bytes\n", page.name.c_str(),
                     page.plan.packed.size(), static_cast<long long>(page.png.size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}