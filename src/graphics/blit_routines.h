// Rectangle fills and copies on raw pixel rows, one set of routines per
// storage width. A surface picks its set once, when it is created.
//
// The generic set is plain per-pixel loops: the fallback for widths without a
// faster set and the oracle the faster sets are tested against. The SSE2 sets
// (16- and 32-bit pixels) are used while SIMD is enabled; the switch exists so
// that tests can run the same drawing with and without them.
#pragma once

#include <cstdint>

namespace korva {

template <class Byte>
struct BasicPixelRows {
    Byte* first;    // first pixel of the first row
    int32_t pitch;  // bytes from one row to the next

    Byte* row(int32_t y) const { return first + y * pitch; }
};
using PixelRows = BasicPixelRows<uint8_t>;
using SourceRows = BasicPixelRows<const uint8_t>;

// Every routine touches exactly width x height pixels and reads nothing
// outside the source's width x height; source and target must not overlap.
struct BlitRoutines {
    // Sets every pixel to the native value.
    void (*fill)(PixelRows target, int32_t width, int32_t height, uint32_t native);
    void (*copy)(PixelRows target, SourceRows source, int32_t width, int32_t height);
    // Copies the source pixels whose native value differs from key; the others
    // leave the target as it was.
    void (*copyKeyed)(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t key);
    // Copies each pixel ANDed with keep: pictures from outside may set bits
    // that the layout leaves unused and drawing leaves 0.
    void (*copyMasked)(PixelRows target, SourceRows source, int32_t width, int32_t height, uint32_t keep);
    // Stretches: target pixel (x, y) takes source pixel (columns[x], rows[y])
    // ANDed with keep; rows never decrease, so a row that repeats the one
    // above is copied from it.
    void (*copyScaled)(PixelRows target, SourceRows source, int32_t width, int32_t height, const int32_t* columns,
                       const int32_t* rows, uint32_t keep);
};

const BlitRoutines& genericBlitRoutines(int32_t bytesPerPixel);

// The fastest set for the width while SIMD is enabled, else the generic one.
const BlitRoutines& fastestBlitRoutines(int32_t bytesPerPixel);

// Process-wide; affects the routines chosen afterwards, not those already chosen.
void setSimdEnabled(bool enabled);
bool simdEnabled();

}  // namespace korva
