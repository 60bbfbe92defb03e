// What the blitter and image benchmarks share: the pixel format of a depth,
// SDL surfaces over our own pixels, and the sprite they draw.
#pragma once

#include <SDL.h>

#include <memory>
#include <random>
#include <vector>

#include "graphics/surface.h"

namespace korva::bench {

constexpr uint32_t kSpriteMaskArgb = 0xFFFF00FF;
constexpr int32_t kBufferWidth = 640;
constexpr int32_t kBufferHeight = 480;

inline PixelFormat formatOfDepth(int depth) {
    return depth == 16 ? PixelFormat::rgb565() : PixelFormat::xrgb8888();
}

inline uint32_t sdlFormatOfDepth(int depth) {
    return depth == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
}

struct SdlSurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SdlSurface = std::unique_ptr<SDL_Surface, SdlSurfaceFree>;

// An SDL surface over the very memory our surface owns.
inline SdlSurface sdlSurfaceOver(Surface& surface, int depth) {
    LockedPixels pixels = surface.lock();
    SdlSurface wrapped(SDL_CreateRGBSurfaceWithFormatFrom(pixels.bits, surface.width(), surface.height(), depth,
                                                          pixels.pitch, sdlFormatOfDepth(depth)));
    surface.unlock();
    return wrapped;
}

// Any colour but the mask colour.
inline uint32_t opaqueColour(const PixelFormat& format, uint32_t mask, std::mt19937& random) {
    uint32_t native = format.toNative(random() | 0xFF000000);
    return native == mask ? native ^ 1 : native;
}

// A disc of colours whose radius leaves a third of the square outside it, in
// the mask colour kSpriteMaskArgb.
inline void drawSprite(Surface& sprite, std::mt19937& random) {
    const uint32_t mask = sprite.format().toNative(kSpriteMaskArgb);
    const double centre = (sprite.width() - 1) / 2.0;
    const double radius = sprite.width() * 0.4607;
    for (int32_t y = 0; y < sprite.height(); ++y) {
        for (int32_t x = 0; x < sprite.width(); ++x) {
            double dx = x - centre, dy = y - centre;
            bool inDisc = dx * dx + dy * dy <= radius * radius;
            sprite.fillRect({x, y, x + 1, y + 1}, inDisc ? opaqueColour(sprite.format(), mask, random) : mask);
        }
    }
}

struct Placement {
    int32_t x, y;
};

// 64 places where a square sprite lies wholly inside a 640 x 480 buffer.
inline std::vector<Placement> spritePlacements(int32_t spriteSize, std::mt19937& random) {
    std::vector<Placement> placements;
    for (int i = 0; i < 64; ++i)
        placements.push_back({static_cast<int32_t>(random() % (kBufferWidth - spriteSize + 1)),
                              static_cast<int32_t>(random() % (kBufferHeight - spriteSize + 1))});
    return placements;
}

}  // namespace korva::bench
