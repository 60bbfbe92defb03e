// Line, Rect and Oval of a canvas: clipped to the viewport, drawn in the
// canvas's drawing colour. Filled spans go to the surface's colour fill;
// only lines touch single pixels.
#include <climits>
#include <cmath>
#include <cstdlib>

#include "graphics/canvas.h"

namespace korva {
namespace {

// Cohen-Sutherland region codes against the viewport taken inclusively.
enum OutCode : int { kBelow = 1, kAbove = 2, kRight = 4, kLeft = 8 };

struct InclusiveBox {
    int32_t xmin, ymin, xmax, ymax;
};

int outCode(int32_t x, int32_t y, const InclusiveBox& box) {
    int code = 0;
    if (y > box.ymax)
        code |= kBelow;
    else if (y < box.ymin)
        code |= kAbove;
    if (x > box.xmax)
        code |= kRight;
    else if (x < box.xmin)
        code |= kLeft;
    return code;
}

// Moves the endpoint with the given code onto the box edge its first set bit
// names; the formulas always start from the first endpoint.
void moveOntoEdge(int code, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const InclusiveBox& box, int32_t& x,
                  int32_t& y) {
    const int64_t dx = x2 - x1, dy = y2 - y1;
    if (code & kBelow) {
        x = static_cast<int32_t>(x1 + (box.ymax - y1) * dx / dy);
        y = box.ymax;
    } else if (code & kAbove) {
        x = static_cast<int32_t>(x1 + (box.ymin - y1) * dx / dy);
        y = box.ymin;
    } else if (code & kRight) {
        y = static_cast<int32_t>(y1 + (box.xmax - x1) * dy / dx);
        x = box.xmax;
    } else {
        y = static_cast<int32_t>(y1 + (box.xmin - x1) * dy / dx);
        x = box.xmin;
    }
}

bool clipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const InclusiveBox& box) {
    for (;;) {
        const int code1 = outCode(x1, y1, box), code2 = outCode(x2, y2, box);
        if ((code1 | code2) == 0) return true;
        if ((code1 & code2) != 0) return false;
        if (code1 != 0)
            moveOntoEdge(code1, x1, y1, x2, y2, box, x1, y1);
        else
            moveOntoEdge(code2, x1, y1, x2, y2, box, x2, y2);
    }
}

}  // namespace

void Canvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    x1 += originX_;
    y1 += originY_;
    x2 += originX_;
    y2 += originY_;
    const InclusiveBox box{viewport_.x0, viewport_.y0, viewport_.x1 - 1, viewport_.y1 - 1};
    if (!clipLine(x1, y1, x2, y2, box)) return;
    if (x1 == x2 && y1 == y2) {
        writePixel(x1 - originX_, y1 - originY_, colorArgb_);
        return;
    }
    const int32_t dx = x2 - x1, dy = y2 - y1;
    const int32_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int32_t adx = std::abs(dx), ady = std::abs(dy);
    lock();
    int32_t x = x1, y = y1;
    if (adx > ady) {
        for (int32_t e = -adx, n = 0; n <= adx; ++n) {
            writePixelFast(x, y, colorArgb_);
            x += sx;
            e += 2 * ady;
            if (e >= 0) y += sy, e -= 2 * adx;
        }
    } else {
        for (int32_t e = -ady, n = 0; n <= ady; ++n) {
            writePixelFast(x, y, colorArgb_);
            y += sy;
            e += 2 * adx;
            if (e >= 0) x += sx, e -= 2 * ady;
        }
    }
    unlock();
}

// A colour fill of area clipped to the viewport; nothing when it misses.
void Canvas::fillClipped(Rect area) {
    if (clipRect(area, viewport_)) fillArea(area, colorNative_);
}

void Canvas::rect(int32_t x, int32_t y, int32_t width, int32_t height, bool solid) {
    const int32_t x0 = x + originX_, y0 = y + originY_, x1 = x0 + width, y1 = y0 + height;
    Rect clipped{x0, y0, x1, y1};
    if (!clipRect(clipped, viewport_)) return;
    if (solid) {
        fillArea(clipped, colorNative_);
    } else {
        // Each edge is clipped on its own: an edge outside the viewport is
        // not moved onto its border.
        fillClipped({x0, y0, x1, y0 + 1});
        fillClipped({x0, y0, x0 + 1, y1});
        fillClipped({x1 - 1, y0, x1, y1});
        fillClipped({x0, y1 - 1, x1, y1});
    }
    ++modCount_;
    updateMask(clipped);
}

namespace {

// floor() as the processor converts it: a value without an integer (a row
// beyond the oval's ends gives the square root of a negative number) becomes
// the "integer indefinite" INT32_MIN.
int32_t floorToInt(float value) {
    const float floored = std::floor(value);
    if (!(floored >= -2147483648.0f && floored < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(floored);
}

struct OvalSpan {
    int32_t left, right;  // left <= x < right
};

OvalSpan ovalSpan(int32_t row, float cx, float cy, float half, float ratio) {
    const float offset = static_cast<float>(row) - cy;
    const float halfWidth = std::sqrt(half * half - offset * offset) * ratio;
    return {floorToInt(cx - halfWidth), floorToInt(cx + halfWidth)};
}

}  // namespace

// Walks rows from first towards last (inclusive), joining each row's ends to
// the previous row's so that flat parts of the outline have no gaps.
void Canvas::ovalOutlinePass(int32_t first, int32_t last, int32_t step, float cx, float cy, float half, float ratio) {
    int32_t previousLeft = static_cast<int32_t>(cx), previousRight = previousLeft;
    for (int32_t row = first; step > 0 ? row <= last : row >= last; row += step) {
        const OvalSpan span = ovalSpan(row, cx, cy, half, ratio);
        fillClipped({span.left, row, previousLeft > span.left ? previousLeft : span.left + 1, row + 1});
        fillClipped({previousRight < span.right ? previousRight : span.right - 1, row, span.right, row + 1});
        previousLeft = span.left;
        previousRight = span.right;
    }
}

void Canvas::oval(int32_t x, int32_t y, int32_t width, int32_t height, bool solid) {
    const int32_t x0 = x + originX_, y0 = y + originY_;
    Rect clipped{x0, y0, x0 + width, y0 + height};
    if (!clipRect(clipped, viewport_)) return;
    const float half = static_cast<float>(height) * 0.5f;
    const float ratio = static_cast<float>(width) / static_cast<float>(height);
    const float cx = static_cast<float>(width) * 0.5f + static_cast<float>(x0) + 0.5f;
    const float cy = static_cast<float>(y0) + half - 0.5f;
    if (solid) {
        for (int32_t row = clipped.y0; row < clipped.y1; ++row) {
            const OvalSpan span = ovalSpan(row, cx, cy, half, ratio);
            if (span.left < span.right && span.left < viewport_.x1 && viewport_.x0 < span.right)
                fillArea({std::max(span.left, viewport_.x0), row, std::min(span.right, viewport_.x1), row + 1},
                         colorNative_);
        }
    } else {
        const int32_t mid = floorToInt(cy);
        const int32_t upperFirst = y0 < clipped.y0 ? clipped.y0 - 1 : clipped.y0;
        const int32_t lowerFirst = clipped.y1 < y0 + height ? clipped.y1 : clipped.y1 - 1;
        ovalOutlinePass(upperFirst, mid, 1, cx, cy, half, ratio);
        ovalOutlinePass(lowerFirst, mid + 1, -1, cx, cy, half, ratio);
    }
    ++modCount_;
    updateMask(clipped);
}

}  // namespace korva
