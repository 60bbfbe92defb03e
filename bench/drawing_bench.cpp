// Software drawing on a locked 640 x 480 buffer: Line, Oval and
// WritePixelFast, reported as pixels per second.
#include <benchmark/benchmark.h>

#include <memory>

#include "graphics/canvas.h"
#include "graphics/graphics.h"

namespace {

using korva::Canvas;
using korva::Graphics;
using korva::PixelFormat;
using korva::Surface;

constexpr int32_t kWidth = 640, kHeight = 480;

std::unique_ptr<Graphics> displayOf(int depth) {
    const PixelFormat format = depth == 16 ? PixelFormat::rgb565() : PixelFormat::xrgb8888();
    std::shared_ptr<Surface> front = Surface::create(format, kWidth, kHeight);
    std::shared_ptr<Surface> back = Surface::create(format, kWidth, kHeight);
    return std::make_unique<Graphics>(front, back);
}

void BM_Line(benchmark::State& state) {
    auto graphics = displayOf(static_cast<int>(state.range(0)));
    Canvas& canvas = *graphics->backCanvas();
    int64_t pixels = 0;
    int32_t step = 0;
    canvas.lock();
    for (auto _ : state) {
        const int32_t y = step++ % kHeight;
        canvas.line(0, y, kWidth - 1, kHeight - 1 - y);  // one pixel per column
        pixels += kWidth;
    }
    canvas.unlock();
    state.counters["pixels_per_second"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Line)->Arg(32)->Arg(16);

void BM_OvalOutline(benchmark::State& state) {
    auto graphics = displayOf(static_cast<int>(state.range(0)));
    Canvas& canvas = *graphics->backCanvas();
    int64_t rows = 0;
    for (auto _ : state) {
        canvas.oval(20, 20, 600, 440, false);
        rows += 440;
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OvalOutline)->Arg(32)->Arg(16);

void BM_OvalSolid(benchmark::State& state) {
    auto graphics = displayOf(static_cast<int>(state.range(0)));
    Canvas& canvas = *graphics->backCanvas();
    int64_t pixels = 0;
    for (auto _ : state) {
        canvas.oval(20, 20, 600, 440, true);
        pixels += 600 * 440 * 785 / 1000;  // the ellipse covers pi/4 of its box
    }
    state.counters["pixels_per_second"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OvalSolid)->Arg(32)->Arg(16);

void BM_WritePixelFast(benchmark::State& state) {
    auto graphics = displayOf(static_cast<int>(state.range(0)));
    Canvas& canvas = *graphics->backCanvas();
    canvas.lock();
    uint32_t colour = 0;
    for (auto _ : state) {
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) canvas.writePixelFast(x, y, colour++);
        benchmark::ClobberMemory();
    }
    canvas.unlock();
    state.counters["pixels_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWidth * kHeight, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WritePixelFast)->Arg(32)->Arg(16);

}  // namespace
