// A pixel store in memory with a native pixel format: what every canvas
// draws on. It offers direct access (lock), colour fills, and solid and
// source-colour-keyed copies from another surface of the same layout.
//
// Rectangles are clipped by the caller. A rectangle reaching outside a
// surface, or a copy between different layouts, is a caller's fault: it
// asserts in debug builds and is refused (nothing drawn, false) otherwise.
//
// The fill and copy routines are chosen once, when the surface is created,
// for its pixel width and the SIMD switch of that moment.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/blit_routines.h"
#include "graphics/pixel_format.h"
#include "graphics/rect.h"

namespace korva {

struct LockedPixels {
    uint8_t* bits;  // pixel (0, 0)
    int32_t pitch;  // bytes from one row to the next
};

class Surface {
public:
    // A zeroed surface of its own, rows 16-byte aligned. Null when the size is
    // not positive, the store would not fit the address space or memory runs out.
    static std::unique_ptr<Surface> create(const PixelFormat& format, int32_t width, int32_t height);

    // A surface over pixels owned by the caller, which must outlive it
    // (decoded pictures are drawn from this way without a copy). Null for a
    // non-positive size, a null store, a pitch shorter than a row or a store
    // of 2 GB or more.
    static std::unique_ptr<Surface> wrap(const PixelFormat& format, int32_t width, int32_t height, uint8_t* bits,
                                         int32_t pitch);

    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int32_t width() const { return bounds_.x1; }
    int32_t height() const { return bounds_.y1; }
    Rect bounds() const { return bounds_; }
    const PixelFormat& format() const { return format_; }

    // Direct access to the pixels. Locks nest; memory surfaces cannot be lost,
    // so lock always succeeds and drawing stays allowed while locked.
    LockedPixels lock();
    // Ignored when not locked, so the count never drops below zero.
    void unlock();
    bool isLocked() const { return lockCount_ > 0; }

    // Sets every pixel of area to native (a value in this surface's format).
    bool fillRect(const Rect& area, uint32_t native);

    // Copies sourceArea of source so that its corner lands on (x, y). The
    // source may be this surface, overlapping areas included.
    bool blitSolid(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea);

    // As blitSolid, but source pixels whose native value equals sourceKey
    // leave the destination unchanged.
    bool blitKeyed(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea, uint32_t sourceKey);

    // Stretches sourceArea of another surface over the width x height
    // rectangle at (x, y), each pixel taking the source pixel under its
    // centre. Unlike the other copies this one clips for itself, because the
    // stretch is measured on the whole rectangle: only the part inside this
    // surface is drawn, and that part is the result (empty when nothing is).
    // The source may hold pictures from outside whose pixels set bits the
    // layout does not use; only the layout's own bits are copied.
    Rect blitScaled(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& source,
                    const Rect& sourceArea);

private:
    struct FreeStore {
        void operator()(uint8_t* store) const;
    };

    Surface(const PixelFormat& format, int32_t width, int32_t height, uint8_t* bits, int32_t pitch);

    PixelRows rowsAt(int32_t x, int32_t y) const;
    bool acceptsBlit(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea) const;
    bool blit(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea, const uint32_t* sourceKey);

    PixelFormat format_;
    Rect bounds_;
    int32_t bytesPerPixel_;
    uint8_t* bits_;
    int32_t pitch_;
    std::unique_ptr<uint8_t, FreeStore> ownedStore_;
    const BlitRoutines* routines_;
    int32_t lockCount_ = 0;
};

}  // namespace korva
