// Canvases over memory surfaces: clipping, masks, locks and the collision
// mask, with expectations worked out from the drawing rules.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/canvas.h"
#include "graphics/graphics.h"

namespace korva {
namespace {

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

std::unique_ptr<Graphics> graphicsIn(const PixelFormat& format, int32_t width = 64, int32_t height = 48) {
    std::shared_ptr<Surface> front = Surface::create(format, width, height);
    std::shared_ptr<Surface> back = Surface::create(format, width, height);
    return std::make_unique<Graphics>(front, back);
}

// A 4 x 4 sprite, white but for a transparent (mask-coloured) left column.
Canvas* sprite(Graphics& graphics) {
    Canvas* canvas = graphics.createCanvas(4, 4, 0);
    canvas->rect(1, 0, 3, 4, true);
    return canvas;
}

int countLit(Canvas& canvas) {
    int lit = 0;
    for (int32_t y = 0; y < canvas.height(); ++y)
        for (int32_t x = 0; x < canvas.width(); ++x) lit += canvas.readPixel(x, y) != kBlack;
    return lit;
}

TEST(Canvas, ReadBackFollowsThePixelFormat) {
    auto rgb565 = graphicsIn(PixelFormat::rgb565());
    Canvas& c565 = *rgb565->backCanvas();
    c565.writePixel(0, 0, kWhite);
    EXPECT_EQ(c565.readPixel(0, 0), 0xFFF8FCF8u);
    auto rgb555 = graphicsIn(PixelFormat::xrgb1555());
    rgb555->backCanvas()->writePixel(0, 0, kWhite);
    EXPECT_EQ(rgb555->backCanvas()->readPixel(0, 0), 0xFFF8F8F8u);
    for (const PixelFormat& format : {PixelFormat::rgb888(), PixelFormat::xrgb8888()}) {
        auto graphics = graphicsIn(format);
        Canvas& canvas = *graphics->backCanvas();
        canvas.writePixel(0, 0, 0x7F345678);
        EXPECT_EQ(canvas.readPixel(0, 0), 0xFF345678u) << format.depth;
        canvas.writePixel(1, 0, kWhite);
        EXPECT_EQ(canvas.readPixel(1, 0), kWhite) << format.depth;
    }
}

TEST(Canvas, ViewportOutsideTheCanvasDrawsNothing) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888());
    Canvas& canvas = *graphics->backCanvas();
    canvas.setViewport(100, 100, 10, 10);
    EXPECT_EQ(canvas.viewport(), (Rect{0, 0, 0, 0}));
    canvas.setClsColor(kWhite);
    canvas.cls();
    canvas.plotPixel(0, 0);
    Canvas* source = sprite(*graphics);
    EXPECT_FALSE(canvas.blit(0, 0, *source, 0, 0, 4, 4, true));
    canvas.setViewport(0, 0, 64, 48);
    EXPECT_EQ(countLit(canvas), 0);
    EXPECT_EQ(canvas.readPixel(70, 5), kBlack);  // outside: the mask colour
}

TEST(Canvas, BlitsAreClippedOnEverySide) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888(), 16, 16);
    Canvas& canvas = *graphics->backCanvas();
    Canvas* source = sprite(*graphics);
    canvas.setViewport(2, 2, 12, 12);
    struct Case {
        int32_t x, y;
        int lit;
    } cases[] = {{0, 4, 2 * 4}, {12, 4, 1 * 4}, {6, 0, 3 * 2}, {6, 12, 3 * 2}, {6, 6, 12}};
    for (const Case& c : cases) {
        canvas.cls();
        EXPECT_TRUE(canvas.blit(c.x, c.y, *source, 0, 0, 4, 4, false)) << c.x << "," << c.y;
        EXPECT_EQ(countLit(canvas), c.lit) << c.x << "," << c.y;
    }
    // Left clipping takes the matching part of the source: its left column is
    // the transparent one, so exactly the two visible lit columns remain.
    canvas.cls();
    canvas.blit(0, 4, *source, 0, 0, 4, 4, true);
    EXPECT_EQ(canvas.readPixel(2, 4), kWhite);
    EXPECT_EQ(canvas.readPixel(3, 4), kWhite);
    canvas.cls();
    for (auto [x, y] : {std::pair{-4, 4}, std::pair{14, 4}, std::pair{4, -4}, std::pair{4, 14}})
        EXPECT_FALSE(canvas.blit(x, y, *source, 0, 0, 4, 4, true));
    EXPECT_EQ(countLit(canvas), 0);
}

TEST(Canvas, MaskColourComparesNativeValues) {
    // (7, 3, 7) truncates to black in 565, so the default black mask hides it.
    for (auto [format, lit] : {std::pair{PixelFormat::rgb565(), 0}, std::pair{PixelFormat::xrgb8888(), 16}}) {
        auto graphics = graphicsIn(format);
        Canvas* picture = graphics->createCanvas(4, 4, 0);
        picture->setColor(0x070307);
        picture->rect(0, 0, 4, 4, true);
        Canvas& canvas = *graphics->backCanvas();
        canvas.blit(0, 0, *picture, 0, 0, 4, 4, false);
        EXPECT_EQ(countLit(canvas), lit) << format.depth;
    }
}

TEST(Canvas, NestedLocksRebuildTheMaskOnceAtTheOutermostUnlock) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888(), 40, 2);
    Canvas& canvas = *graphics->backCanvas();
    const uint32_t* mask = canvas.collisionMask();
    EXPECT_EQ(canvas.maskWords(), 2);
    EXPECT_EQ(mask[0], 0u);
    canvas.lock();
    canvas.lock();
    canvas.writePixelFast(0, 0, kWhite);
    canvas.writePixelFast(33, 0, kWhite);
    canvas.unlock();
    EXPECT_TRUE(canvas.isLocked());
    EXPECT_EQ(mask[0], 0u);  // not yet rebuilt
    canvas.unlock();
    EXPECT_FALSE(canvas.isLocked());
    EXPECT_EQ(mask[0], 0x80000000u);  // leftmost pixel in the top bit
    EXPECT_EQ(mask[1], 0x40000000u);
    canvas.unlock();  // one too many: ignored
    canvas.lock();
    EXPECT_TRUE(canvas.isLocked());
    canvas.unlock();
    // Counted drawing keeps the mask current at once.
    canvas.plotPixel(39, 1);
    EXPECT_EQ(mask[3], 0x01000000u);
}

TEST(Canvas, FrontAndBackOfAWindowShareOneSurface) {
    std::shared_ptr<Surface> surface = Surface::create(PixelFormat::xrgb8888(), 8, 8);
    Graphics graphics(surface, surface);
    graphics.backCanvas()->writePixel(1, 1, kWhite);
    EXPECT_EQ(graphics.frontCanvas()->readPixel(1, 1), kWhite);
    EXPECT_NE(graphics.backCanvas()->modCount(), graphics.frontCanvas()->modCount());
    EXPECT_EQ(graphics.verifyCanvas(graphics.frontCanvas()), graphics.frontCanvas());
    Canvas* made = graphics.createCanvas(2, 2, 0);
    EXPECT_EQ(graphics.verifyCanvas(made), made);
    graphics.freeCanvas(made);
    EXPECT_EQ(graphics.verifyCanvas(made), nullptr);
}

}  // namespace
}  // namespace korva
