// Images as programs use them, beside a reference doing the same job:
// - DrawImage of a 32 x 32 masked sprite at 64 places on a 640 x 480 32-bit
//   buffer, called as compiled code calls it, against SDL2's colour-keyed
//   SDL_BlitSurface of the same sprite onto the same pixels;
// - ImagesCollide of two 64 x 64 sprites whose boxes overlap by about half,
//   at every sub-word shift (the right one 16 to 47 columns along), against a
//   plain test that reads both pixels of every overlapping pair and compares
//   them with the mask colours. The sprites are discs of interleaved stripes
//   that never meet, so both sides scan the whole overlap;
// - RotateImage's transformation of a 64 x 64 frame by 30 degrees with the
//   filter on, against the same transformation through readPixel and
//   writePixel per pixel;
// - collision-mask rows of a 640 x 480 buffer built by the routines made for
//   its layout, against the per-pixel builder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "../tests/unit/module_commands.h"
#include "comparison.h"
#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/image_commands.h"
#include "graphics/mask_rows.h"
#include "graphics/transform.h"
#include "sprites.h"

namespace {

using namespace korva;
using namespace korva::bench;

using DrawImage = void(int32_t, int32_t, int32_t, int32_t);
using ImagesCollide = int32_t(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);

// A display of the graphics module's own, over memory surfaces, with the
// back buffer current; images made meanwhile are freed with it.
class Display {
public:
    explicit Display(int depth)
        : graphics_(std::make_unique<Graphics>(Surface::create(formatOfDepth(depth), kBufferWidth, kBufferHeight),
                                               Surface::create(formatOfDepth(depth), kBufferWidth, kBufferHeight))) {
        graphicsState.graphics = graphics_.get();
        selectBuffer(graphics_->backCanvas());
    }
    ~Display() {
        freeAllImages();
        graphicsState = GraphicsState{};
    }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    Graphics& graphics() { return *graphics_; }
    Canvas& buffer() { return *graphicsState.buffer; }

private:
    std::unique_ptr<Graphics> graphics_;
};

// A new image holding the sprite disc, masked in the sprite's mask colour.
int32_t spriteImage(int32_t size, std::mt19937& random) {
    const int32_t image = cmdCreateImage(size, size, 1);
    drawSprite(checkedFrame(image, 0)->surface(), random);
    cmdMaskImage(image, 255, 0, 255);
    return image;
}

void BM_DrawImage(benchmark::State& state) {
    Display display(32);
    std::mt19937 random(32);
    const int32_t image = spriteImage(32, random);
    const std::vector<Placement> placements = spritePlacements(32, random);
    DrawImage* drawImage = commandOf<DrawImage>(graphicsModule, "DrawImage%image%x%y%frame=0");
    size_t drawn = 0;
    for (auto _ : state) {
        const Placement& at = placements[drawn++ % placements.size()];
        drawImage(image, at.x, at.y, 0);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawImage);

void BM_SdlDrawSprite(benchmark::State& state) {
    Display display(32);
    std::mt19937 random(32);
    const int32_t image = spriteImage(32, random);
    const std::vector<Placement> placements = spritePlacements(32, random);
    Canvas& sprite = *checkedFrame(image, 0);
    SdlSurface sdlSprite = sdlSurfaceOver(sprite.surface(), 32);
    SdlSurface sdlTarget = sdlSurfaceOver(display.buffer().surface(), 32);
    SDL_SetColorKey(sdlSprite.get(), SDL_TRUE, sprite.maskNative());
    size_t drawn = 0;
    for (auto _ : state) {
        const Placement& at = placements[drawn++ % placements.size()];
        SDL_Rect destination{at.x, at.y, 0, 0};
        benchmark::DoNotOptimize(SDL_BlitSurface(sdlSprite.get(), nullptr, sdlTarget.get(), &destination));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SdlDrawSprite);

constexpr int32_t kCollisionSize = 64;
constexpr int32_t kFirstOffset = 16, kLastOffset = 47;  // every shift within a mask word

// A disc of stripes two rows high; the other sprite's stripes fill the gaps.
int32_t stripedDisc(bool evenStripes) {
    const int32_t image = cmdCreateImage(kCollisionSize, kCollisionSize, 1);
    Canvas& canvas = *checkedFrame(image, 0);
    const double centre = (kCollisionSize - 1) / 2.0, radius = kCollisionSize * 0.48;
    canvas.lock();
    for (int32_t y = 0; y < kCollisionSize; ++y)
        for (int32_t x = 0; x < kCollisionSize; ++x)
            if ((y % 4 < 2) == evenStripes && std::hypot(x - centre, y - centre) <= radius)
                canvas.writePixelFast(x, y, 0xFF20C040);
    canvas.unlock();
    return image;
}

// Every pixel pair of the overlap, both pixels read and compared with the
// mask colours, until one pair is solid in both. Both sprites sit at y 0.
bool pixelsCollide(Canvas& left, Canvas& right, int32_t offset) {
    const uint32_t leftMask = left.getMask() & 0xFFFFFF, rightMask = right.getMask() & 0xFFFFFF;
    const int32_t columns = left.width() - offset;
    bool hit = false;
    left.lock();
    right.lock();
    for (int32_t y = 0; y < left.height() && !hit; ++y) {
        for (int32_t x = 0; x < columns && !hit; ++x) {
            const uint32_t mine = left.readPixelFast(offset + x, y) & 0xFFFFFF;
            const uint32_t theirs = right.readPixelFast(x, y) & 0xFFFFFF;
            hit = mine != leftMask && theirs != rightMask;
        }
    }
    right.unlock();
    left.unlock();
    return hit;
}

template <class Test>
int32_t collisionsAtEveryShift(Test test) {
    int32_t hits = 0;
    for (int32_t offset = kFirstOffset; offset <= kLastOffset; ++offset) hits += test(offset);
    return hits;
}

struct CollisionScene {
    CollisionScene() : display(32), left(stripedDisc(true)), right(stripedDisc(false)) {}
    Display display;
    int32_t left, right;
};

void BM_ImagesCollide(benchmark::State& state) {
    CollisionScene scene;
    ImagesCollide* imagesCollide =
        commandOf<ImagesCollide>(graphicsModule, "%ImagesCollide%image1%x1%y1%frame1%image2%x2%y2%frame2");
    auto test = [&](int32_t offset) { return imagesCollide(scene.left, 0, 0, 0, scene.right, offset, 0, 0); };
    const int32_t expected = collisionsAtEveryShift([&](int32_t offset) {
        return pixelsCollide(*checkedFrame(scene.left, 0), *checkedFrame(scene.right, 0), offset);
    });
    if (collisionsAtEveryShift(test) != expected) {  // also builds both masks before the timing
        std::fprintf(stderr, "ImagesCollide disagrees with the per-pixel test\n");
        std::abort();
    }
    for (auto _ : state) benchmark::DoNotOptimize(collisionsAtEveryShift(test));
    state.SetItemsProcessed(state.iterations() * (kLastOffset - kFirstOffset + 1));
}
BENCHMARK(BM_ImagesCollide);

void BM_PerPixelCollide(benchmark::State& state) {
    CollisionScene scene;
    Canvas& left = *checkedFrame(scene.left, 0);
    Canvas& right = *checkedFrame(scene.right, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            collisionsAtEveryShift([&](int32_t offset) { return pixelsCollide(left, right, offset); }));
    state.SetItemsProcessed(state.iterations() * (kLastOffset - kFirstOffset + 1));
}
BENCHMARK(BM_PerPixelCollide);

using Transformation = Canvas* (*)(Canvas&, float, float, float, float, int32_t, int32_t, bool);

// A 64 x 64 sprite turned by 30 degrees about its middle, as RotateImage
// turns each frame; the new canvas is freed again.
void rotateSprite(benchmark::State& state, Transformation transformation) {
    Display display(32);
    std::mt19937 random(64);
    Canvas& sprite = *checkedFrame(spriteImage(64, random), 0);
    const double radians = -30.0 * static_cast<double>(0.017453292f);
    const auto cosine = static_cast<float>(std::cos(radians)), sine = static_cast<float>(std::sin(radians));
    for (auto _ : state) {
        Canvas* rotated = transformation(sprite, cosine, -sine, sine, cosine, 32, 32, true);
        benchmark::DoNotOptimize(rotated);
        display.graphics().freeCanvas(rotated);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RotateImage(benchmark::State& state) { rotateSprite(state, transformCanvas); }
BENCHMARK(BM_RotateImage);

void BM_RotatePerPixel(benchmark::State& state) { rotateSprite(state, transformCanvasPerPixel); }
BENCHMARK(BM_RotatePerPixel);

// Collision-mask rows of a whole 640 x 480 buffer of the sprite's colours,
// as a canvas rebuilds them after drawing.
void buildMaskRows(benchmark::State& state, MaskRowBuilder builder) {
    Display display(static_cast<int>(state.range(0)));
    Canvas& buffer = display.buffer();
    std::mt19937 random(7);
    drawSprite(buffer.surface(), random);
    std::vector<uint32_t> words(static_cast<size_t>(buffer.maskWords()));
    buffer.lock();
    for (auto _ : state) {
        for (int32_t y = 0; y < buffer.height(); ++y)
            builder(buffer.format(), buffer.bits() + y * buffer.pitch(), buffer.width(), buffer.maskNative(),
                    words.data());
        benchmark::ClobberMemory();
    }
    buffer.unlock();
    state.SetItemsProcessed(state.iterations() * buffer.width() * buffer.height());
}

void BM_MaskRows(benchmark::State& state) {
    buildMaskRows(state, maskRowBuilderFor(formatOfDepth(static_cast<int>(state.range(0)))));
}
BENCHMARK(BM_MaskRows)->Arg(32)->Arg(16);

void BM_MaskRowsPerPixel(benchmark::State& state) { buildMaskRows(state, buildMaskRowPerPixel); }
BENCHMARK(BM_MaskRowsPerPixel)->Arg(32)->Arg(16);

}  // namespace

KORVA_COMPARISON("mask_rows_d32", "BM_MaskRows/32", "BM_MaskRowsPerPixel/32");
KORVA_COMPARISON("mask_rows_d16", "BM_MaskRows/16", "BM_MaskRowsPerPixel/16");
KORVA_COMPARISON("draw_image_32", "BM_DrawImage", "BM_SdlDrawSprite");
KORVA_COMPARISON("images_collide_64", "BM_ImagesCollide", "BM_PerPixelCollide");
KORVA_COMPARISON("rotate_image_64", "BM_RotateImage", "BM_RotatePerPixel");
