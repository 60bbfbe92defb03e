// Text of a canvas: the string is trimmed to the characters that can reach
// the viewport, then drawn by the font as one masked blit, which does the
// exact clipping.
#include "graphics/canvas.h"
#include "graphics/font.h"

namespace korva {

void Canvas::text(int64_t x, int64_t y, std::string_view text) {
    if (font_ == nullptr) return;
    const int64_t top = y + originY_;
    if (top >= viewport_.y1 || top + font_->height() <= viewport_.y0) return;
    int64_t left = x + originX_;
    if (left >= viewport_.x1) return;
    size_t first = 0;
    for (; first < text.size(); ++first) {
        const int32_t width = font_->charWidth(static_cast<uint8_t>(text[first]));
        if (left + width > viewport_.x0) break;
        left += width;
        x += width;
    }
    // The character crossing the viewport's right edge is kept.
    size_t end = first;
    for (int64_t right = left; end < text.size() && right < viewport_.x1; ++end)
        right += font_->charWidth(static_cast<uint8_t>(text[end]));
    if (end > first) font_->draw(*this, format_.toArgb(colorNative_), x, y, text.substr(first, end - first));
}

}  // namespace korva
