// The software blitter beside SDL2's and beside the C library, on the same
// pixels: SDL's surfaces are wrapped around the very memory our surfaces own.
//
// Masked blits draw a square sprite (a disc of colours on the mask colour, a
// third of the pixels transparent) at varied positions on a 640 x 480 buffer,
// one blit per iteration. Solid blits copy a whole 640 x 480 buffer, against
// memcpy of the same rows; Cls fills the whole buffer, against one memset.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "comparison.h"
#include "graphics/surface.h"
#include "sprites.h"

namespace {

using namespace korva;
using namespace korva::bench;

// The same scene for both blitters: a buffer, a sprite, the positions to draw at.
class MaskedBlitScene {
public:
    MaskedBlitScene(int depth, int32_t spriteSize)
        : target_(Surface::create(formatOfDepth(depth), kBufferWidth, kBufferHeight)),
          sprite_(Surface::create(formatOfDepth(depth), spriteSize, spriteSize)),
          sdlTarget_(sdlSurfaceOver(*target_, depth)),
          sdlSprite_(sdlSurfaceOver(*sprite_, depth)) {
        std::mt19937 random(spriteSize * depth);
        drawSprite(*sprite_, random);
        placements_ = spritePlacements(spriteSize, random);
        SDL_SetColorKey(sdlSprite_.get(), SDL_TRUE, mask());
    }

    uint32_t mask() const { return sprite_->format().toNative(kSpriteMaskArgb); }
    Surface& target() { return *target_; }
    Surface& sprite() { return *sprite_; }
    SDL_Surface* sdlTarget() { return sdlTarget_.get(); }
    SDL_Surface* sdlSprite() { return sdlSprite_.get(); }
    const Placement& placement(size_t index) const { return placements_[index % placements_.size()]; }
    int64_t spritePixels() const { return int64_t{sprite_->width()} * sprite_->height(); }

private:
    std::unique_ptr<Surface> target_, sprite_;
    SdlSurface sdlTarget_, sdlSprite_;
    std::vector<Placement> placements_;
};

template <int kDepth>
void BM_KorvaMaskedBlit(benchmark::State& state) {
    MaskedBlitScene scene(kDepth, static_cast<int32_t>(state.range(0)));
    const Rect whole = scene.sprite().bounds();
    size_t drawn = 0;
    for (auto _ : state) {
        const Placement& at = scene.placement(drawn++);
        benchmark::DoNotOptimize(scene.target().blitKeyed(at.x, at.y, scene.sprite(), whole, scene.mask()));
    }
    state.SetItemsProcessed(state.iterations() * scene.spritePixels());
}
BENCHMARK_TEMPLATE(BM_KorvaMaskedBlit, 32)->Arg(32)->Arg(256);
BENCHMARK_TEMPLATE(BM_KorvaMaskedBlit, 16)->Arg(32)->Arg(256);

template <int kDepth>
void BM_SdlMaskedBlit(benchmark::State& state) {
    MaskedBlitScene scene(kDepth, static_cast<int32_t>(state.range(0)));
    size_t drawn = 0;
    for (auto _ : state) {
        const Placement& at = scene.placement(drawn++);
        SDL_Rect destination{at.x, at.y, 0, 0};
        benchmark::DoNotOptimize(SDL_BlitSurface(scene.sdlSprite(), nullptr, scene.sdlTarget(), &destination));
    }
    state.SetItemsProcessed(state.iterations() * scene.spritePixels());
}
BENCHMARK_TEMPLATE(BM_SdlMaskedBlit, 32)->Arg(32)->Arg(256);
BENCHMARK_TEMPLATE(BM_SdlMaskedBlit, 16)->Arg(32)->Arg(256);

// Two full-screen buffers of one depth, the source with some content.
struct BufferPair {
    explicit BufferPair(int depth)
        : target(Surface::create(formatOfDepth(depth), kBufferWidth, kBufferHeight)),
          source(Surface::create(formatOfDepth(depth), kBufferWidth, kBufferHeight)) {
        source->fillRect({0, 0, kBufferWidth, kBufferHeight / 2}, source->format().toNative(0xFF3366CC));
    }
    int64_t bytes() const { return int64_t{kBufferWidth} * kBufferHeight * (target->format().depth / 8); }

    std::unique_ptr<Surface> target, source;
};

template <int kDepth>
void BM_KorvaSolidBlit(benchmark::State& state) {
    BufferPair buffers(kDepth);
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffers.target->blitSolid(0, 0, *buffers.source, buffers.source->bounds()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * buffers.bytes());
}
BENCHMARK_TEMPLATE(BM_KorvaSolidBlit, 32);
BENCHMARK_TEMPLATE(BM_KorvaSolidBlit, 16);

template <int kDepth>
void BM_MemcpyRows(benchmark::State& state) {
    BufferPair buffers(kDepth);
    LockedPixels to = buffers.target->lock(), from = buffers.source->lock();
    const size_t rowBytes = size_t{kBufferWidth} * (kDepth / 8);
    for (auto _ : state) {
        for (int32_t y = 0; y < kBufferHeight; ++y)
            std::memcpy(to.bits + y * to.pitch, from.bits + y * from.pitch, rowBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * buffers.bytes());
}
BENCHMARK_TEMPLATE(BM_MemcpyRows, 32);
BENCHMARK_TEMPLATE(BM_MemcpyRows, 16);

template <int kDepth>
void BM_KorvaCls(benchmark::State& state) {
    auto buffer = Surface::create(formatOfDepth(kDepth), kBufferWidth, kBufferHeight);
    const uint32_t native = buffer->format().toNative(0xFF3366CC);
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffer->fillRect(buffer->bounds(), native));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBufferWidth * kBufferHeight * (kDepth / 8));
}
BENCHMARK_TEMPLATE(BM_KorvaCls, 32);
BENCHMARK_TEMPLATE(BM_KorvaCls, 16);

template <int kDepth>
void BM_Memset(benchmark::State& state) {
    auto buffer = Surface::create(formatOfDepth(kDepth), kBufferWidth, kBufferHeight);
    LockedPixels pixels = buffer->lock();
    const size_t bytes = size_t{kBufferWidth} * kBufferHeight * (kDepth / 8);
    for (auto _ : state) {
        std::memset(pixels.bits, 0x5A, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK_TEMPLATE(BM_Memset, 32);
BENCHMARK_TEMPLATE(BM_Memset, 16);

}  // namespace

KORVA_COMPARISON("masked_blit_32_d32", "BM_KorvaMaskedBlit<32>/32", "BM_SdlMaskedBlit<32>/32");
KORVA_COMPARISON("masked_blit_256_d32", "BM_KorvaMaskedBlit<32>/256", "BM_SdlMaskedBlit<32>/256");
KORVA_COMPARISON("masked_blit_32_d16", "BM_KorvaMaskedBlit<16>/32", "BM_SdlMaskedBlit<16>/32");
KORVA_COMPARISON("masked_blit_256_d16", "BM_KorvaMaskedBlit<16>/256", "BM_SdlMaskedBlit<16>/256");
KORVA_COMPARISON("solid_blit_d32", "BM_KorvaSolidBlit<32>", "BM_MemcpyRows<32>");
KORVA_COMPARISON("solid_blit_d16", "BM_KorvaSolidBlit<16>", "BM_MemcpyRows<16>");
KORVA_COMPARISON("cls_d32", "BM_KorvaCls<32>", "BM_Memset<32>");
KORVA_COMPARISON("cls_d16", "BM_KorvaCls<16>", "BM_Memset<16>");
