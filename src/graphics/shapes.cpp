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
    int64_t xmin, ymin, xmax, ymax;
};

// Line endpoints with the origin added: 64 bits hold any sum of two
// coordinates, so clipping never sees a wrapped value.
struct Point {
    int64_t x, y;
};

int outCode(const Point& p, const InclusiveBox& box) {
    int code = 0;
    if (p.y > box.ymax)
        code |= kBelow;
    else if (p.y < box.ymin)
        code |= kAbove;
    if (p.x > box.xmax)
        code |= kRight;
    else if (p.x < box.xmin)
        code |= kLeft;
    return code;
}

uint64_t magnitude(int64_t value) { return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); }

// part * delta / whole, truncated toward zero. The moved endpoint lies
// between the two ends, so |part| <= |whole|, and both deltas are below 2^32:
// the product of the magnitudes fits 64 unsigned bits where a signed product
// would not.
int64_t scaled(int64_t part, int64_t delta, int64_t whole) {
    const auto quotient = static_cast<int64_t>(magnitude(part) * magnitude(delta) / magnitude(whole));
    return ((part < 0) != (delta < 0)) != (whole < 0) ? -quotient : quotient;
}

// Moves the endpoint with the given code onto the box edge its first set bit
// names; the formulas always start from the first endpoint.
Point movedOntoEdge(int code, const Point& first, const Point& second, const InclusiveBox& box) {
    const int64_t dx = second.x - first.x, dy = second.y - first.y;
    if (code & kBelow) return {first.x + scaled(box.ymax - first.y, dx, dy), box.ymax};
    if (code & kAbove) return {first.x + scaled(box.ymin - first.y, dx, dy), box.ymin};
    if (code & kRight) return {box.xmax, first.y + scaled(box.xmax - first.x, dy, dx)};
    return {box.xmin, first.y + scaled(box.xmin - first.x, dy, dx)};
}

bool clipLine(Point& first, Point& second, const InclusiveBox& box) {
    for (;;) {
        const int code1 = outCode(first, box), code2 = outCode(second, box);
        if ((code1 | code2) == 0) return true;
        if ((code1 & code2) != 0) return false;
        if (code1 != 0)
            first = movedOntoEdge(code1, first, second, box);
        else
            second = movedOntoEdge(code2, first, second, box);
    }
}

}  // namespace

void Canvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Point first{int64_t{x1} + originX_, int64_t{y1} + originY_};
    Point second{int64_t{x2} + originX_, int64_t{y2} + originY_};
    const InclusiveBox box{viewport_.x0, viewport_.y0, int64_t{viewport_.x1} - 1, int64_t{viewport_.y1} - 1};
    if (!clipLine(first, second, box)) return;
    // Both ends now lie in the viewport.
    int32_t x = static_cast<int32_t>(first.x), y = static_cast<int32_t>(first.y);
    if (first.x == second.x && first.y == second.y) {
        lock();
        writePixelFast(x, y, colorArgb_);
        unlock();
        return;
    }
    const int64_t dx = second.x - first.x, dy = second.y - first.y;
    const int32_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    lock();
    if (adx > ady) {
        for (int64_t e = -adx, n = 0; n <= adx; ++n) {
            writePixelFast(x, y, colorArgb_);
            x += sx;
            e += 2 * ady;
            if (e >= 0) y += sy, e -= 2 * adx;
        }
    } else {
        for (int64_t e = -ady, n = 0; n <= ady; ++n) {
            writePixelFast(x, y, colorArgb_);
            y += sy;
            e += 2 * adx;
            if (e >= 0) x += sx, e -= 2 * ady;
        }
    }
    unlock();
}

// A colour fill of area clipped to the viewport; nothing when it misses.
void Canvas::fillClipped(const WideRect& area) {
    if (const std::optional<Rect> inside = area.clippedTo(viewport_)) fillArea(*inside, colorNative_);
}

void Canvas::rect(int32_t x, int32_t y, int32_t width, int32_t height, bool solid) {
    const WideRect area = WideRect::sized(int64_t{x} + originX_, int64_t{y} + originY_, width, height);
    const std::optional<Rect> clipped = area.clippedTo(viewport_);
    if (!clipped) return;
    if (solid) {
        fillArea(*clipped, colorNative_);
    } else {
        // Each edge is clipped on its own: an edge outside the viewport is
        // not moved onto its border.
        fillClipped({area.x0, area.y0, area.x1, area.y0 + 1});
        fillClipped({area.x0, area.y0, area.x0 + 1, area.y1});
        fillClipped({area.x1 - 1, area.y0, area.x1, area.y1});
        fillClipped({area.x0, area.y1 - 1, area.x1, area.y1});
    }
    ++modCount_;
    updateMask(*clipped);
}

namespace {

// floor() as the processor converts it: a value without an integer (a row
// beyond the oval's ends gives the square root of a negative number) becomes
// the "integer indefinite" INT32_MIN. Finite values keep their integer, also
// beyond 32 bits: positions far outside the canvas stay far outside.
int64_t floorToInt(float value) {
    const float floored = std::floor(value);
    if (!(floored >= -0x1p62f && floored < 0x1p62f)) return INT32_MIN;
    return static_cast<int64_t>(floored);
}

struct OvalSpan {
    int64_t left, right;  // left <= x < right
};

OvalSpan ovalSpan(int64_t row, float cx, float cy, float half, float ratio) {
    const float offset = static_cast<float>(row) - cy;
    const float halfWidth = std::sqrt(half * half - offset * offset) * ratio;
    return {floorToInt(cx - halfWidth), floorToInt(cx + halfWidth)};
}

}  // namespace

// Walks rows from first towards last (inclusive), joining each row's ends to
// the previous row's so that flat parts of the outline have no gaps.
void Canvas::ovalOutlinePass(int64_t first, int64_t last, int64_t step, float cx, float cy, float half, float ratio) {
    int64_t previousLeft = floorToInt(std::trunc(cx)), previousRight = previousLeft;
    for (int64_t row = first; step > 0 ? row <= last : row >= last; row += step) {
        const OvalSpan span = ovalSpan(row, cx, cy, half, ratio);
        fillClipped({span.left, row, previousLeft > span.left ? previousLeft : span.left + 1, row + 1});
        fillClipped({previousRight < span.right ? previousRight : span.right - 1, row, span.right, row + 1});
        previousLeft = span.left;
        previousRight = span.right;
    }
}

// The outline passes walk only the rows that can reach the viewport (and the
// one above or below it that a cut-off row joins to): an oval millions of
// rows high costs no more than one the size of the canvas.
void Canvas::oval(int32_t x, int32_t y, int32_t width, int32_t height, bool solid) {
    const int64_t x0 = int64_t{x} + originX_, y0 = int64_t{y} + originY_;
    const std::optional<Rect> clipped = WideRect::sized(x0, y0, width, height).clippedTo(viewport_);
    if (!clipped) return;
    const float half = static_cast<float>(height) * 0.5f;
    const float ratio = static_cast<float>(width) / static_cast<float>(height);
    const float cx = static_cast<float>(width) * 0.5f + static_cast<float>(x0) + 0.5f;
    const float cy = static_cast<float>(y0) + half - 0.5f;
    if (solid) {
        for (int32_t row = clipped->y0; row < clipped->y1; ++row) {
            const OvalSpan span = ovalSpan(row, cx, cy, half, ratio);
            if (span.left < span.right && span.left < viewport_.x1 && viewport_.x0 < span.right)
                fillArea({static_cast<int32_t>(std::max<int64_t>(span.left, viewport_.x0)), row,
                          static_cast<int32_t>(std::min<int64_t>(span.right, viewport_.x1)), row + 1},
                         colorNative_);
        }
    } else {
        const int64_t mid = floorToInt(cy);
        const int64_t upperFirst = y0 < clipped->y0 ? clipped->y0 - 1 : clipped->y0;
        const int64_t lowerFirst = clipped->y1 < y0 + height ? clipped->y1 : clipped->y1 - 1;
        ovalOutlinePass(upperFirst, std::min<int64_t>(mid, clipped->y1 - 1), 1, cx, cy, half, ratio);
        ovalOutlinePass(lowerFirst, std::max<int64_t>(mid + 1, clipped->y0), -1, cx, cy, half, ratio);
    }
    ++modCount_;
    updateMask(*clipped);
}

}  // namespace korva
