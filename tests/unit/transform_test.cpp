// Transformations: the specialised code gives exactly the pixels of the plain
// per-pixel one, for every layout, both samplings, with and without SIMD;
// matrices no canvas can hold give no canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/transform.h"
#include "simd_setting.h"

namespace korva {
namespace {

struct Matrix {
    float a, b, c, d;
    int32_t hx, hy;
};

std::vector<PixelFormat> everyFormat() {
    // The last one, blue and red swapped, is a layout without code of its own.
    return {PixelFormat::xrgb8888(), PixelFormat::argb8888(), PixelFormat::rgb888(),
            PixelFormat::rgb565(),   PixelFormat::xrgb1555(), PixelFormat::fromMasks(16, 0, 0x001F, 0x07E0, 0xF800)};
}

std::unique_ptr<Graphics> graphicsIn(const PixelFormat& format) {
    return std::make_unique<Graphics>(Surface::create(format, 8, 8), Surface::create(format, 8, 8));
}

// Random colours with patches of the mask colour, seen through an origin and
// a viewport that leaves a margin, so reads past the viewport occur inside
// the surface too.
Canvas* picture(Graphics& graphics, std::mt19937& random) {
    Canvas* canvas = graphics.createCanvas(37, 29, 0);
    canvas->setMask(0xFF102030);
    for (int32_t y = 0; y < canvas->height(); ++y)
        for (int32_t x = 0; x < canvas->width(); ++x)
            canvas->writePixel(x, y, (x / 5 + y / 4) % 3 == 0 ? 0xFF102030 : random());
    canvas->setViewport(2, 1, 33, 26);
    canvas->setOrigin(1, -2);
    return canvas;
}

::testing::AssertionResult samePixels(Canvas& expected, Canvas& actual) {
    if (expected.width() != actual.width() || expected.height() != actual.height() ||
        expected.handleX() != actual.handleX() || expected.handleY() != actual.handleY() ||
        expected.getMask() != actual.getMask())
        return ::testing::AssertionFailure() << "size, handle or mask colour differ";
    for (int32_t y = 0; y < expected.height(); ++y)
        for (int32_t x = 0; x < expected.width(); ++x)
            if (expected.readPixel(x, y) != actual.readPixel(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs: " << std::hex
                                                     << actual.readPixel(x, y) << " for " << expected.readPixel(x, y);
    return ::testing::AssertionSuccess();
}

TEST(Transform, SpecialisedCodeGivesThePerPixelResult) {
    const float cos30 = std::cos(-0.5235988f), sin30 = std::sin(-0.5235988f);
    const Matrix matrices[] = {
        {cos30, -sin30, sin30, cos30, 18, 14}, {2, 0, 0, 2, 0, 0},           {0.37f, 0, 0, 1.7f, 5, 3},
        {1, 0.3f, -0.45f, 1, -3, 40},          {-1, 0, 0, 1, 0, 0},          {1.2e-8f, 1, -1, 1.2e-8f, 0, 0},
        {0.5f, 0.25f, -0.125f, 0.75f, 100, -60},
    };
    std::mt19937 random(77);
    for (const PixelFormat& format : everyFormat()) {
        auto graphics = graphicsIn(format);
        Canvas* source = picture(*graphics, random);
        for (const Matrix& m : matrices) {
            for (bool filter : {false, true}) {
                Canvas* expected = transformCanvasPerPixel(*source, m.a, m.b, m.c, m.d, m.hx, m.hy, filter);
                ASSERT_NE(expected, nullptr);
                for (bool simd : {false, true}) {
                    SimdSetting setting(simd);
                    Canvas* actual = transformCanvas(*source, m.a, m.b, m.c, m.d, m.hx, m.hy, filter);
                    ASSERT_NE(actual, nullptr);
                    EXPECT_TRUE(samePixels(*expected, *actual))
                        << "depth " << format.depth << ", matrix (" << m.a << ", " << m.b << ", " << m.c << ", "
                        << m.d << "), filter " << filter << ", simd " << simd;
                    graphics->freeCanvas(actual);
                }
                graphics->freeCanvas(expected);
            }
        }
    }
}

TEST(Transform, MatricesNoCanvasCanHoldGiveNone) {
    auto graphics = graphicsIn(PixelFormat::xrgb8888());
    Canvas* source = graphics->createCanvas(10, 10, 0);
    const Matrix refused[] = {{0, 0, 0, 0, 0, 0},        {1, 2, 2, 4, 0, 0},     {1e30f, 0, 0, 1, 0, 0},
                              {NAN, 0, 0, 1, 0, 0},      {INFINITY, 0, 0, 1, 0, 0}, {1e6f, 0, 0, 1e6f, 0, 0},
                              {1, 0, 0, 1, 2000000000, 0}};
    for (const Matrix& m : refused) {
        EXPECT_EQ(transformCanvas(*source, m.a, m.b, m.c, m.d, m.hx, m.hy, true), nullptr) << m.a << " " << m.hx;
        EXPECT_EQ(transformCanvasPerPixel(*source, m.a, m.b, m.c, m.d, m.hx, m.hy, false), nullptr);
    }
}

// A nearly singular matrix maps most new pixels far outside the source: they
// read as the mask colour and nothing misbehaves.
TEST(Transform, FarSourcePointsReadAsTheMaskColour) {
    auto graphics = graphicsIn(PixelFormat::rgb565());
    Canvas* source = graphics->createCanvas(4, 4, 0);
    source->setClsColor(0xFFFFFFFF);
    source->cls();
    source->setMask(0xFF0000FF);
    for (bool filter : {false, true}) {
        Canvas* thin = transformCanvas(*source, 1e-30f, 0, 0, 1, 0, 0, filter);
        ASSERT_NE(thin, nullptr);
        EXPECT_EQ(thin->width(), 1);
        EXPECT_EQ(thin->readPixel(0, 1), 0xFF0000F8u);
    }
}

}  // namespace
}  // namespace korva
