// One viewer frame (the page's visible part, the status bar and its texts,
// composed into 240 × 320) from a grey and from a fitted colour page, in
// both orientations, beside a memcpy of the frame's bytes in the same run;
// and a page turn as the reader feels it: GoNextPage on a 1200 × 1800 colour
// page fitted to the window, from the call to the composed frame. See
// docs/performance.md.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchBook.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "models/ReaderModel.h"
#include "platform/HeapTuning.h"
#include "support/TestDevice.h"
#include "ui/Fonts.h"
#include "viewer/Overlays.h"
#include "viewer/PagePainter.h"

namespace inkvista {
namespace {

constexpr uint32_t kWidth = 1200;
constexpr uint32_t kHeight = 1800;

// Panels of flat tones with a gradient and black frames: enough structure
// that the resampler and the codecs do real work.
std::vector<uint8_t> Pattern(uint32_t levels) {
    std::vector<uint8_t> pixels(size_t{kWidth} * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const bool frame = x % 400 < 6 || y % 450 < 6;
            const uint32_t tone = (x / 400 + y / 450 * 3 + (x + y) / 97) % (levels - 1) + 1;
            pixels[size_t{y} * kWidth + x] = static_cast<uint8_t>(frame ? 0 : tone);
        }
    return pixels;
}

// A composing host: each Redraw composes the frame as the window does.
class ComposingHost : public ReaderHost {
  public:
    explicit ComposingHost(qreal ratio = 1)
        : frame(qRound(240 * ratio), qRound(320 * ratio), QImage::Format_RGB32) {
        frame.setDevicePixelRatio(ratio);
    }
    void Redraw() override {
        DrawPageFrame(frame, work, model->image(), model->position().scrollX,
                      model->position().scrollY);
        FrameFacts facts;
        facts.portrait = model->portrait();
        facts.title = model->book().bookTitle;
        facts.currentPage = model->currentPage();
        facts.pageCount = model->book().pageCount;
        DrawOverlays(frame, model->reading(), facts);
        benchmark::DoNotOptimize(frame.constBits());
    }
    void OpenRequestedBook() override {}
    void ReturnToLibrary(bool) override {}
    void ShowMessage(std::u16string_view) override {}
    const ReaderModel* model = nullptr;
    QImage frame;
    QImage work;
};

}  // namespace

void WriteBenchBook(TestDevice& test, bool colour, int pages) {
    encode::BookPlan plan;
    plan.title = "Harbour Tale";
    for (int i = 0; i < pages; ++i) {
        std::optional<encode::PagePlan> page;
        if (colour) {
            std::vector<uint8_t> palette;
            for (int c = 0; c < 32; ++c)
                palette.insert(palette.end(),
                               {uint8_t(c * 8), uint8_t(255 - c * 7), uint8_t(c * 5)});
            page = encode::ColourPage(Pattern(32).data(), kWidth, kHeight, kWidth, palette);
        } else {
            std::vector<uint8_t> grey = Pattern(8);
            for (uint8_t& g : grey) g = static_cast<uint8_t>(g * 255 / 7);
            encode::RestrictGreyForRuns(grey.data(), kWidth, kHeight, kWidth);
            page = encode::GreyPage(grey.data(), kWidth, kHeight, kWidth);
        }
        if (!page) std::abort();
        plan.pages.push_back(*page);
    }
    const auto file = test.Host(u"\\My Documents\\InkVISTA\\bench.cmb");
    std::filesystem::create_directories(file.parent_path());
    if (!encode::WriteFile(file.string(), encode::BuildBook(plan))) std::abort();
}

namespace {

struct Reader {
    Reader(bool colour, bool portrait, bool fit, qreal ratio = 1) : host(ratio) {
        WriteBenchBook(test, colour);
        host.model = &model;
        ViewOption view;
        view.portrait = portrait ? 1 : 0;
        view.fitToWindow = fit ? 1 : 0;
        view.smoothScroll = 0;
        BookFolders folders;
        folders.documentsRoot = u"\\My Documents";
        OpenRequest request;
        request.fileName = u"bench.cmb";
        request.slot = FolderSlot::Main;
        if (!model.Open(request, folders, TextConversion::System, view, KeyMap())) std::abort();
    }
    TestDevice test;
    ComposingHost host;
    ReaderModel model{test.device(), host};
};

void FrameBench(benchmark::State& state, bool colour, bool portrait, qreal ratio) {
    // Colour pages are shown 24-bit once fitted; grey ones stay 8-bit.
    Reader reader(colour, portrait, colour, ratio);
    for (auto _ : state) reader.host.Redraw();
}

void MemcpyBench(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 7), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void PageTurnBench(benchmark::State& state) {
    Reader reader(true, false, true);
    for (auto _ : state) {
        // Each turn decodes: the page just left is not kept for it.
        reader.model.ForgetSparePages();
        if (reader.model.currentPage() == 0)
            reader.model.GoNextPage();
        else
            reader.model.GoPrevPage();
    }
}

void RegisterAll() {
    for (const qreal ratio : {1.0, 3.375})
        for (const bool colour : {false, true})
            for (const bool portrait : {true, false}) {
                std::string name = std::string("Frame/") + (colour ? "colour-fit" : "grey") +
                                   (portrait ? "/portrait" : "/landscape");
                if (ratio != 1) name += "/x3.375";
                benchmark::RegisterBenchmark(name.c_str(), FrameBench, colour, portrait, ratio);
            }
    benchmark::RegisterBenchmark("Baseline/memcpy/frame", MemcpyBench, size_t{240 * 320 * 4});
    // The frame at full screen (810 x 1080) and the whole 1920 x 1080 window.
    benchmark::RegisterBenchmark("Baseline/memcpy/frame-x3.375", MemcpyBench,
                                 size_t{810 * 1080 * 4});
    benchmark::RegisterBenchmark("Baseline/memcpy/window-1920x1080", MemcpyBench,
                                 size_t{1920 * 1080 * 4});
    benchmark::RegisterBenchmark("PageTurn/colour-1200x1800/fit/landscape", PageTurnBench)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace inkvista

int main(int argc, char** argv) {
    // Headless unless a platform is asked for: the window benchmarks include
    // the window system's part only on a real one (QT_QPA_PLATFORM=xcb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the reader runs.
    inkvista::KeepFreedPageMemory();
    QApplication app(argc, argv);
    inkvista::LoadReaderFonts();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    inkvista::RegisterAll();
    inkvista::RegisterWindowBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
