#include "graphics/mask_rows.h"

#include <emmintrin.h>

#include <algorithm>

#include "graphics/blit_routines.h"
#include "graphics/pixel_layout.h"

namespace korva {
namespace {

constexpr int32_t kWordPixels = 32;

// Packs the solid test of pixels start..start + count - 1 into words, first
// pixel highest.
template <class IsSolid>
void packRow(int32_t start, int32_t count, uint32_t* words, IsSolid isSolid) {
    for (; start < count; start += kWordPixels) {
        const int32_t pixels = std::min(kWordPixels, count - start);
        uint32_t bits = 0;
        for (int32_t x = start; x < start + pixels; ++x) bits = bits << 1 | static_cast<uint32_t>(isSolid(x));
        *words++ = bits << (kWordPixels - pixels);
    }
}

template <class Layout>
constexpr uint32_t kRgbOf = Layout::kFormat.rmask | Layout::kFormat.gmask | Layout::kFormat.bmask;

template <class Layout>
void packRowAs(const uint8_t* pixels, int32_t start, int32_t count, uint32_t maskNative, uint32_t* words) {
    constexpr int kBytes = Layout::Storage::kBytes;
    const uint32_t key = maskNative & kRgbOf<Layout>;
    packRow(start, count, words, [&](int32_t x) {
        return (Layout::Storage::load(pixels + x * kBytes) & kRgbOf<Layout>) != key;
    });
}

template <class Layout>
void buildMaskRowAs(const PixelFormat&, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                    uint32_t* words) {
    packRowAs<Layout>(pixels, 0, count, maskNative, words);
}

// Bit 0 becomes bit 31 and so on.
uint32_t reversedBits(uint32_t value) {
    value = ((value >> 1) & 0x55555555u) | ((value & 0x55555555u) << 1);
    value = ((value >> 2) & 0x33333333u) | ((value & 0x33333333u) << 2);
    value = ((value >> 4) & 0x0F0F0F0Fu) | ((value & 0x0F0F0F0Fu) << 4);
    return __builtin_bswap32(value);
}

__m128i loadVector(const uint8_t* address) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(address)); }

// Sixteen pixels of 32 bits compared with the key under the colour mask;
// bit i set where pixel i equals it.
uint32_t keyBits16Of32(const uint8_t* pixels, __m128i colour, __m128i key) {
    __m128i equal[4];
    for (int i = 0; i < 4; ++i) equal[i] = _mm_cmpeq_epi32(_mm_and_si128(loadVector(pixels + 16 * i), colour), key);
    const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(equal[0], equal[1]), _mm_packs_epi32(equal[2], equal[3]));
    return static_cast<uint32_t>(_mm_movemask_epi8(bytes));
}

uint32_t keyBits16Of16(const uint8_t* pixels, __m128i colour, __m128i key) {
    const __m128i first = _mm_cmpeq_epi16(_mm_and_si128(loadVector(pixels), colour), key);
    const __m128i second = _mm_cmpeq_epi16(_mm_and_si128(loadVector(pixels + 16), colour), key);
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(first, second)));
}

struct Lanes32 {
    static constexpr int kBytes = 4;
    static __m128i broadcast(uint32_t value) { return _mm_set1_epi32(static_cast<int32_t>(value)); }
    static uint32_t keyBits16(const uint8_t* pixels, __m128i colour, __m128i key) {
        return keyBits16Of32(pixels, colour, key);
    }
};

struct Lanes16 {
    static constexpr int kBytes = 2;
    static __m128i broadcast(uint32_t value) { return _mm_set1_epi16(static_cast<int16_t>(value)); }
    static uint32_t keyBits16(const uint8_t* pixels, __m128i colour, __m128i key) {
        return keyBits16Of16(pixels, colour, key);
    }
};

// Whole words sixteen pixels at a time, the rest as the scalar builder does.
template <class Layout, class Lanes>
void buildMaskRowSse2(const PixelFormat&, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                      uint32_t* words) {
    const __m128i colour = Lanes::broadcast(kRgbOf<Layout>), key = Lanes::broadcast(maskNative & kRgbOf<Layout>);
    const int32_t wholeWords = count / kWordPixels;
    for (int32_t word = 0; word < wholeWords; ++word) {
        const uint8_t* first = pixels + word * kWordPixels * Lanes::kBytes;
        const uint32_t equal = Lanes::keyBits16(first, colour, key) |
                               Lanes::keyBits16(first + 16 * Lanes::kBytes, colour, key) << 16;
        words[word] = reversedBits(~equal);
    }
    packRowAs<Layout>(pixels, wholeWords * kWordPixels, count, maskNative, words + wholeWords);
}

template <class Layout>
MaskRowBuilder fastestBuilderFor() {
    if (simdEnabled()) {
        if constexpr (Layout::Storage::kBytes == 4) return buildMaskRowSse2<Layout, Lanes32>;
        if constexpr (Layout::Storage::kBytes == 2) return buildMaskRowSse2<Layout, Lanes16>;
    }
    return buildMaskRowAs<Layout>;
}

}  // namespace

void buildMaskRowPerPixel(const PixelFormat& format, const uint8_t* pixels, int32_t count, uint32_t maskNative,
                          uint32_t* words) {
    constexpr uint32_t kRgb = 0x00FFFFFF;
    const uint32_t maskRgb = format.toArgb(maskNative) & kRgb;
    packRow(0, count, words,
            [&](int32_t x) { return (format.point(pixels + x * format.bytesPerPixel) & kRgb) != maskRgb; });
}

MaskRowBuilder maskRowBuilderFor(const PixelFormat& format) {
    MaskRowBuilder builder = buildMaskRowPerPixel;
    withKnownLayout(format, [&builder](auto layout) { builder = fastestBuilderFor<decltype(layout)>(); });
    return builder;
}

}  // namespace korva
