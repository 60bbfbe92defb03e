// The mask layouts known when the runtime is compiled. Code that touches
// many pixels (the format's own plot and point, transformations, collision
// masks) is instantiated once per layout, so that its conversions fold into
// constant shifts and masks; withKnownLayout picks the instance for a format
// once, before the pixel loop.
#pragma once

#include <cstdint>
#include <utility>

#include "graphics/pixel_format.h"
#include "graphics/pixel_storage.h"

namespace korva {

template <int32_t kDepth, uint32_t kA, uint32_t kR, uint32_t kG, uint32_t kB>
struct MaskLayout {
    static constexpr PixelFormat kFormat = PixelFormat::describe(kDepth, kA, kR, kG, kB);
    using Storage = PixelStorage<storageBytesForDepth(kDepth)>;

    // The format's point and plot, inlined.
    static uint32_t read(const uint8_t* address) { return kFormat.toArgb(Storage::load(address)); }
    static void write(uint8_t* address, uint32_t argb) { Storage::store(address, kFormat.toNative(argb)); }
};

using Xrgb8888 = MaskLayout<32, 0, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Argb8888 = MaskLayout<32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Rgb888 = MaskLayout<24, 0, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Rgb565 = MaskLayout<16, 0, 0xF800, 0x07E0, 0x001F>;
using Xrgb1555 = MaskLayout<16, 0, 0x7C00, 0x03E0, 0x001F>;
using Argb1555 = MaskLayout<16, 0x8000, 0x7C00, 0x03E0, 0x001F>;

template <class... Layouts>
struct LayoutList {};
using KnownLayouts = LayoutList<Xrgb8888, Argb8888, Rgb888, Rgb565, Xrgb1555, Argb1555>;

namespace pixel_layout_detail {

template <class Use, class... Layouts>
bool useMatchingLayout(const PixelFormat& format, Use& use, LayoutList<Layouts...>) {
    return ((format.sameLayout(Layouts::kFormat) && (use(Layouts{}), true)) || ...);
}

}  // namespace pixel_layout_detail

// Calls use(Layout{}) for the known layout the format has; false, without a
// call, when it has none of them.
template <class Use>
bool withKnownLayout(const PixelFormat& format, Use&& use) {
    return pixel_layout_detail::useMatchingLayout(format, use, KnownLayouts{});
}

}  // namespace korva
