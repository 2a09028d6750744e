// What the frame benchmarks share: the two-page book they read and the
// benchmarks that need a window system (WindowBench.cpp).
#pragma once

namespace inkvista {

class TestDevice;

// "\My Documents\InkVISTA\bench.cmb" on `test`: two 1200 x 1800 pages of
// panels, grey or colour.
void WriteBenchBook(TestDevice& test, bool colour, int pages = 2);

// The main window full screen and resized, on the platform the benchmark
// runs on (xcb for figures that include the window system).
void RegisterWindowBenchmarks();

}  // namespace inkvista
