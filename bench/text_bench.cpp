// Text of a 40-character line in the default font on a 640 x 480 buffer:
// per character one masked blit from the glyph atlas onto the scratch strip,
// then one fill and one masked blit of the strip. Reported as glyphs and
// covered pixels per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string_view>

#include "graphics/canvas.h"
#include "graphics/font.h"
#include "graphics/graphics.h"

namespace {

using korva::Canvas;
using korva::Font;
using korva::Graphics;
using korva::PixelFormat;
using korva::Surface;

constexpr int32_t kWidth = 640, kHeight = 480;
constexpr std::string_view kLine = "The quick brown fox jumps over a lazy do";  // 40 characters

void BM_Text40(benchmark::State& state) {
    const PixelFormat format = state.range(0) == 16 ? PixelFormat::rgb565() : PixelFormat::xrgb8888();
    Graphics graphics(Surface::create(format, kWidth, kHeight), Surface::create(format, kWidth, kHeight));
    const Font* font = graphics.defaultFont();
    if (font == nullptr) {
        state.SkipWithError("the default font could not be loaded");
        return;
    }
    Canvas& buffer = *graphics.backCanvas();
    const int32_t rows = kHeight / font->height();
    int32_t row = 0;
    for (auto _ : state) {
        buffer.text(8, row * font->height(), kLine);
        row = (row + 1) % rows;
    }
    const auto lines = static_cast<double>(state.iterations());
    state.counters["glyphs_per_second"] =
        benchmark::Counter(lines * static_cast<double>(kLine.size()), benchmark::Counter::kIsRate);
    state.counters["pixels_per_second"] = benchmark::Counter(
        lines * static_cast<double>(font->stringWidth(kLine) * font->height()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Text40)->Arg(32)->Arg(16);

}  // namespace
