// Pixel-exact collisions on the word masks, against a plain pixel-by-pixel
// oracle, at every relative position of sprites narrower and wider than a
// mask word; masks that follow drawing and a new mask colour; mask rows
// built per layout against the per-pixel builder.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/mask_rows.h"
#include "simd_setting.h"

namespace korva {
namespace {

constexpr uint32_t kMaskColour = 0xFF000000;

std::unique_ptr<Graphics> graphicsIn(const PixelFormat& format) {
    return std::make_unique<Graphics>(Surface::create(format, 8, 8), Surface::create(format, 8, 8));
}

// A sprite with about one solid pixel in `sparseness`, and a handle.
Canvas* sprite(Graphics& graphics, int32_t width, int32_t height, int sparseness, std::mt19937& random) {
    Canvas* canvas = graphics.createCanvas(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (random() % sparseness == 0) canvas->writePixel(x, y, 0xFF000000 | (random() % 0xFFFFFF + 1));
    canvas->writePixel(width - 1, height - 1, 0xFFFFFFFF);
    canvas->setHandle(static_cast<int32_t>(random() % 5) - 2, static_cast<int32_t>(random() % 3));
    return canvas;
}

bool solidAt(Canvas& canvas, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height() &&
           (canvas.readPixel(x, y) & 0xFFFFFF) != (canvas.getMask() & 0xFFFFFF);
}

bool pixelsMeet(Canvas& a, int32_t ax, int32_t ay, Canvas& b, int32_t bx, int32_t by) {
    const int32_t left = ax - a.handleX(), top = ay - a.handleY();
    for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
            if (solidAt(a, x, y) && solidAt(b, left + x - (bx - b.handleX()), top + y - (by - b.handleY())))
                return true;
    return false;
}

bool pixelsInRect(Canvas& a, int32_t ax, int32_t ay, int32_t rx, int32_t ry, int32_t rw, int32_t rh) {
    const int32_t left = ax - a.handleX(), top = ay - a.handleY();
    for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
            if (solidAt(a, x, y) && left + x >= rx && left + x < rx + rw && top + y >= ry && top + y < ry + rh)
                return true;
    return false;
}

bool boxesOverlap(Canvas& a, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t bw, int32_t bh) {
    const int32_t left = ax - a.handleX(), top = ay - a.handleY();
    return bx < left + a.width() && left < bx + bw && by < top + a.height() && top < by + bh;
}

TEST(Collision, WordMasksAgreeWithThePixelsAtEveryPosition) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888());
    std::mt19937 random(31);
    const std::pair<int32_t, int32_t> sizes[] = {{70, 4}, {33, 3}, {1, 2}, {32, 3}, {45, 5}, {64, 2}};
    for (auto [width1, height1] : sizes) {
        for (auto [width2, height2] : sizes) {
            Canvas* a = sprite(*graphics, width1, height1, 9, random);
            Canvas* b = sprite(*graphics, width2, height2, 9, random);
            int hits = 0;
            for (int32_t dy = -height2 - 1; dy <= height1 + 1; ++dy) {
                for (int32_t dx = -width2 - 1; dx <= width1 + 1; ++dx) {
                    const int32_t bx = 5 + dx + b->handleX() - a->handleX(), by = 7 + dy + b->handleY() - a->handleY();
                    const bool expected = pixelsMeet(*a, 5, 7, *b, bx, by);
                    hits += expected;
                    ASSERT_EQ(a->collide(5, 7, *b, bx, by, false), expected)
                        << width1 << "x" << height1 << " with " << width2 << "x" << height2 << " at " << dx << ","
                        << dy;
                    ASSERT_EQ(b->collide(bx, by, *a, 5, 7, false), expected);
                    ASSERT_EQ(a->collide(5, 7, *b, bx, by, true),
                              boxesOverlap(*a, 5, 7, bx - b->handleX(), by - b->handleY(), width2, height2));
                }
            }
            EXPECT_GT(hits, 0) << width1 << "x" << height1 << " with " << width2 << "x" << height2;
        }
    }
}

TEST(Collision, RectanglesAgreeWithThePixels) {
    auto graphics = graphicsIn(PixelFormat::rgb565());
    std::mt19937 random(5);
    Canvas* a = sprite(*graphics, 77, 4, 11, random);
    for (int32_t rw : {0, 1, 2, 31, 32, 33, 40, 90, -3}) {
        for (int32_t rx = -rw - 2; rx <= 80; ++rx) {
            for (int32_t ry : {-2, 0, 2, 3, 4}) {
                const bool expected = pixelsInRect(*a, 3, 1, rx, ry, rw, 2);
                ASSERT_EQ(a->rectCollide(3, 1, rx, ry, rw, 2, false), expected) << rx << "," << ry << " " << rw;
                ASSERT_EQ(a->rectCollide(3, 1, rx, ry, rw, 2, true), boxesOverlap(*a, 3, 1, rx, ry, rw, 2));
            }
        }
    }
}

// Two solid 40 x 3 sprites side by side, the right one's first column the
// only place they overlap.
TEST(Collision, MasksFollowDrawingAndANewMaskColour) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888());
    Canvas* left = graphics->createCanvas(40, 3, 0);
    Canvas* right = graphics->createCanvas(40, 3, 0);
    left->setClsColor(0xFF00FF00);
    left->cls();
    EXPECT_FALSE(left->collide(0, 0, *right, 39, 0, false));  // right is all mask colour
    right->setColor(0xFF0000FF);
    right->plotPixel(0, 2);
    EXPECT_TRUE(left->collide(0, 0, *right, 39, 0, false));
    left->setMask(0xFF00FF00);  // left becomes wholly transparent
    EXPECT_FALSE(left->collide(0, 0, *right, 39, 0, false));
    left->setMask(kMaskColour);
    right->lock();
    right->writePixelFast(0, 2, kMaskColour);
    EXPECT_TRUE(left->collide(0, 0, *right, 39, 0, false));  // not yet: the lock is held
    right->unlock();
    EXPECT_FALSE(left->collide(0, 0, *right, 39, 0, false));
    right->blit(0, 0, *left, 0, 0, 1, 1, true);
    EXPECT_TRUE(left->collide(0, 0, *right, 39, 0, false));
    EXPECT_FALSE(left->collide(0, 0, *right, 40, 0, true));  // touching boxes
}

// Random pixels of the format, a third of them the key, some of those with
// bits outside the colour channels changed.
std::vector<uint8_t> pixelsAround(const PixelFormat& format, uint32_t key, std::mt19937& random) {
    const uint32_t otherBits = ~(format.rmask | format.gmask | format.bmask);
    std::vector<uint8_t> pixels(100 * static_cast<size_t>(format.bytesPerPixel));
    for (size_t i = 0; i < pixels.size(); i += format.bytesPerPixel) {
        const uint32_t value =
            random() % 3 == 0 ? key ^ (random() % 2 ? otherBits : 0) : static_cast<uint32_t>(random());
        std::copy_n(reinterpret_cast<const uint8_t*>(&value), format.bytesPerPixel, pixels.begin() + i);
    }
    return pixels;
}

TEST(MaskRows, EveryLayoutBuildsThePerPixelBitsWithAndWithoutSimd) {
    const PixelFormat formats[] = {PixelFormat::xrgb8888(), PixelFormat::argb8888(), PixelFormat::rgb888(),
                                   PixelFormat::rgb565(), PixelFormat::xrgb1555(),
                                   PixelFormat::fromMasks(32, 0, 0xFF, 0xFF00, 0xFF0000)};
    std::mt19937 random(12);
    for (const PixelFormat& format : formats) {
        const uint32_t key = format.toNative(random());
        const std::vector<uint8_t> pixels = pixelsAround(format, key, random);
        for (bool simd : {false, true}) {
            const SimdSetting setting(simd);
            const MaskRowBuilder builder = maskRowBuilderFor(format);
            for (int32_t count = 1; count <= 100; ++count) {
                std::vector<uint32_t> expected(4, 0xDEADBEEF), actual(4, 0xDEADBEEF);
                buildMaskRowPerPixel(format, pixels.data(), count, key, expected.data());
                builder(format, pixels.data(), count, key, actual.data());
                ASSERT_EQ(actual, expected) << "depth " << format.depth << ", " << count << " pixels, simd " << simd;
            }
        }
    }
}

}  // namespace
}  // namespace korva
