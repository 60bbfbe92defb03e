#include "graphics/mask_rows.h"

#include <algorithm>

#include "graphics/pixel_layout.h"

namespace korva {
namespace {

constexpr int32_t kWordPixels = 32;

// Packs the solid test of each pixel into words, first pixel highest.
template <class IsSolid>
void packRow(int32_t count, uint32_t* words, IsSolid isSolid) {
    for (int32_t start = 0; start < count; start += kWordPixels) {
        const int32_t pixels = std::min(kWordPixels, count - start);
        uint32_t bits = 0;
        for (int32_t x = start; x < start + pixels; ++x) bits = bits << 1 | static_cast<uint32_t>(isSolid(x));
        *words++ = bits << (kWordPixels - pixels);
    }
}

template <class Layout>
void buildMaskRowAs(const PixelFormat&, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                    uint32_t* words) {
    constexpr uint32_t kRgb = Layout::kFormat.rmask | Layout::kFormat.gmask | Layout::kFormat.bmask;
    constexpr int kBytes = Layout::Storage::kBytes;
    const uint32_t key = maskNative & kRgb;
    packRow(count, words, [&](int32_t x) { return (Layout::Storage::load(pixels + x * kBytes) & kRgb) != key; });
}

}  // namespace

void buildMaskRowPerPixel(const PixelFormat& format, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                          uint32_t* words) {
    constexpr uint32_t kRgb = 0x00FFFFFF;
    const uint32_t maskRgb = format.toArgb(maskNative) & kRgb;
    packRow(count, words,
            [&](int32_t x) { return (format.point(pixels + x * format.bytesPerPixel) & kRgb) != maskRgb; });
}

MaskRowBuilder maskRowBuilderFor(const PixelFormat& format) {
    MaskRowBuilder builder = buildMaskRowPerPixel;
    withKnownLayout(format, [&builder](auto layout) { builder = buildMaskRowAs<decltype(layout)>; });
    return builder;
}

}  // namespace korva
