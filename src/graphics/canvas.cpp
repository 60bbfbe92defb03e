#include "graphics/canvas.h"

#include <algorithm>
#include <cstring>

namespace korva {

bool clipRect(Rect& r, const Rect& clip) {
    if (r.isEmpty() || r.x0 >= clip.x1 || clip.x0 >= r.x1 || r.y0 >= clip.y1 || clip.y0 >= r.y1) return false;
    r.x0 = std::max(r.x0, clip.x0);
    r.y0 = std::max(r.y0, clip.y0);
    r.x1 = std::min(r.x1, clip.x1);
    r.y1 = std::min(r.y1, clip.y1);
    return true;
}

namespace {

// Clips `moving` to `clip` and shifts the paired rectangle's edges by the
// same amounts, so that the two stay the same size and aligned.
bool clipPair(Rect& moving, Rect& paired, const Rect& clip) {
    const Rect before = moving;
    if (!clipRect(moving, clip)) return false;
    paired.x0 += moving.x0 - before.x0;
    paired.y0 += moving.y0 - before.y0;
    paired.x1 += moving.x1 - before.x1;
    paired.y1 += moving.y1 - before.y1;
    return true;
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
    Rect requested{x, y, x + width, y + height};
    viewport_ = clipRect(requested, rect_) ? requested : Rect{};
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
    x += originX_;
    y += originY_;
    if (!insideViewport(x, y)) return;
    const Rect pixel{x, y, x + 1, y + 1};
    fillArea(pixel, colorNative_);
    ++modCount_;
    updateMask(pixel);
}

bool Canvas::blit(int32_t x, int32_t y, const Canvas& source, int32_t sx, int32_t sy, int32_t width, int32_t height,
                  bool solid) {
    const int32_t left = x + originX_ - source.handleX_, top = y + originY_ - source.handleY_;
    Rect destination{left, top, left + width, top + height};
    Rect from{sx, sy, sx + width, sy + height};
    if (!clipPair(destination, from, viewport_) || !clipPair(from, destination, source.rect_)) return false;
    if (solid)
        surface_->blitSolid(destination.x0, destination.y0, *source.surface_, from);
    else
        surface_->blitKeyed(destination.x0, destination.y0, *source.surface_, from, source.maskNative_);
    ++modCount_;
    updateMask(destination);
    return true;
}

uint32_t Canvas::readPixel(int32_t x, int32_t y) {
    x += originX_;
    y += originY_;
    if (!insideViewport(x, y)) return getMask();
    lock();
    const uint32_t argb = readPixelFast(x, y);
    unlock();
    return argb;
}

void Canvas::writePixel(int32_t x, int32_t y, uint32_t argb) {
    x += originX_;
    y += originY_;
    if (!insideViewport(x, y)) return;
    lock();
    writePixelFast(x, y, argb);
    unlock();
}

void Canvas::copyPixel(int32_t x, int32_t y, Canvas& source, int32_t sx, int32_t sy) {
    x += originX_;
    y += originY_;
    sx += source.originX_;
    sy += source.originY_;
    if (!insideViewport(x, y) || !source.insideViewport(sx, sy)) return;
    lock();
    source.lock();
    copyPixelFast(x, y, source, sx, sy);
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
