#include "graphics/blit_routines.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "graphics/pixel_storage.h"

namespace korva {

namespace {

std::atomic<bool> simdAllowed{true};

template <class Storage>
void fillRow(uint8_t* row, int32_t width, uint32_t native) {
    for (int32_t x = 0; x < width; ++x) Storage::store(row + x * Storage::kBytes, native);
}

template <class Storage>
void copyKeyedRow(uint8_t* target, const uint8_t* source, int32_t width, uint32_t key) {
    for (int32_t x = 0; x < width; ++x) {
        uint32_t pixel = Storage::load(source + x * Storage::kBytes);
        if (pixel != key) Storage::store(target + x * Storage::kBytes, pixel);
    }
}

template <class Storage>
void fillGeneric(PixelRows target, int32_t width, int32_t height, uint32_t native) {
    for (int32_t y = 0; y < height; ++y) fillRow<Storage>(target.row(y), width, native);
}

// A key wider than the pixel would match nothing; only its pixel-sized part counts.
template <class Storage>
void copyKeyedGeneric(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t key) {
    key &= Storage::kValueMask;
    for (int32_t y = 0; y < height; ++y) copyKeyedRow<Storage>(target.row(y), source.row(y), width, key);
}

// Pixels carry no meaning a copy must respect, so rows go as bytes; the
// library's memcpy is as fast as a copy loop of our own would be.
template <class Storage>
void copyRows(PixelRows target, SourceRows source, int32_t width, int32_t height) {
    const size_t bytes = static_cast<size_t>(width) * Storage::kBytes;
    for (int32_t y = 0; y < height; ++y) std::memcpy(target.row(y), source.row(y), bytes);
}

template <class Storage>
void copyMaskedGeneric(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t keep) {
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* to = target.row(y);
        const uint8_t* from = source.row(y);
        for (int32_t x = 0; x < width; ++x)
            Storage::store(to + x * Storage::kBytes, Storage::load(from + x * Storage::kBytes) & keep);
    }
}

template <class Storage>
void copyScaledRows(PixelRows target, SourceRows source, int32_t width, int32_t height, const int32_t* columns,
                    const int32_t* rows, uint32_t keep) {
    const size_t rowBytes = static_cast<size_t>(width) * Storage::kBytes;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* to = target.row(y);
        if (y > 0 && rows[y] == rows[y - 1]) {
            std::memcpy(to, target.row(y - 1), rowBytes);
            continue;
        }
        const uint8_t* from = source.row(rows[y]);
        for (int32_t x = 0; x < width; ++x)
            Storage::store(to + x * Storage::kBytes, Storage::load(from + columns[x] * Storage::kBytes) & keep);
    }
}

template <class Storage>
constexpr BlitRoutines kGenericRoutines{fillGeneric<Storage>, copyRows<Storage>, copyKeyedGeneric<Storage>,
                                        copyMaskedGeneric<Storage>, copyScaledRows<Storage>};

// SSE2 lanes of one pixel width, and the processor's string store of that
// width (storeString fills count pixels). From a few hundred bytes on, the
// string store writes whole cache lines without reading them first, which
// vector stores cannot, and so halves the memory traffic of a large fill.
// The direction flag is cleared first: compiled code calling in is not
// trusted to have left it clear.
struct Lanes16 {
    using Storage = PixelStorage<2>;
    static __m128i broadcast(uint32_t native) { return _mm_set1_epi16(static_cast<int16_t>(native)); }
    static __m128i equal(__m128i a, __m128i b) { return _mm_cmpeq_epi16(a, b); }
    // Two comparison results narrowed into one vector, all ones where they were.
    static __m128i pack(__m128i a, __m128i b) { return _mm_packs_epi16(a, b); }
    static void storeString(uint8_t* start, size_t count, uint32_t native) {
        asm volatile("cld\n\trep stosw" : "+D"(start), "+c"(count) : "a"(native) : "memory", "cc");
    }
};

struct Lanes32 {
    using Storage = PixelStorage<4>;
    static __m128i broadcast(uint32_t native) { return _mm_set1_epi32(static_cast<int32_t>(native)); }
    static __m128i equal(__m128i a, __m128i b) { return _mm_cmpeq_epi32(a, b); }
    static __m128i pack(__m128i a, __m128i b) { return _mm_packs_epi32(a, b); }
    static void storeString(uint8_t* start, size_t count, uint32_t native) {
        asm volatile("cld\n\trep stosl" : "+D"(start), "+c"(count) : "a"(native) : "memory", "cc");
    }
};

constexpr int32_t kVectorBytes = 16;
constexpr int32_t kPairBytes = 2 * kVectorBytes;
constexpr int32_t kStringStoreBytes = 512;

__m128i loadVector(const uint8_t* address) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(address)); }
void storeVector(uint8_t* address, __m128i value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(address), value); }

// Rows that follow one another without a gap are one long row.
template <class Storage>
void joinContiguousRows(int32_t pitch, int32_t& width, int32_t& height) {
    if (pitch != width * Storage::kBytes) return;
    width *= height;
    height = 1;
}

// Short rows are covered by whole vectors, the last one ending at the row's
// end and overlapping its neighbour: writing a pixel twice with the same
// value is harmless, and nothing beyond the row is touched.
template <class Lanes>
void fillSse2(PixelRows target, int32_t width, int32_t height, uint32_t native) {
    using Storage = typename Lanes::Storage;
    joinContiguousRows<Storage>(target.pitch, width, height);
    const int32_t rowBytes = width * Storage::kBytes;
    if (rowBytes < kVectorBytes) return fillGeneric<Storage>(target, width, height, native);
    if (rowBytes >= kStringStoreBytes) {
        for (int32_t y = 0; y < height; ++y) Lanes::storeString(target.row(y), width, native);
        return;
    }
    const __m128i pattern = Lanes::broadcast(native);
    const int32_t lastVector = rowBytes - kVectorBytes;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = target.row(y);
        for (int32_t offset = 0; offset < lastVector; offset += kVectorBytes) storeVector(row + offset, pattern);
        storeVector(row + lastVector, pattern);
    }
}

template <class Lanes>
void blendVector(uint8_t* target, __m128i pixels, __m128i transparent) {
    const __m128i kept = _mm_and_si128(transparent, loadVector(target));
    storeVector(target, _mm_or_si128(kept, _mm_andnot_si128(transparent, pixels)));
}

template <class Lanes>
void blendKeyedVector(uint8_t* target, const uint8_t* source, __m128i keys) {
    const __m128i pixels = loadVector(source);
    blendVector<Lanes>(target, pixels, Lanes::equal(pixels, keys));
}

// Sprites have runs of transparent and of solid pixels, so most stretches
// are wholly one or the other: those skip the blend, and transparent ones
// leave the target untouched. Deciding per pair of vectors halves the
// branches, and with them the mispredictions at a sprite's ragged edges.
template <class Lanes>
void blendKeyedPair(uint8_t* target, const uint8_t* source, __m128i keys) {
    const __m128i first = loadVector(source), second = loadVector(source + kVectorBytes);
    const __m128i firstTransparent = Lanes::equal(first, keys), secondTransparent = Lanes::equal(second, keys);
    const int transparentBits = _mm_movemask_epi8(Lanes::pack(firstTransparent, secondTransparent));
    if (transparentBits == 0xFFFF) return;
    if (transparentBits == 0) {
        storeVector(target, first);
        storeVector(target + kVectorBytes, second);
        return;
    }
    blendVector<Lanes>(target, first, firstTransparent);
    blendVector<Lanes>(target + kVectorBytes, second, secondTransparent);
}

// The last pair (or vector) ends at the row's end and overlaps its
// neighbour, blending some pixels twice: the source does not alias the
// target, so the second blend gives the same result as the first.
template <class Lanes>
void copyKeyedRowSse2(uint8_t* target, const uint8_t* source, int32_t rowBytes, __m128i keys) {
    if (rowBytes < kPairBytes) {
        blendKeyedVector<Lanes>(target, source, keys);
        blendKeyedVector<Lanes>(target + rowBytes - kVectorBytes, source + rowBytes - kVectorBytes, keys);
        return;
    }
    const int32_t lastPair = rowBytes - kPairBytes;
    for (int32_t offset = 0; offset < lastPair; offset += kPairBytes)
        blendKeyedPair<Lanes>(target + offset, source + offset, keys);
    blendKeyedPair<Lanes>(target + lastPair, source + lastPair, keys);
}

// Target rows lie a whole pitch apart, further than the processor's own
// prefetcher looks ahead, so a sprite's rows would each start with a miss.
constexpr int32_t kPrefetchRows = 2;
constexpr int32_t kCacheLineBytes = 64;

void prefetchRow(const uint8_t* row, int32_t rowBytes) {
    for (int32_t offset = 0; offset < rowBytes; offset += kCacheLineBytes)
        _mm_prefetch(reinterpret_cast<const char*>(row + offset), _MM_HINT_T0);
}

template <class Lanes>
void copyKeyedSse2(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t key) {
    using Storage = typename Lanes::Storage;
    const int32_t rowBytes = width * Storage::kBytes;
    if (rowBytes < kVectorBytes) return copyKeyedGeneric<Storage>(target, source, width, height, key);
    const __m128i keys = Lanes::broadcast(key);
    for (int32_t y = 0; y < height; ++y) {
        prefetchRow(target.row(std::min(y + kPrefetchRows, height - 1)), rowBytes);
        copyKeyedRowSse2<Lanes>(target.row(y), source.row(y), rowBytes, keys);
    }
}

// As the keyed copy, the last vector of a row ends at the row's end and may
// overlap the one before it; ANDing a pixel twice gives the same result.
template <class Lanes>
void copyMaskedSse2(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t keep) {
    using Storage = typename Lanes::Storage;
    const int32_t rowBytes = width * Storage::kBytes;
    if (rowBytes < kVectorBytes) return copyMaskedGeneric<Storage>(target, source, width, height, keep);
    const __m128i kept = Lanes::broadcast(keep);
    const int32_t lastVector = rowBytes - kVectorBytes;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* to = target.row(y);
        const uint8_t* from = source.row(y);
        for (int32_t offset = 0; offset < lastVector; offset += kVectorBytes)
            storeVector(to + offset, _mm_and_si128(loadVector(from + offset), kept));
        storeVector(to + lastVector, _mm_and_si128(loadVector(from + lastVector), kept));
    }
}

template <class Lanes>
constexpr BlitRoutines kSse2Routines{fillSse2<Lanes>, copyRows<typename Lanes::Storage>, copyKeyedSse2<Lanes>,
                                     copyMaskedSse2<Lanes>, copyScaledRows<typename Lanes::Storage>};

}  // namespace

const BlitRoutines& genericBlitRoutines(int32_t bytesPerPixel) {
    return withPixelStorage(bytesPerPixel, [](auto storage) -> const BlitRoutines& {
        return kGenericRoutines<decltype(storage)>;
    });
}

const BlitRoutines& fastestBlitRoutines(int32_t bytesPerPixel) {
    if (simdEnabled()) {
        if (bytesPerPixel == 2) return kSse2Routines<Lanes16>;
        if (bytesPerPixel == 4) return kSse2Routines<Lanes32>;
    }
    return genericBlitRoutines(bytesPerPixel);
}

void setSimdEnabled(bool enabled) { simdAllowed.store(enabled, std::memory_order_relaxed); }

bool simdEnabled() { return simdAllowed.load(std::memory_order_relaxed); }

}  // namespace korva
