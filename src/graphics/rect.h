// A half-open pixel rectangle: x0 <= x < x1, y0 <= y < y1.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace korva {

struct Rect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    constexpr int32_t width() const { return x1 - x0; }
    constexpr int32_t height() const { return y1 - y0; }
    constexpr bool isEmpty() const { return x0 >= x1 || y0 >= y1; }

    // An empty rectangle lies inside anything; it touches no pixel.
    constexpr bool liesInside(const Rect& outer) const {
        return isEmpty() || (x0 >= outer.x0 && y0 >= outer.y0 && x1 <= outer.x1 && y1 <= outer.y1);
    }

    constexpr bool overlaps(const Rect& other) const {
        return !isEmpty() && !other.isEmpty() && x0 < other.x1 && other.x0 < x1 && y0 < other.y1 && other.y0 < y1;
    }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A rectangle made from a program's numbers: a position plus an origin plus
// a size can leave the 32-bit range, so its edges are kept in 64 bits until
// clipping brings them inside a canvas.
struct WideRect {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static constexpr WideRect sized(int64_t x, int64_t y, int64_t width, int64_t height) {
        return {x, y, x + width, y + height};
    }
    static constexpr WideRect of(const Rect& r) { return {r.x0, r.y0, r.x1, r.y1}; }

    constexpr bool isEmpty() const { return x0 >= x1 || y0 >= y1; }

    // The part inside clip; none when this is empty or misses clip.
    constexpr std::optional<Rect> clippedTo(const Rect& clip) const {
        if (isEmpty() || x0 >= clip.x1 || clip.x0 >= x1 || y0 >= clip.y1 || clip.y0 >= y1) return std::nullopt;
        return Rect{static_cast<int32_t>(std::max<int64_t>(x0, clip.x0)), static_cast<int32_t>(std::max<int64_t>(y0, clip.y0)),
                    static_cast<int32_t>(std::min<int64_t>(x1, clip.x1)), static_cast<int32_t>(std::min<int64_t>(y1, clip.y1))};
    }
};

}  // namespace korva
