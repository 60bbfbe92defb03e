#include "graphics/canvas.h"

#include <algorithm>
#include <cstring>

namespace korva {

namespace {

// Clips `moving` to `clip` and shifts the paired rectangle's edges by the
// same amounts, so that the two stay the same size and aligned.
bool clipPair(WideRect& moving, WideRect& paired, const Rect& clip) {
    const std::optional<Rect> inside = moving.clippedTo(clip);
    if (!inside) return false;
    paired.x0 += inside->x0 - moving.x0;
    paired.y0 += inside->y0 - moving.y0;
    paired.x1 += inside->x1 - moving.x1;
    paired.y1 += inside->y1 - moving.y1;
    moving = WideRect::of(*inside);
    return true;
}

Rect narrowed(const WideRect& r) {
    return {static_cast<int32_t>(r.x0), static_cast<int32_t>(r.y0), static_cast<int32_t>(r.x1),
            static_cast<int32_t>(r.y1)};
}

}  // namespace

Canvas::Canvas(Graphics* owner, std::shared_ptr<Surface> surface, int32_t flags)
    : flags_(flags),
      graphics_(owner),
      surface_(std::move(surface)),
      maskWords_((surface_->width() + 31) / 32),
      maskRowBuilder_(maskRowBuilderFor(surface_->format())),
      rect_{0, 0, surface_->width(), surface_->height()},
      format_(surface_->format()),
      viewport_(rect_) {
    setMask(0);
    setColor(0xFFFFFFFF);
    setClsColor(0xFF000000);
}

Canvas::~Canvas() {
    if (lockCount_ > 0) surface_->unlock();
}

void Canvas::lock() {
    if (lockCount_++ != 0) return;
    LockedPixels pixels = surface_->lock();
    bits_ = pixels.bits;
    pitch_ = pixels.pitch;
    lockModCount_ = modCount_;
}

// Direct writes under a lock are not tracked one by one: the outermost unlock
// rebuilds the whole mask once if anything changed.
void Canvas::unlock() {
    if (lockCount_ == 0) return;
    if (lockCount_ == 1 && modCount_ != lockModCount_ && !mask_.empty()) updateMask(rect_);
    if (--lockCount_ == 0) surface_->unlock();
}

void Canvas::setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    viewport_ = WideRect::sized(x, y, width, height).clippedTo(rect_).value_or(Rect{});
}

void Canvas::setOrigin(int32_t x, int32_t y) {
    originX_ = x;
    originY_ = y;
}

void Canvas::setHandle(int32_t x, int32_t y) {
    handleX_ = x;
    handleY_ = y;
}

// A collision mask that already exists follows the new colour at once, so
// the next pixel-exact test sees the new transparent pixels everywhere.
void Canvas::setMask(uint32_t argb) {
    const uint32_t native = format_.toNative(argb);
    if (native == maskNative_) return;
    maskNative_ = native;
    updateMask(rect_);
}

void Canvas::setColor(uint32_t argb) {
    colorArgb_ = argb | 0xFF000000u;
    colorNative_ = format_.toNative(colorArgb_);
}

void Canvas::setClsColor(uint32_t argb) { clsNative_ = format_.toNative(argb | 0xFF000000u); }

void Canvas::cls() {
    if (!viewport_.isEmpty()) fillArea(viewport_, clsNative_);
    ++modCount_;
    updateMask(viewport_);
}

void Canvas::plotPixel(int32_t x, int32_t y) {
    const int64_t px = int64_t{x} + originX_, py = int64_t{y} + originY_;
    if (!insideViewport(px, py)) return;
    const Rect pixel = narrowed(WideRect::sized(px, py, 1, 1));
    fillArea(pixel, colorNative_);
    ++modCount_;
    updateMask(pixel);
}

// After both clips the two rectangles lie inside their canvases, so they fit
// 32 bits again.
bool Canvas::blit(int64_t x, int64_t y, const Canvas& source, int32_t sx, int32_t sy, int32_t width, int32_t height,
                  bool solid) {
    // The usual sprite lies wholly inside the viewport and is taken wholly
    // from its canvas: no clipping, and its place fits 32 bits as it is.
    // (Checked in 32-bit arithmetic: 64-bit pairs cost far more on i386.)
    int32_t left, top;
    if (!__builtin_add_overflow(x, int64_t{originX_} - source.handleX_, &left) &&
        !__builtin_add_overflow(y, int64_t{originY_} - source.handleY_, &top) && width > 0 && height > 0 &&
        left >= viewport_.x0 && top >= viewport_.y0 && left <= viewport_.x1 - width &&
        top <= viewport_.y1 - height && sx >= 0 && sy >= 0 && sx <= source.rect_.x1 - width &&
        sy <= source.rect_.y1 - height)
        return blitArea({left, top, left + width, top + height}, source, {sx, sy, sx + width, sy + height}, solid);
    WideRect destination = WideRect::sized(x + originX_ - source.handleX_, y + originY_ - source.handleY_, width, height);
    WideRect from = WideRect::sized(sx, sy, width, height);
    if (!clipPair(destination, from, viewport_) || !clipPair(from, destination, source.rect_)) return false;
    return blitArea(narrowed(destination), source, narrowed(from), solid);
}

bool Canvas::blitArea(const Rect& target, const Canvas& source, const Rect& sourceArea, bool solid) {
    if (solid)
        surface_->blitSolid(target.x0, target.y0, *source.surface_, sourceArea);
    else
        surface_->blitKeyed(target.x0, target.y0, *source.surface_, sourceArea, source.maskNative_);
    ++modCount_;
    updateMask(target);
    return true;
}

bool Canvas::drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& picture,
                         const Rect& area) {
    const Rect drawn = surface_->blitScaled(x, y, width, height, picture, area);
    if (drawn.isEmpty()) return false;
    ++modCount_;
    updateMask(drawn);
    return true;
}

uint32_t Canvas::readPixel(int32_t x, int32_t y) {
    const int64_t px = int64_t{x} + originX_, py = int64_t{y} + originY_;
    if (!insideViewport(px, py)) return getMask();
    lock();
    const uint32_t argb = readPixelFast(static_cast<int32_t>(px), static_cast<int32_t>(py));
    unlock();
    return argb;
}

void Canvas::writePixel(int32_t x, int32_t y, uint32_t argb) {
    const int64_t px = int64_t{x} + originX_, py = int64_t{y} + originY_;
    if (!insideViewport(px, py)) return;
    lock();
    writePixelFast(static_cast<int32_t>(px), static_cast<int32_t>(py), argb);
    unlock();
}

void Canvas::copyPixel(int32_t x, int32_t y, Canvas& source, int32_t sx, int32_t sy) {
    const int64_t px = int64_t{x} + originX_, py = int64_t{y} + originY_;
    const int64_t spx = int64_t{sx} + source.originX_, spy = int64_t{sy} + source.originY_;
    if (!insideViewport(px, py) || !source.insideViewport(spx, spy)) return;
    lock();
    source.lock();
    copyPixelFast(static_cast<int32_t>(px), static_cast<int32_t>(py), source, static_cast<int32_t>(spx),
                  static_cast<int32_t>(spy));
    source.unlock();
    unlock();
}

void Canvas::copyPixelFast(int32_t x, int32_t y, const Canvas& source, int32_t sx, int32_t sy) {
    const int32_t bytes = format_.bytesPerPixel;
    if (bytes < 2 || bytes > 4) return;
    std::memcpy(pixelAddress(x, y), source.pixelAddress(sx, sy), static_cast<size_t>(bytes));
}

void swapSurfaces(Canvas& a, Canvas& b) {
    std::swap(a.surface_, b.surface_);
    std::swap(a.bits_, b.bits_);
    std::swap(a.pitch_, b.pitch_);
    if (!a.mask_.empty()) a.updateMask(a.rect_);
    if (!b.mask_.empty()) b.updateMask(b.rect_);
}

const uint32_t* Canvas::collisionMask() {
    if (mask_.empty()) {
        mask_.assign(static_cast<size_t>(maskWords_) * static_cast<size_t>(std::max(height(), 1)), 0);
        updateMask(rect_);
    }
    return mask_.data();
}

void Canvas::updateMask(Rect area) {
    if (mask_.empty() || area.isEmpty()) return;
    lock();
    rebuildMaskWords(area);
    unlock();
}

void Canvas::rebuildMaskWords(const Rect& area) {
    const int32_t firstWord = area.x0 / 32, x0 = firstWord * 32;
    const int32_t pixels = std::min((area.x1 + 31) / 32 * 32, width()) - x0;
    for (int32_t y = area.y0; y < area.y1; ++y) {
        uint32_t* row = mask_.data() + static_cast<size_t>(y) * static_cast<size_t>(maskWords_);
        maskRowBuilder_(format_, pixelAddress(x0, y), pixels, maskNative_, row + firstWord);
    }
}

}  // namespace korva
