// A half-open pixel rectangle: x0 <= x < x1, y0 <= y < y1.
#pragma once

#include <cstdint>

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

}  // namespace korva
