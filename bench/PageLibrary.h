// The pages the page benchmarks work on: comic pages drawn the same on
// every run, grey and colour, in three sizes, written into one book on a
// test device so that LoadPage reads a real file.
#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "encode/PageEncoder.h"
#include "support/TestDevice.h"

namespace inkvista::bench {

struct Size {
    uint32_t width, height;
};
inline constexpr Size kSizes[] = {{240, 320}, {600, 900}, {1200, 1800}};

struct Page {
    std::string name;
    Size size;
    bool colour;
    encode::PagePlan plan;
    std::vector<uint8_t> lzoBlock;  // colour: the page's own; grey: its grey image, LZO1X-1
    uint64_t lzoOutput = 0;
    QByteArray png;
};

// All pages in one book on one test device; page i of the book is pages[i].
struct Library {
    TestDevice device;
    BookState book;
    std::vector<Page> pages;

    Library();
};

// Made on first use.
Library& TheLibrary();

// Megapixels of the page per second, as a counter.
void SetSourceRate(benchmark::State& state, const Page& page);

// The fit benchmarks (FitBench.cpp). Aborts when the fit and the baseline
// scaler disagree on any page.
void RegisterFitBenchmarks();

}  // namespace inkvista::bench
