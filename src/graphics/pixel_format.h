// A native pixel layout (bit count and four channel masks) and the
// conversions between the language's 32-bit ARGB colours and it.
//
// ARGB to native keeps the top bits of each 8-bit channel (truncation);
// native to ARGB puts them back with zeros below and forces the channels the
// layout lacks to all ones (`fill`): 565 white reads back as 0xFFF8FCF8.
//
// plot and point are the only software pixel path. They are chosen when the
// format is set up, per depth and mask layout, so a pixel costs one indirect
// call with its arguments in registers and no test on the layout.
#pragma once

#include <cstdint>

#if defined(__i386__)
#define KORVA_REGISTER_ARGS __attribute__((regparm(3)))
#else
#define KORVA_REGISTER_ARGS
#endif

namespace korva {

struct PixelFormat;

// The format is passed along so that layouts without a routine of their own
// can share one that reads the shifts from it.
using PlotRoutine = void(KORVA_REGISTER_ARGS*)(const PixelFormat* format, void* address, uint32_t argb);
using PointRoutine = uint32_t(KORVA_REGISTER_ARGS*)(const PixelFormat* format, const void* address);

// Where one ARGB channel goes: its value is shifted right by `drop` (which
// also discards the bits the mask has no room for) and left by `pos`.
struct ChannelShift {
    uint8_t drop;
    uint8_t pos;
};

// `base` is the channel's lowest bit in ARGB (24 alpha, 16 red, 8 green,
// 0 blue). A mask is read as the run of ones above its trailing zeros.
constexpr ChannelShift channelShift(uint32_t mask, uint8_t base) {
    if (mask == 0) return {base, 0};
    uint8_t pos = 0;
    for (; (mask & 1) == 0; mask >>= 1) ++pos;
    int bits = 0;
    for (; (mask & 1) != 0; mask >>= 1) ++bits;
    return {static_cast<uint8_t>(base + 8 - bits), pos};
}

// Shift counts are taken modulo 32: a channel wider than eight bits wraps
// its drop below zero.
constexpr uint32_t channelToNative(uint32_t argb, uint8_t drop, uint8_t pos, uint32_t mask) {
    return ((argb >> (drop & 31)) << (pos & 31)) & mask;
}

constexpr uint32_t channelToArgb(uint32_t native, uint8_t drop, uint8_t pos, uint32_t mask) {
    return ((native & mask) >> (pos & 31)) << (drop & 31);
}

struct PixelFormat {
    int32_t depth = 0;          // bits per pixel
    int32_t bytesPerPixel = 0;  // depth / 8
    uint32_t amask = 0, rmask = 0, gmask = 0, bmask = 0;
    uint32_t fill = 0;          // ARGB bits forced to one on reading: the channels without a mask
    uint8_t aDrop = 0, aPos = 0, rDrop = 0, rPos = 0, gDrop = 0, gPos = 0, bDrop = 0, bPos = 0;
    PlotRoutine plotRoutine = nullptr;
    PointRoutine pointRoutine = nullptr;

    // The layout fields alone, without pixel routines; usable at compile
    // time, so the specialised routines fold their shifts into constants.
    static constexpr PixelFormat describe(int32_t depth, uint32_t amask, uint32_t rmask, uint32_t gmask,
                                          uint32_t bmask);

    // A format ready for use: the layout and its chosen plot and point.
    static PixelFormat fromMasks(int32_t depth, uint32_t amask, uint32_t rmask, uint32_t gmask, uint32_t bmask);

    // The layouts the display and picture loading use.
    static PixelFormat xrgb8888();
    static PixelFormat argb8888();
    static PixelFormat rgb888();
    static PixelFormat rgb565();
    static PixelFormat xrgb1555();

    constexpr uint32_t toNative(uint32_t argb) const {
        return channelToNative(argb, aDrop, aPos, amask) | channelToNative(argb, rDrop, rPos, rmask) |
               channelToNative(argb, gDrop, gPos, gmask) | channelToNative(argb, bDrop, bPos, bmask);
    }

    constexpr uint32_t toArgb(uint32_t native) const {
        return channelToArgb(native, aDrop, aPos, amask) | channelToArgb(native, rDrop, rPos, rmask) |
               channelToArgb(native, gDrop, gPos, gmask) | channelToArgb(native, bDrop, bPos, bmask) | fill;
    }

    // Writes argb as one native pixel at address (no alignment needed).
    void plot(void* address, uint32_t argb) const { plotRoutine(this, address, argb); }
    // Reads the native pixel at address as ARGB.
    uint32_t point(const void* address) const { return pointRoutine(this, address); }

    // Same depth and masks: pixels can be copied between the two unchanged.
    constexpr bool sameLayout(const PixelFormat& other) const {
        return depth == other.depth && amask == other.amask && rmask == other.rmask && gmask == other.gmask &&
               bmask == other.bmask;
    }
};

constexpr PixelFormat PixelFormat::describe(int32_t depth, uint32_t amask, uint32_t rmask, uint32_t gmask,
                                            uint32_t bmask) {
    PixelFormat format;
    format.depth = depth;
    format.bytesPerPixel = depth / 8;
    format.amask = amask;
    format.rmask = rmask;
    format.gmask = gmask;
    format.bmask = bmask;
    format.fill = (amask ? 0 : 0xFF000000u) | (rmask ? 0 : 0x00FF0000u) | (gmask ? 0 : 0x0000FF00u) |
                  (bmask ? 0 : 0x000000FFu);
    ChannelShift a = channelShift(amask, 24), r = channelShift(rmask, 16);
    ChannelShift g = channelShift(gmask, 8), b = channelShift(bmask, 0);
    format.aDrop = a.drop;
    format.aPos = a.pos;
    format.rDrop = r.drop;
    format.rPos = r.pos;
    format.gDrop = g.drop;
    format.gPos = g.pos;
    format.bDrop = b.drop;
    format.bPos = b.pos;
    return format;
}

}  // namespace korva
