#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/pixel_format.h"
#include "graphics/pixel_storage.h"

namespace {

using namespace korva;

// Conversion written independently of the one under test, for layouts whose
// channels are at most eight bits wide: a channel keeps its top bits and
// reads back with zeros below them; a missing channel reads as all ones.
struct ReferenceChannel {
    uint32_t mask;
    int base;  // lowest ARGB bit of the channel
};

int lowestBit(uint32_t mask) {
    int bit = 0;
    while (!(mask >> bit & 1)) ++bit;
    return bit;
}

int bitCount(uint32_t mask) {
    int count = 0;
    for (int bit = 0; bit < 32; ++bit) count += mask >> bit & 1;
    return count;
}

std::array<ReferenceChannel, 4> channelsOf(const PixelFormat& format) {
    return {{{format.amask, 24}, {format.rmask, 16}, {format.gmask, 8}, {format.bmask, 0}}};
}

uint32_t referenceToNative(const PixelFormat& format, uint32_t argb) {
    uint32_t native = 0;
    for (ReferenceChannel channel : channelsOf(format)) {
        if (!channel.mask) continue;
        uint32_t value = argb >> channel.base & 0xFF;
        native |= (value >> (8 - bitCount(channel.mask))) << lowestBit(channel.mask);
    }
    return native;
}

uint32_t referenceToArgb(const PixelFormat& format, uint32_t native) {
    uint32_t argb = 0;
    for (ReferenceChannel channel : channelsOf(format)) {
        uint32_t value = 0xFF;
        if (channel.mask) {
            uint32_t bits = (native & channel.mask) >> lowestBit(channel.mask);
            value = bits << (8 - bitCount(channel.mask));
        }
        argb |= value << channel.base;
    }
    return argb;
}

int storedBytes(const PixelFormat& format) { return storageBytesForDepth(format.depth); }

// A pixel buffer with guard bytes around the pixel, placed at an odd address.
class PixelCell {
public:
    static constexpr uint8_t kGuard = 0xA5;

    explicit PixelCell(int offset) : offset_(offset) { bytes_.fill(kGuard); }

    uint8_t* pixel() { return bytes_.data() + offset_; }

    uint32_t storedValue(int width) const {
        uint32_t value = 0;
        for (int i = 0; i < width; ++i) value |= uint32_t{bytes_[offset_ + i]} << (8 * i);
        return value;
    }

    bool guardsIntact(int width) const {
        for (int i = 0; i < static_cast<int>(bytes_.size()); ++i)
            if ((i < offset_ || i >= offset_ + width) && bytes_[i] != kGuard) return false;
        return true;
    }

private:
    std::array<uint8_t, 16> bytes_;
    int offset_;
};

// The layouts with routines of their own, and some that go through the
// routines reading shifts from the format.
std::vector<PixelFormat> narrowChannelFormats() {
    return {
        PixelFormat::xrgb8888(),
        PixelFormat::argb8888(),
        PixelFormat::rgb888(),
        PixelFormat::rgb565(),
        PixelFormat::xrgb1555(),
        PixelFormat::fromMasks(16, 0x8000, 0x7C00, 0x03E0, 0x001F),          // ARGB 1555
        PixelFormat::fromMasks(16, 0, 0x001F, 0x07E0, 0xF800),               // BGR 565
        PixelFormat::fromMasks(16, 0xF000, 0x0F00, 0x00F0, 0x000F),          // ARGB 4444
        PixelFormat::fromMasks(32, 0, 0x0000FF00, 0x00FF0000, 0xFF000000),   // BGRX 8888
        PixelFormat::fromMasks(24, 0, 0x000000FF, 0x0000FF00, 0x00FF0000),   // BGR 888
        PixelFormat::fromMasks(8, 0, 0xE0, 0x1C, 0x03),                      // RGB 332
    };
}

std::vector<uint32_t> sampleColours() {
    std::vector<uint32_t> colours{0x00000000, 0xFFFFFFFF, 0x7F345678, 0xFF070307, 0x80808080, 0x01FEFD02};
    std::mt19937 random(1287);
    for (int i = 0; i < 2000; ++i) colours.push_back(random());
    return colours;
}

TEST(PixelFormatTest, ChannelShiftsAndFillOf565) {
    PixelFormat format = PixelFormat::rgb565();
    EXPECT_EQ(format.depth, 16);
    EXPECT_EQ(format.bytesPerPixel, 2);
    EXPECT_EQ(format.fill, 0xFF000000u);
    EXPECT_EQ(format.aDrop, 24);
    EXPECT_EQ(format.aPos, 0);
    EXPECT_EQ(format.rDrop, 19);
    EXPECT_EQ(format.rPos, 11);
    EXPECT_EQ(format.gDrop, 10);
    EXPECT_EQ(format.gPos, 5);
    EXPECT_EQ(format.bDrop, 3);
    EXPECT_EQ(format.bPos, 0);
}

TEST(PixelFormatTest, ChannelShiftsAndFillOf32BitFormats) {
    PixelFormat xrgb = PixelFormat::xrgb8888();
    EXPECT_EQ(xrgb.bytesPerPixel, 4);
    EXPECT_EQ(xrgb.fill, 0xFF000000u);
    EXPECT_EQ(xrgb.rDrop, 16);
    EXPECT_EQ(xrgb.rPos, 16);
    EXPECT_EQ(xrgb.gDrop, 8);
    EXPECT_EQ(xrgb.gPos, 8);
    EXPECT_EQ(xrgb.bDrop, 0);
    EXPECT_EQ(xrgb.bPos, 0);

    PixelFormat argb = PixelFormat::argb8888();
    EXPECT_EQ(argb.fill, 0u);
    EXPECT_EQ(argb.aDrop, 24);
    EXPECT_EQ(argb.aPos, 24);
}

TEST(PixelFormatTest, FillForcesEveryChannelWithoutMask) {
    EXPECT_EQ(PixelFormat::fromMasks(8, 0, 0, 0, 0).fill, 0xFFFFFFFFu);
    EXPECT_EQ(PixelFormat::fromMasks(16, 0, 0xF800, 0, 0x001F).fill, 0xFF00FF00u);
    EXPECT_EQ(PixelFormat::fromMasks(16, 0xF000, 0, 0x00F0, 0).fill, 0x00FF00FFu);
}

TEST(PixelFormatTest, WhiteReadsBackTruncatedIn16Bits) {
    for (auto [format, expected] : {std::pair{PixelFormat::rgb565(), 0xFFF8FCF8u},
                                    std::pair{PixelFormat::xrgb1555(), 0xFFF8F8F8u}}) {
        uint16_t pixel = 0;
        format.plot(&pixel, 0xFFFFFFFF);
        EXPECT_EQ(pixel, format.rmask | format.gmask | format.bmask);
        EXPECT_EQ(format.point(&pixel), expected);
    }
}

TEST(PixelFormatTest, FormatsWithoutAlphaReadBackOpaque) {
    for (PixelFormat format : {PixelFormat::rgb888(), PixelFormat::xrgb8888()}) {
        uint32_t pixel = 0;
        format.plot(&pixel, 0xFFFFFFFF);
        EXPECT_EQ(format.point(&pixel), 0xFFFFFFFFu) << format.depth;
        format.plot(&pixel, 0x7F345678);
        EXPECT_EQ(format.point(&pixel), 0xFF345678u) << format.depth;
    }
}

TEST(PixelFormatTest, AlphaFormatKeepsAlpha) {
    PixelFormat format = PixelFormat::argb8888();
    uint32_t pixel = 0;
    format.plot(&pixel, 0x7F345678);
    EXPECT_EQ(pixel, 0x7F345678u);
    EXPECT_EQ(format.point(&pixel), 0x7F345678u);
}

TEST(PixelFormatTest, StoredBytesAreLittleEndianAndConfinedToThePixel) {
    struct Case {
        PixelFormat format;
        uint32_t stored;
    };
    // 0xFF123456 in 565: red 0x12 >> 3 = 2, green 0x34 >> 2 = 13, blue 0x56 >> 3 = 10.
    for (const Case& c : {Case{PixelFormat::rgb565(), 2u << 11 | 13u << 5 | 10u},
                          Case{PixelFormat::xrgb1555(), 2u << 10 | 6u << 5 | 10u},
                          Case{PixelFormat::rgb888(), 0x123456u},
                          Case{PixelFormat::xrgb8888(), 0x00123456u},
                          Case{PixelFormat::argb8888(), 0xFF123456u}}) {
        for (int offset = 1; offset <= 4; ++offset) {
            PixelCell cell(offset);
            c.format.plot(cell.pixel(), 0xFF123456);
            EXPECT_EQ(cell.storedValue(storedBytes(c.format)), c.stored) << c.format.depth << " at " << offset;
            EXPECT_TRUE(cell.guardsIntact(storedBytes(c.format))) << c.format.depth << " at " << offset;
            EXPECT_EQ(c.format.point(cell.pixel()), c.format.toArgb(c.stored));
        }
    }
}

TEST(PixelFormatTest, PointReadsOnlyThePixelsBytes) {
    PixelCell cell(3);
    std::memcpy(cell.pixel(), "\x11\x22\x33", 3);
    EXPECT_EQ(PixelFormat::rgb888().point(cell.pixel()), 0xFF332211u);
    EXPECT_EQ(PixelFormat::rgb565().point(cell.pixel()), PixelFormat::rgb565().toArgb(0x2211));
}

TEST(PixelFormatTest, ConversionsMatchTheChannelRulesForEveryLayout) {
    for (const PixelFormat& format : narrowChannelFormats()) {
        for (uint32_t argb : sampleColours()) {
            uint32_t native = referenceToNative(format, argb);
            ASSERT_EQ(format.toNative(argb), native) << std::hex << format.rmask << " " << argb;
            ASSERT_EQ(format.toArgb(native), referenceToArgb(format, native)) << std::hex << format.rmask;
        }
    }
}

TEST(PixelFormatTest, PlotAndPointMatchTheConversionsForEveryLayout) {
    for (const PixelFormat& format : narrowChannelFormats()) {
        int width = storedBytes(format);
        for (uint32_t argb : sampleColours()) {
            PixelCell cell(1);
            format.plot(cell.pixel(), argb);
            uint32_t expected = referenceToNative(format, argb);
            ASSERT_EQ(cell.storedValue(width), expected) << std::hex << format.rmask << " " << argb;
            ASSERT_TRUE(cell.guardsIntact(width)) << std::hex << format.rmask;
            ASSERT_EQ(format.point(cell.pixel()), referenceToArgb(format, expected)) << std::hex << format.rmask;
        }
    }
}

TEST(PixelFormatTest, EverySixteenBitPixelReadsBackByTheRules) {
    for (const PixelFormat& format : {PixelFormat::rgb565(), PixelFormat::xrgb1555()}) {
        for (uint32_t native = 0; native <= 0xFFFF; ++native) {
            uint16_t pixel = static_cast<uint16_t>(native);
            ASSERT_EQ(format.point(&pixel), referenceToArgb(format, native)) << std::hex << native;
        }
    }
}

TEST(PixelFormatTest, DarkColoursAliasBlackIn565) {
    PixelFormat format = PixelFormat::rgb565();
    EXPECT_EQ(format.toNative(0xFF070307), format.toNative(0xFF000000));
    EXPECT_NE(format.toNative(0xFF080000), format.toNative(0xFF000000));
    EXPECT_NE(format.toNative(0xFF000400), format.toNative(0xFF000000));
    EXPECT_NE(format.toNative(0xFF000008), format.toNative(0xFF000000));
    PixelFormat xrgb = PixelFormat::xrgb8888();
    EXPECT_NE(xrgb.toNative(0xFF070307), xrgb.toNative(0xFF000000));
}

// With red, green and blue each in their own ARGB byte the colour is stored
// unconverted, so an alpha mask narrower than a byte does not narrow what is
// stored; reading still goes through the masks.
TEST(PixelFormatTest, ByteChannelsAreStoredUnconverted) {
    PixelFormat format = PixelFormat::fromMasks(32, 0x0F000000, 0x00FF0000, 0x0000FF00, 0x000000FF);
    uint32_t pixel = 0;
    format.plot(&pixel, 0x7F345678);
    EXPECT_EQ(pixel, 0x7F345678u);
    EXPECT_EQ(format.toNative(0x7F345678), 0x07345678u);
    EXPECT_EQ(format.point(&pixel), 0xF0345678u);
}

// Depths other than 16, 24 and 32 store one byte; no palette is involved.
TEST(PixelFormatTest, OtherDepthsStoreOneByte) {
    PixelFormat format = PixelFormat::fromMasks(8, 0, 0, 0, 0);
    PixelCell cell(2);
    format.plot(cell.pixel(), 0xFFFFFFFF);
    EXPECT_EQ(cell.storedValue(1), 0u);
    EXPECT_TRUE(cell.guardsIntact(1));
    EXPECT_EQ(format.point(cell.pixel()), 0xFFFFFFFFu);

    PixelFormat wide = PixelFormat::fromMasks(28, 0, 0x00FF0000, 0x0000FF00, 0x000000FF);
    PixelCell wideCell(2);
    wide.plot(wideCell.pixel(), 0x7F345678);
    EXPECT_EQ(wideCell.storedValue(1), 0x78u);
    EXPECT_TRUE(wideCell.guardsIntact(1));
    EXPECT_EQ(wide.point(wideCell.pixel()), 0xFF000078u);
}

// A channel wider than eight bits drives its drop below zero, and shift
// counts wrap modulo 32: in 2-10-10-10 blue's drop of -2 becomes 30, so blue
// takes the top two bits of alpha.
TEST(PixelFormatTest, ShiftCountsWrapModulo32) {
    PixelFormat format = PixelFormat::fromMasks(32, 0xC0000000, 0x3FF00000, 0x000FFC00, 0x000003FF);
    EXPECT_EQ(format.aDrop, 30);
    EXPECT_EQ(format.rDrop, 14);
    EXPECT_EQ(format.gDrop, 6);
    EXPECT_EQ(format.bDrop, 254);
    EXPECT_EQ(format.toNative(0xC0000000), 0xC0000003u);
    // Native blue 0x3FF goes back up by 30 (mod 32): only its lowest two bits survive, in alpha.
    EXPECT_EQ(format.toArgb(0x000003FF), 0xC0000000u);
    uint32_t pixel = 0;
    format.plot(&pixel, 0xC0000000);
    EXPECT_EQ(pixel, 0xC0000003u);
}

TEST(PixelFormatTest, MaskIsReadAsItsLowestRunOfOnes) {
    PixelFormat format = PixelFormat::fromMasks(16, 0, 0xF00F, 0, 0);
    EXPECT_EQ(format.rPos, 0);
    EXPECT_EQ(format.rDrop, 16 + 8 - 4);
}

TEST(PixelFormatTest, SameLayoutComparesDepthAndMasks) {
    EXPECT_TRUE(PixelFormat::rgb565().sameLayout(PixelFormat::fromMasks(16, 0, 0xF800, 0x07E0, 0x001F)));
    EXPECT_FALSE(PixelFormat::rgb565().sameLayout(PixelFormat::xrgb1555()));
    EXPECT_FALSE(PixelFormat::xrgb8888().sameLayout(PixelFormat::argb8888()));
    EXPECT_FALSE(PixelFormat::xrgb8888().sameLayout(PixelFormat::rgb888()));
}

}  // namespace
