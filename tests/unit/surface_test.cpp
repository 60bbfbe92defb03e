#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/blit_routines.h"
#include "graphics/pixel_format.h"
#include "graphics/pixel_storage.h"
#include "graphics/surface.h"
#include "simd_setting.h"

namespace {

using namespace korva;

int storedBytes(const PixelFormat& format) { return storageBytesForDepth(format.depth); }

std::vector<PixelFormat> everyFormat() {
    return {PixelFormat::xrgb8888(), PixelFormat::argb8888(), PixelFormat::rgb888(),
            PixelFormat::rgb565(),   PixelFormat::xrgb1555(), PixelFormat::fromMasks(8, 0, 0xE0, 0x1C, 0x03)};
}

uint32_t valueMaskOf(int bytes) { return bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1; }

// Raw pixel access for expectations, independent of the code under test.
uint32_t pixelAt(const uint8_t* bits, int32_t pitch, int bytes, int32_t x, int32_t y) {
    uint32_t value = 0;
    std::memcpy(&value, bits + y * pitch + x * bytes, bytes);
    return value;
}

void setPixelAt(uint8_t* bits, int32_t pitch, int bytes, int32_t x, int32_t y, uint32_t value) {
    std::memcpy(bits + y * pitch + x * bytes, &value, bytes);
}

// Random pixels, about a third of them equal to key.
void scatter(uint8_t* bits, int32_t pitch, int bytes, int32_t width, int32_t height, uint32_t key,
             std::mt19937& random) {
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            setPixelAt(bits, pitch, bytes, x, y, random() % 3 == 0 ? key : random() & valueMaskOf(bytes));
}

void scatter(Surface& surface, uint32_t key, std::mt19937& random) {
    LockedPixels pixels = surface.lock();
    scatter(pixels.bits, pixels.pitch, storedBytes(surface.format()), surface.width(), surface.height(), key,
            random);
    surface.unlock();
}

// A copy of a surface's pixels, to compute what an operation should leave.
class Snapshot {
public:
    explicit Snapshot(Surface& surface) : bytes_(storedBytes(surface.format())), width_(surface.width()) {
        LockedPixels pixels = surface.lock();
        for (int32_t y = 0; y < surface.height(); ++y)
            for (int32_t x = 0; x < width_; ++x) pixels_.push_back(pixelAt(pixels.bits, pixels.pitch, bytes_, x, y));
        surface.unlock();
    }

    uint32_t at(int32_t x, int32_t y) const { return pixels_[y * width_ + x]; }

private:
    int bytes_;
    int32_t width_;
    std::vector<uint32_t> pixels_;
};

// Checks every pixel of the surface against expected(x, y); reports the first difference.
template <class Expected>
::testing::AssertionResult pixelsAre(Surface& surface, Expected expected) {
    LockedPixels pixels = surface.lock();
    int bytes = storedBytes(surface.format());
    for (int32_t y = 0; y < surface.height(); ++y) {
        for (int32_t x = 0; x < surface.width(); ++x) {
            uint32_t actual = pixelAt(pixels.bits, pixels.pitch, bytes, x, y);
            if (actual != expected(x, y)) {
                surface.unlock();
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << actual
                                                     << ", expected " << expected(x, y);
            }
        }
    }
    surface.unlock();
    return ::testing::AssertionSuccess();
}

bool inside(const Rect& area, int32_t x, int32_t y) {
    return x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1;
}

constexpr int32_t kWidestSpan = 67;
constexpr int32_t kSurfaceWidth = kWidestSpan + 8;
constexpr int32_t kSurfaceHeight = 5;

class SurfaceDrawingTest : public ::testing::TestWithParam<bool> {
protected:
    SurfaceDrawingTest() : simd_(GetParam()) {}

    std::unique_ptr<Surface> newSurface(const PixelFormat& format) {
        auto surface = Surface::create(format, kSurfaceWidth, kSurfaceHeight);
        EXPECT_NE(surface, nullptr);
        return surface;
    }

    static uint32_t keyFor(const PixelFormat& format) { return format.toNative(0xFF00FF00) & format.toNative(~0u); }

    std::mt19937 random_{4101};

private:
    SimdSetting simd_;
};

TEST_P(SurfaceDrawingTest, FillSetsExactlyTheArea) {
    for (const PixelFormat& format : everyFormat()) {
        auto surface = newSurface(format);
        for (int32_t width = 1; width <= kWidestSpan; ++width) {
            for (int32_t x = 0; x < 5; ++x) {
                scatter(*surface, 0, random_);
                Snapshot before(*surface);
                Rect area{x, 1, x + width, 4};
                uint32_t native = random_() & valueMaskOf(storedBytes(format));
                ASSERT_TRUE(surface->fillRect(area, native));
                ASSERT_TRUE(pixelsAre(*surface, [&](int32_t px, int32_t py) {
                    return inside(area, px, py) ? native : before.at(px, py);
                })) << "depth " << format.depth << ", width " << width << ", x " << x;
            }
        }
    }
}

// Rows without a gap between them are filled as one span; rows with one are not.
TEST_P(SurfaceDrawingTest, FillOfAWholeSurfaceCoversEveryRow) {
    for (const PixelFormat& format : everyFormat()) {
        for (int32_t width : {640, 75}) {
            auto surface = Surface::create(format, width, 3);
            ASSERT_NE(surface, nullptr);
            uint32_t native = format.toNative(0xFF3366CC);
            ASSERT_TRUE(surface->fillRect(surface->bounds(), native));
            EXPECT_TRUE(pixelsAre(*surface, [&](int32_t, int32_t) { return native; }))
                << "depth " << format.depth << ", width " << width;
        }
    }
}

TEST_P(SurfaceDrawingTest, SolidBlitCopiesTheSourceArea) {
    for (const PixelFormat& format : everyFormat()) {
        auto target = newSurface(format);
        auto source = newSurface(format);
        for (int32_t width = 1; width <= kWidestSpan; ++width) {
            for (int32_t sourceX : {0, 1, 3}) {
                for (int32_t x : {0, 1, 2, 5}) {
                    scatter(*target, 0, random_);
                    scatter(*source, 0, random_);
                    Snapshot before(*target), from(*source);
                    Rect area{x, 1, x + width, 4};
                    ASSERT_TRUE(target->blitSolid(x, 1, *source, {sourceX, 2, sourceX + width, 5}));
                    ASSERT_TRUE(pixelsAre(*target, [&](int32_t px, int32_t py) {
                        return inside(area, px, py) ? from.at(px - x + sourceX, py + 1) : before.at(px, py);
                    })) << "depth " << format.depth << ", width " << width << ", from " << sourceX << " to " << x;
                }
            }
        }
    }
}

TEST_P(SurfaceDrawingTest, KeyedBlitSkipsPixelsEqualToTheKey) {
    for (const PixelFormat& format : everyFormat()) {
        auto target = newSurface(format);
        auto source = newSurface(format);
        uint32_t key = keyFor(format);
        for (int32_t width = 1; width <= kWidestSpan; ++width) {
            for (int32_t sourceX : {0, 1, 3}) {
                for (int32_t x : {0, 1, 2, 5}) {
                    scatter(*target, key, random_);
                    scatter(*source, key, random_);
                    Snapshot before(*target), from(*source);
                    Rect area{x, 0, x + width, 3};
                    ASSERT_TRUE(target->blitKeyed(x, 0, *source, {sourceX, 1, sourceX + width, 4}, key));
                    ASSERT_TRUE(pixelsAre(*target, [&](int32_t px, int32_t py) {
                        if (!inside(area, px, py)) return before.at(px, py);
                        uint32_t pixel = from.at(px - x + sourceX, py + 1);
                        return pixel == key ? before.at(px, py) : pixel;
                    })) << "depth " << format.depth << ", width " << width << ", from " << sourceX << " to " << x;
                }
            }
        }
    }
}

// Each pixel of a stretched copy takes the source pixel under its centre,
// without the bits its layout does not use; the part of the rectangle off
// the surface is left out, the rest untouched.
TEST_P(SurfaceDrawingTest, ScaledBlitTakesThePixelUnderEachCentre) {
    struct Placement {
        int32_t x, y, width, height;
    };
    const Placement placements[] = {{0, 0, 14, 6}, {3, 1, 3, 2}, {-5, -2, 20, 9}, {60, 2, 30, 7}, {1, 0, 7, 3},
                                    {-2, -1, 7, 3}};
    const Rect sourceArea{1, 1, 8, 4};
    for (const PixelFormat& format : everyFormat()) {
        auto target = newSurface(format);
        auto source = newSurface(format);
        const uint32_t keep = format.amask | format.rmask | format.gmask | format.bmask;
        for (const Placement& p : placements) {
            scatter(*target, 0, random_);
            scatter(*source, 0, random_);
            Snapshot before(*target), from(*source);
            const Rect drawn = target->blitScaled(p.x, p.y, p.width, p.height, *source, sourceArea);
            const Rect expected{std::max(p.x, 0), std::max(p.y, 0), std::min(p.x + p.width, kSurfaceWidth),
                                std::min(p.y + p.height, kSurfaceHeight)};
            EXPECT_EQ(drawn, expected);
            ASSERT_TRUE(pixelsAre(*target, [&](int32_t px, int32_t py) {
                if (!inside(expected, px, py)) return before.at(px, py);
                return keep & from.at(sourceArea.x0 + (2 * (px - p.x) + 1) * sourceArea.width() / (2 * p.width),
                                      sourceArea.y0 + (2 * (py - p.y) + 1) * sourceArea.height() / (2 * p.height));
            })) << "depth " << format.depth << ", at " << p.x << ", " << p.y;
        }
        EXPECT_TRUE(target->blitScaled(0, 0, 0, 5, *source, sourceArea).isEmpty());
        EXPECT_TRUE(target->blitScaled(kSurfaceWidth, 0, 5, 5, *source, sourceArea).isEmpty());
    }
}

// The destination is written as if the whole source area had been read first.
TEST_P(SurfaceDrawingTest, BlitsWithinOneSurfaceHandleOverlap) {
    for (const PixelFormat& format : {PixelFormat::xrgb8888(), PixelFormat::rgb888(), PixelFormat::rgb565()}) {
        auto surface = newSurface(format);
        uint32_t key = keyFor(format);
        for (bool keyed : {false, true}) {
            for (int32_t dy = -1; dy <= 2; ++dy) {
                for (int32_t dx = -3; dx <= 3; ++dx) {
                    scatter(*surface, key, random_);
                    Snapshot before(*surface);
                    Rect source{3, 1, 3 + 40, 1 + 2};
                    Rect area{source.x0 + dx, source.y0 + dy, source.x1 + dx, source.y1 + dy};
                    ASSERT_TRUE(keyed ? surface->blitKeyed(area.x0, area.y0, *surface, source, key)
                                      : surface->blitSolid(area.x0, area.y0, *surface, source));
                    ASSERT_TRUE(pixelsAre(*surface, [&](int32_t px, int32_t py) {
                        if (!inside(area, px, py)) return before.at(px, py);
                        uint32_t pixel = before.at(px - dx, py - dy);
                        return keyed && pixel == key ? before.at(px, py) : pixel;
                    })) << "depth " << format.depth << ", keyed " << keyed << ", shift " << dx << ", " << dy;
                }
            }
        }
    }
}

// Every colour that truncates to the key's native value is transparent too.
TEST_P(SurfaceDrawingTest, DarkColoursAreTransparentUnderABlackKeyIn565Only) {
    for (auto [format, drawn] : {std::pair{PixelFormat::rgb565(), false}, std::pair{PixelFormat::xrgb8888(), true}}) {
        auto target = newSurface(format);
        auto sprite = newSurface(format);
        uint32_t dark = format.toNative(0xFF070307), white = format.toNative(0xFFFFFFFF);
        ASSERT_TRUE(sprite->fillRect(sprite->bounds(), dark));
        ASSERT_TRUE(target->fillRect(target->bounds(), white));
        ASSERT_TRUE(target->blitKeyed(0, 0, *sprite, sprite->bounds(), format.toNative(0xFF000000)));
        EXPECT_TRUE(pixelsAre(*target, [&](int32_t, int32_t) { return drawn ? dark : white; })) << format.depth;
    }
}

TEST_P(SurfaceDrawingTest, EmptyAreasDrawNothing) {
    auto surface = newSurface(PixelFormat::xrgb8888());
    scatter(*surface, 0, random_);
    Snapshot before(*surface);
    EXPECT_TRUE(surface->fillRect({4, 1, 4, 3}, 0x123456));
    EXPECT_TRUE(surface->fillRect({4, 3, 9, 3}, 0x123456));
    EXPECT_TRUE(surface->blitSolid(0, 0, *surface, {5, 2, 3, 4}));
    EXPECT_TRUE(surface->blitKeyed(0, 0, *surface, {5, 2, 9, 2}, 0));
    EXPECT_TRUE(pixelsAre(*surface, [&](int32_t x, int32_t y) { return before.at(x, y); }));
}

INSTANTIATE_TEST_SUITE_P(SurfaceWithAndWithoutSimd, SurfaceDrawingTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Simd" : "Plain"; });

// Short spans, every vector tail, and spans long enough for the string store.
std::vector<int32_t> spanWidths() {
    std::vector<int32_t> widths;
    for (int32_t width = 1; width <= kWidestSpan; ++width) widths.push_back(width);
    for (int32_t width : {127, 128, 129, 130, 255, 256, 257, 258, 701}) widths.push_back(width);
    return widths;
}

// Runs each routine of the fast set and of the generic set on the same rows
// and compares every byte of the two targets, guard bytes around the rows included.
void expectSameAsGeneric(int bytes, int32_t pitch, int32_t width, int32_t offset, std::mt19937& random) {
    constexpr int32_t kRows = 3;
    const BlitRoutines& fast = fastestBlitRoutines(bytes);
    const BlitRoutines& generic = genericBlitRoutines(bytes);
    const size_t size = static_cast<size_t>(pitch) * kRows + 4 * bytes + 8;
    std::vector<uint8_t> source(size), fastTarget(size);
    uint32_t key = random() & valueMaskOf(bytes);
    uint32_t wideKey = key | (random() & ~valueMaskOf(bytes));
    scatter(source.data(), 1, 1, static_cast<int32_t>(size), 1, key & 0xFF, random);
    scatter(fastTarget.data(), 1, 1, static_cast<int32_t>(size), 1, key & 0xFF, random);
    scatter(source.data() + 2, pitch, bytes, width, kRows, key, random);
    std::vector<uint8_t> genericTarget = fastTarget;
    PixelRows fastRows{fastTarget.data() + offset * bytes + 1, pitch};
    PixelRows genericRows{genericTarget.data() + offset * bytes + 1, pitch};
    SourceRows from{source.data() + 2, pitch};

    fast.copyKeyed(fastRows, from, width, kRows, wideKey);
    generic.copyKeyed(genericRows, from, width, kRows, wideKey);
    ASSERT_EQ(fastTarget, genericTarget) << "keyed, " << bytes << " bytes, width " << width << ", pitch " << pitch;

    fast.fill(fastRows, width, kRows, wideKey);
    generic.fill(genericRows, width, kRows, wideKey);
    ASSERT_EQ(fastTarget, genericTarget) << "fill, " << bytes << " bytes, width " << width << ", pitch " << pitch;

    fast.copy(fastRows, from, width, kRows);
    generic.copy(genericRows, from, width, kRows);
    ASSERT_EQ(fastTarget, genericTarget) << "copy, " << bytes << " bytes, width " << width << ", pitch " << pitch;

    fast.copyMasked(fastRows, from, width, kRows, wideKey);
    generic.copyMasked(genericRows, from, width, kRows, wideKey);
    ASSERT_EQ(fastTarget, genericTarget) << "masked, " << bytes << " bytes, width " << width << ", pitch " << pitch;
}

// Rows at every byte alignment, with gaps between them or contiguous, and
// keys that carry bits beyond the pixel's width.
TEST(SurfaceRoutinesTest, FastRoutinesMatchTheGenericOnes) {
    SimdSetting simd(true);
    std::mt19937 random(77);
    for (int bytes : {1, 2, 3, 4}) {
        for (int32_t width : spanWidths()) {
            for (int32_t offset = 0; offset < 4; ++offset) {
                expectSameAsGeneric(bytes, (width + 4) * bytes + 5, width, offset, random);
                expectSameAsGeneric(bytes, width * bytes, width, offset, random);
            }
        }
    }
}

// Compiled code may call in with the direction flag set; a string store
// would then run backwards from the row's start.
TEST(SurfaceRoutinesTest, LongFillsIgnoreALeftoverDirectionFlag) {
    SimdSetting simd(true);
    for (int bytes : {2, 4}) {
        std::vector<uint8_t> pixels(4096, 0xEE);
        PixelRows rows{pixels.data() + 1024, 2048};
        // Nothing but the fill may run with the flag set: any other string
        // instruction in between would itself run backwards.
        const auto fill = fastestBlitRoutines(bytes).fill;
        asm volatile("std" ::: "cc");
        fill(rows, 1024 / bytes, 1, 0);
        asm volatile("cld" ::: "cc");
        EXPECT_EQ(std::count(pixels.begin(), pixels.begin() + 1024, 0xEE), 1024) << bytes;
        EXPECT_EQ(std::count(pixels.begin() + 1024, pixels.begin() + 2048, 0), 1024) << bytes;
        EXPECT_EQ(std::count(pixels.begin() + 2048, pixels.end(), 0xEE), 2048) << bytes;
    }
}

TEST(SurfaceRoutinesTest, SimdSwitchSelectsTheRoutines) {
    {
        SimdSetting simd(false);
        for (int bytes : {1, 2, 3, 4}) EXPECT_EQ(&fastestBlitRoutines(bytes), &genericBlitRoutines(bytes));
    }
    SimdSetting simd(true);
    EXPECT_NE(&fastestBlitRoutines(2), &genericBlitRoutines(2));
    EXPECT_NE(&fastestBlitRoutines(4), &genericBlitRoutines(4));
    EXPECT_EQ(&fastestBlitRoutines(3), &genericBlitRoutines(3));
}

// Pixels placed against inaccessible pages: touching a byte outside the
// rows handed over faults.
class GuardedPages {
public:
    explicit GuardedPages(size_t bytes) : page_(sysconf(_SC_PAGESIZE)) {
        dataBytes_ = (bytes + page_ - 1) / page_ * page_;
        void* mapping =
            mmap(nullptr, dataBytes_ + 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(mapping, MAP_FAILED);
        base_ = static_cast<uint8_t*>(mapping);
        mprotect(base_, page_, PROT_NONE);
        mprotect(base_ + page_ + dataBytes_, page_, PROT_NONE);
    }
    ~GuardedPages() { munmap(base_, dataBytes_ + 2 * page_); }

    uint8_t* start() { return base_ + page_; }
    uint8_t* endingWith(size_t bytes) { return base_ + page_ + dataBytes_ - bytes; }

private:
    size_t page_;
    size_t dataBytes_ = 0;
    uint8_t* base_ = nullptr;
};

TEST(SurfaceRoutinesTest, NothingOutsideTheRowsIsTouched) {
    std::mt19937 random(9);
    constexpr int32_t kRows = 2;
    for (bool simdOn : {false, true}) {
        SimdSetting simd(simdOn);
        for (const PixelFormat& format : everyFormat()) {
            const int bytes = storedBytes(format);
            for (int32_t width = 1; width <= kWidestSpan; ++width) {
                const int32_t pitch = width * bytes;
                const size_t size = static_cast<size_t>(pitch) * kRows;
                GuardedPages first(size), second(size);
                for (bool sourceFirst : {false, true}) {
                    uint8_t* sourceBits = sourceFirst ? first.start() : first.endingWith(size);
                    uint8_t* targetBits = sourceFirst ? second.endingWith(size) : second.start();
                    scatter(sourceBits, pitch, bytes, width, kRows, 0, random);
                    auto source = Surface::wrap(format, width, kRows, sourceBits, pitch);
                    auto target = Surface::wrap(format, width, kRows, targetBits, pitch);
                    ASSERT_TRUE(source && target);
                    EXPECT_TRUE(target->fillRect(target->bounds(), 1));
                    EXPECT_TRUE(target->blitKeyed(0, 0, *source, source->bounds(), 0));
                    EXPECT_TRUE(target->blitSolid(0, 0, *source, source->bounds()));
                    EXPECT_EQ(std::memcmp(sourceBits, targetBits, size), 0);
                }
            }
        }
    }
}

TEST(SurfaceTest, CreatedSurfacesAreZeroedWithAlignedRows) {
    for (const PixelFormat& format : everyFormat()) {
        auto surface = Surface::create(format, 33, 7);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->width(), 33);
        EXPECT_EQ(surface->height(), 7);
        EXPECT_EQ(surface->bounds(), (Rect{0, 0, 33, 7}));
        EXPECT_TRUE(surface->format().sameLayout(format));
        LockedPixels pixels = surface->lock();
        EXPECT_GE(pixels.pitch, 33 * storedBytes(format));
        EXPECT_EQ(pixels.pitch % 16, 0);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(pixels.bits) % 16, 0u);
        EXPECT_TRUE(pixelsAre(*surface, [](int32_t, int32_t) { return 0u; }));
        surface->unlock();
    }
}

TEST(SurfaceTest, FormatGetsPixelRoutinesFromItsLayout) {
    auto surface = Surface::create(PixelFormat::describe(16, 0, 0xF800, 0x07E0, 0x001F), 2, 2);
    ASSERT_NE(surface, nullptr);
    LockedPixels pixels = surface->lock();
    surface->format().plot(pixels.bits, 0xFFFFFFFF);
    EXPECT_EQ(surface->format().point(pixels.bits), 0xFFF8FCF8u);
    surface->unlock();
}

TEST(SurfaceTest, ImpossibleSizesGiveNoSurface) {
    PixelFormat format = PixelFormat::xrgb8888();
    EXPECT_EQ(Surface::create(format, 0, 10), nullptr);
    EXPECT_EQ(Surface::create(format, 10, 0), nullptr);
    EXPECT_EQ(Surface::create(format, -5, 10), nullptr);
    EXPECT_EQ(Surface::create(format, 70000, 70000), nullptr);
    EXPECT_EQ(Surface::create(format, 0x7FFFFFFF, 1), nullptr);
}

TEST(SurfaceTest, WrappedPixelsAreUsedInPlace) {
    PixelFormat format = PixelFormat::rgb565();
    std::vector<uint8_t> store(10 * 4, 0);
    auto surface = Surface::wrap(format, 4, 4, store.data(), 10);
    ASSERT_NE(surface, nullptr);
    LockedPixels pixels = surface->lock();
    EXPECT_EQ(pixels.bits, store.data());
    EXPECT_EQ(pixels.pitch, 10);
    surface->unlock();
    ASSERT_TRUE(surface->fillRect({1, 2, 2, 3}, 0xBEEF));
    EXPECT_EQ(store[2 * 10 + 2], 0xEF);
    EXPECT_EQ(store[2 * 10 + 3], 0xBE);
    EXPECT_EQ(std::count(store.begin(), store.end(), 0), 38);

    EXPECT_EQ(Surface::wrap(format, 4, 4, store.data(), 7), nullptr);
    EXPECT_EQ(Surface::wrap(format, 4, 4, nullptr, 10), nullptr);
    EXPECT_EQ(Surface::wrap(format, 0, 4, store.data(), 10), nullptr);
    EXPECT_EQ(Surface::wrap(format, 4, 0x7FFFFFFF, store.data(), 10), nullptr);
}

TEST(SurfaceTest, LocksNestAndExtraUnlocksAreIgnored) {
    auto surface = Surface::create(PixelFormat::xrgb8888(), 4, 4);
    ASSERT_NE(surface, nullptr);
    EXPECT_FALSE(surface->isLocked());
    LockedPixels outer = surface->lock();
    LockedPixels inner = surface->lock();
    EXPECT_EQ(outer.bits, inner.bits);
    EXPECT_EQ(outer.pitch, inner.pitch);
    surface->unlock();
    EXPECT_TRUE(surface->isLocked());
    surface->unlock();
    EXPECT_FALSE(surface->isLocked());
    surface->unlock();
    surface->lock();
    surface->unlock();
    EXPECT_FALSE(surface->isLocked());
}

// Areas outside a surface are the caller's fault: fatal in a debug build,
// refused without drawing otherwise.
TEST(SurfaceTest, AreasOutsideTheSurfaceAreRefused) {
    auto surface = Surface::create(PixelFormat::xrgb8888(), 8, 8);
    auto source = Surface::create(PixelFormat::xrgb8888(), 8, 8);
    ASSERT_TRUE(surface && source);
    ASSERT_TRUE(source->fillRect(source->bounds(), 0x00FFFFFF));
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->fillRect({-1, 0, 4, 4}, 0x00FFFFFF)), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->fillRect({0, 0, 4, 9}, 0x00FFFFFF)), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitSolid(5, 0, *source, {0, 0, 4, 4})), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitSolid(0, -1, *source, {0, 0, 4, 4})), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitKeyed(0, 0, *source, {6, 0, 10, 4}, 0)), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitKeyed(0x7FFFFFFE, 0, *source, {0, 0, 4, 4}, 0)), "");
    EXPECT_TRUE(pixelsAre(*surface, [](int32_t, int32_t) { return 0u; }));
}

TEST(SurfaceTest, BlitsBetweenDifferentLayoutsAreRefused) {
    auto surface = Surface::create(PixelFormat::rgb565(), 8, 8);
    auto source = Surface::create(PixelFormat::xrgb1555(), 8, 8);
    ASSERT_TRUE(surface && source);
    ASSERT_TRUE(source->fillRect(source->bounds(), 0x7FFF));
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitSolid(0, 0, *source, source->bounds())), "");
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(surface->blitKeyed(0, 0, *source, source->bounds(), 0)), "");
    EXPECT_TRUE(pixelsAre(*surface, [](int32_t, int32_t) { return 0u; }));
}

}  // namespace
