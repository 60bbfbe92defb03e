// Every drawable pixel surface of a program: the display buffers, image
// frames, font atlases. A canvas adds the language's drawing state to a
// surface (colour, Cls colour, font, origin, viewport, image handle, mask
// colour), converts between ARGB and the surface's native pixels, nests
// locks, clips blits, and keeps a one-bit collision mask current once it
// has been asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "graphics/mask_rows.h"
#include "graphics/pixel_format.h"
#include "graphics/rect.h"
#include "graphics/surface.h"

namespace korva {

class Font;
class Graphics;

class Canvas {
public:
    static constexpr int32_t kSystemMemory = 0x2000;  // creation flag: surface requested in system memory

    // The surface may be shared: a window's front and back buffers are two
    // canvases over one surface, differing only in their modCount.
    Canvas(Graphics* owner, std::shared_ptr<Surface> surface, int32_t flags);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Graphics* graphics() const { return graphics_; }
    Surface& surface() const { return *surface_; }
    const std::shared_ptr<Surface>& sharedSurface() const { return surface_; }
    const PixelFormat& format() const { return format_; }
    int32_t flags() const { return flags_; }
    int32_t width() const { return rect_.x1; }
    int32_t height() const { return rect_.y1; }
    const Rect& rect() const { return rect_; }

    // Counts drawing operations; the display compares it to know when a
    // window needs repainting.
    int32_t modCount() const { return modCount_; }
    void setModCount(int32_t count) { modCount_ = count; }

    // Nestable direct access. bits()/pitch() are valid while locked.
    void lock();
    void unlock();
    bool isLocked() const { return lockCount_ > 0; }
    uint8_t* bits() const { return bits_; }
    int32_t pitch() const { return pitch_; }

    void setViewport(int32_t x, int32_t y, int32_t width, int32_t height);
    const Rect& viewport() const { return viewport_; }
    void setOrigin(int32_t x, int32_t y);
    int32_t originX() const { return originX_; }
    int32_t originY() const { return originY_; }
    void setHandle(int32_t x, int32_t y);
    int32_t handleX() const { return handleX_; }
    int32_t handleY() const { return handleY_; }

    void setMask(uint32_t argb);
    uint32_t getMask() const { return format_.toArgb(maskNative_); }
    uint32_t maskNative() const { return maskNative_; }
    void setColor(uint32_t argb);
    uint32_t getColor() const { return format_.toArgb(colorNative_); }
    uint32_t colorArgb() const { return colorArgb_; }
    uint32_t colorNative() const { return colorNative_; }
    void setClsColor(uint32_t argb);
    uint32_t clsNative() const { return clsNative_; }
    void setFont(Font* font) { font_ = font; }
    Font* font() const { return font_; }

    void cls();
    void plotPixel(int32_t x, int32_t y);
    // The primitives, in the drawing colour, through origin and viewport.
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void rect(int32_t x, int32_t y, int32_t width, int32_t height, bool solid);
    void oval(int32_t x, int32_t y, int32_t width, int32_t height, bool solid);
    // The string in this canvas's font, its cell's top-left corner at (x, y).
    // Characters wholly outside the viewport are left out before drawing.
    // Positions are 64-bit where a command's arithmetic (centring, the pen
    // of a long string) can leave the 32-bit range.
    void text(int64_t x, int64_t y, std::string_view text);
    bool blit(int64_t x, int64_t y, const Canvas& source, int32_t sx, int32_t sy, int32_t width, int32_t height,
              bool solid);

    // Draws area of a picture in this canvas's layout stretched over the
    // width x height rectangle at (x, y), placed as given: origin and
    // viewport do not apply, and only what lies on the canvas is drawn. False
    // when nothing is.
    bool drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& picture, const Rect& area);

    uint32_t readPixel(int32_t x, int32_t y);
    void writePixel(int32_t x, int32_t y, uint32_t argb);
    uint32_t readPixelFast(int32_t x, int32_t y) const { return format_.point(pixelAddress(x, y)); }
    void writePixelFast(int32_t x, int32_t y, uint32_t argb) {
        format_.plot(pixelAddress(x, y), argb);
        ++modCount_;
    }
    void copyPixel(int32_t x, int32_t y, Canvas& source, int32_t sx, int32_t sy);
    void copyPixelFast(int32_t x, int32_t y, const Canvas& source, int32_t sx, int32_t sy);

    // Fills area (already clipped to the viewport) with a native colour.
    // Counting the modification and refreshing the mask is the caller's.
    void fillArea(const Rect& area, uint32_t native) { surface_->fillRect(area, native); }

    // The collision mask: built on first request, then kept current.
    const uint32_t* collisionMask();
    int32_t maskWords() const { return maskWords_; }
    void updateMask(Rect area);

    // Whether this canvas drawn at (x, y) meets other drawn at (otherX,
    // otherY), both placed by their handles: their boxes overlap and, unless
    // boxOnly, some pixel of the overlap is solid in both. Builds the
    // collision masks the pixel test needs.
    bool collide(int32_t x, int32_t y, Canvas& other, int32_t otherX, int32_t otherY, bool boxOnly);
    // The same against the rectangle (rx, ry, rwidth, rheight), taken as given.
    bool rectCollide(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rwidth, int32_t rheight, bool boxOnly);

    // Full-screen page flip: the two buffers exchange their pixel stores.
    friend void swapSurfaces(Canvas& a, Canvas& b);

    // Memory surfaces are never lost, so there is nothing to carry across a
    // suspension; the pair is kept so that the display's bookkeeping holds.
    void backup() {}
    void restore() {}

private:
    uint8_t* pixelAddress(int32_t x, int32_t y) const {
        return bits_ + y * pitch_ + x * format_.bytesPerPixel;
    }
    // Coordinates with the origin added, in 64 bits so that no sum wraps.
    bool insideViewport(int64_t x, int64_t y) const {
        return x >= viewport_.x0 && x < viewport_.x1 && y >= viewport_.y0 && y < viewport_.y1;
    }
    void rebuildMaskWords(const Rect& area);
    // The blit of two clipped areas of one size.
    bool blitArea(const Rect& target, const Canvas& source, const Rect& sourceArea, bool solid);
    void fillClipped(const WideRect& area);
    void ovalOutlinePass(int64_t first, int64_t last, int64_t step, float cx, float cy, float half, float ratio);

    int32_t flags_;
    Graphics* graphics_;
    std::shared_ptr<Surface> surface_;
    int32_t modCount_ = 0;
    int32_t pitch_ = 0;
    int32_t lockCount_ = 0;
    int32_t lockModCount_ = 0;
    uint8_t* bits_ = nullptr;
    int32_t maskWords_;
    std::vector<uint32_t> mask_;  // empty until first asked for
    MaskRowBuilder maskRowBuilder_;
    Rect rect_;
    PixelFormat format_;
    Font* font_ = nullptr;
    Rect viewport_;
    int32_t originX_ = 0, originY_ = 0;
    int32_t handleX_ = 0, handleY_ = 0;
    uint32_t maskNative_ = 0;
    uint32_t colorNative_ = 0;
    uint32_t colorArgb_ = 0;
    uint32_t clsNative_ = 0;
};

void swapSurfaces(Canvas& a, Canvas& b);

}  // namespace korva
