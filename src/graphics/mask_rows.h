// Collision-mask words built from a row of pixels: one bit per pixel, the
// leftmost pixel in the most significant bit, 1 where the pixel is solid
// (its RGB differs from the RGB of the mask colour).
#pragma once

#include <cstdint>

#include "graphics/pixel_format.h"

namespace korva {

// Fills (count + 31) / 32 words from count pixels (count > 0) starting at
// pixels; the bits after the last pixel of the last word are 0. maskNative is
// the mask colour in the format's native form.
using MaskRowBuilder = void (*)(const PixelFormat& format, const uint8_t* pixels, int32_t count,
                                uint32_t maskNative, uint32_t* words);

// Reads every pixel through the format's point routine: the fallback, and
// the oracle of the specialised builders.
void buildMaskRowPerPixel(const PixelFormat& format, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                          uint32_t* words);

// The builder for a format, chosen once: layouts known at compile time
// compare native pixels under their RGB masks (a pixel's RGB and its native
// colour bits determine each other), 16 and 32-bit ones sixteen at a time
// with SSE2 while SIMD is enabled; any other layout goes per pixel.
MaskRowBuilder maskRowBuilderFor(const PixelFormat& format);

}  // namespace korva
