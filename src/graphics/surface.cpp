#include "graphics/surface.h"

#include <cassert>
#include <cstring>
#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "graphics/pixel_storage.h"

namespace korva {

namespace {

constexpr std::align_val_t kStoreAlignment{64};
constexpr int32_t kRowAlignment = 16;

int64_t alignedPitch(int32_t width, int32_t bytesPerPixel) {
    int64_t rowBytes = int64_t{width} * bytesPerPixel;
    return (rowBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

// The source position under the centre of each of `count` target pixels
// from `first` on, for a target of `targetSize` pixels starting at
// `targetStart` over `sourceSize` source pixels; counted from the source's
// start. In 64 bits: the target may be as wide as a program can ask.
std::vector<int32_t> positionsUnderCentres(int64_t first, int32_t count, int64_t targetStart, int64_t targetSize,
                                           int64_t sourceSize) {
    std::vector<int32_t> positions(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        positions[static_cast<size_t>(i)] =
            static_cast<int32_t>(((first - targetStart + i) * 2 + 1) * sourceSize / (targetSize * 2));
    return positions;
}

}  // namespace

void Surface::FreeStore::operator()(uint8_t* store) const { ::operator delete[](store, kStoreAlignment); }

// The format is set up afresh from its layout, so a surface's pixel routines
// always match its masks, whatever state the caller's copy was in.
Surface::Surface(const PixelFormat& format, int32_t width, int32_t height, uint8_t* bits, int32_t pitch)
    : format_(PixelFormat::fromMasks(format.depth, format.amask, format.rmask, format.gmask, format.bmask)),
      bounds_{0, 0, width, height},
      bytesPerPixel_(storageBytesForDepth(format.depth)),
      bits_(bits),
      pitch_(pitch),
      routines_(&fastestBlitRoutines(bytesPerPixel_)) {}

Surface::~Surface() = default;

std::unique_ptr<Surface> Surface::create(const PixelFormat& format, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    int64_t pitch = alignedPitch(width, storageBytesForDepth(format.depth));
    int64_t storeBytes = pitch * height;
    if (pitch > std::numeric_limits<int32_t>::max() || storeBytes > std::numeric_limits<int32_t>::max())
        return nullptr;
    auto* store = static_cast<uint8_t*>(::operator new[](static_cast<size_t>(storeBytes), kStoreAlignment,
                                                         std::nothrow));
    if (!store) return nullptr;
    std::memset(store, 0, static_cast<size_t>(storeBytes));
    std::unique_ptr<uint8_t, FreeStore> owned(store);
    std::unique_ptr<Surface> surface(new (std::nothrow)
                                         Surface(format, width, height, store, static_cast<int32_t>(pitch)));
    if (surface) surface->ownedStore_ = std::move(owned);
    return surface;
}

std::unique_ptr<Surface> Surface::wrap(const PixelFormat& format, int32_t width, int32_t height, uint8_t* bits,
                                       int32_t pitch) {
    if (width <= 0 || height <= 0 || !bits) return nullptr;
    if (pitch < int64_t{width} * storageBytesForDepth(format.depth)) return nullptr;
    if (int64_t{pitch} * height > std::numeric_limits<int32_t>::max()) return nullptr;
    return std::unique_ptr<Surface>(new (std::nothrow) Surface(format, width, height, bits, pitch));
}

LockedPixels Surface::lock() {
    ++lockCount_;
    return {bits_, pitch_};
}

void Surface::unlock() {
    if (lockCount_ > 0) --lockCount_;
}

PixelRows Surface::rowsAt(int32_t x, int32_t y) const {
    return {bits_ + y * pitch_ + x * bytesPerPixel_, pitch_};
}

bool Surface::fillRect(const Rect& area, uint32_t native) {
    assert(area.liesInside(bounds_));
    if (!area.liesInside(bounds_)) return false;
    if (area.isEmpty()) return true;
    routines_->fill(rowsAt(area.x0, area.y0), area.width(), area.height(), native);
    return true;
}

bool Surface::blitSolid(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea) {
    return blit(x, y, source, sourceArea, nullptr);
}

bool Surface::blitKeyed(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea, uint32_t sourceKey) {
    return blit(x, y, source, sourceArea, &sourceKey);
}

// Computed in 64 bits: a far-off position must be refused, not wrap around.
bool Surface::acceptsBlit(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea) const {
    if (!format_.sameLayout(source.format_) || !sourceArea.liesInside(source.bounds_)) return false;
    if (sourceArea.isEmpty()) return true;
    return x >= 0 && y >= 0 && int64_t{x} + sourceArea.width() <= width() &&
           int64_t{y} + sourceArea.height() <= height();
}

// A copy within one surface whose two areas overlap goes through a scratch
// copy of the source area, so every pixel is taken before it is overwritten.
bool Surface::blit(int32_t x, int32_t y, const Surface& source, const Rect& sourceArea, const uint32_t* sourceKey) {
    assert(acceptsBlit(x, y, source, sourceArea));
    if (!acceptsBlit(x, y, source, sourceArea)) return false;
    if (sourceArea.isEmpty()) return true;
    const int32_t width = sourceArea.width(), height = sourceArea.height();
    PixelRows sourceStart = source.rowsAt(sourceArea.x0, sourceArea.y0);
    SourceRows from{sourceStart.first, sourceStart.pitch};
    std::unique_ptr<uint8_t[]> scratch;
    if (&source == this && sourceArea.overlaps({x, y, x + width, y + height})) {
        const int32_t rowBytes = width * bytesPerPixel_;
        scratch.reset(new (std::nothrow) uint8_t[static_cast<size_t>(rowBytes) * height]);
        if (!scratch) return false;
        routines_->copy({scratch.get(), rowBytes}, from, width, height);
        from = {scratch.get(), rowBytes};
    }
    if (sourceKey)
        routines_->copyKeyed(rowsAt(x, y), from, width, height, *sourceKey);
    else
        routines_->copy(rowsAt(x, y), from, width, height);
    return true;
}

Rect Surface::blitScaled(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& source,
                         const Rect& sourceArea) {
    const bool accepted = format_.sameLayout(source.format_) && &source != this && !sourceArea.isEmpty() &&
                          sourceArea.liesInside(source.bounds_);
    assert(accepted);
    if (!accepted || width <= 0 || height <= 0) return {};
    const Rect drawn{static_cast<int32_t>(std::max<int64_t>(x, 0)), static_cast<int32_t>(std::max<int64_t>(y, 0)),
                     static_cast<int32_t>(std::min<int64_t>(int64_t{x} + width, bounds_.x1)),
                     static_cast<int32_t>(std::min<int64_t>(int64_t{y} + height, bounds_.y1))};
    if (drawn.isEmpty()) return {};
    const uint32_t keep = format_.amask | format_.rmask | format_.gmask | format_.bmask;
    const PixelRows from = source.rowsAt(sourceArea.x0, sourceArea.y0);
    if (width == sourceArea.width() && height == sourceArea.height()) {
        const PixelRows visible = source.rowsAt(sourceArea.x0 + drawn.x0 - x, sourceArea.y0 + drawn.y0 - y);
        routines_->copyMasked(rowsAt(drawn.x0, drawn.y0), {visible.first, visible.pitch}, drawn.width(),
                              drawn.height(), keep);
        return drawn;
    }
    const std::vector<int32_t> columns = positionsUnderCentres(drawn.x0, drawn.width(), x, width, sourceArea.width());
    const std::vector<int32_t> rows = positionsUnderCentres(drawn.y0, drawn.height(), y, height, sourceArea.height());
    routines_->copyScaled(rowsAt(drawn.x0, drawn.y0), {from.first, from.pitch}, drawn.width(), drawn.height(),
                          columns.data(), rows.data(), keep);
    return drawn;
}

}  // namespace korva
