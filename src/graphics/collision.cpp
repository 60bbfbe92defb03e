// Overlap tests of canvases placed by their handles, by box or pixel for
// pixel on the collision masks: one AND tests 32 pixels.
//
// Boxes are computed in 64 bits, so that no position or handle can wrap a
// box around; all boxes are half-open.
#include <algorithm>
#include <array>

#include "graphics/canvas.h"

namespace korva {
namespace {

// from[k]: pixels k..31 of a word; upTo[k]: pixels 0..k.
constexpr std::array<uint32_t, 32> kFrom = [] {
    std::array<uint32_t, 32> table{};
    for (int k = 0; k < 32; ++k) table[k] = 0xFFFFFFFFu >> k;
    return table;
}();

constexpr std::array<uint32_t, 32> kUpTo = [] {
    std::array<uint32_t, 32> table{};
    for (int k = 0; k < 32; ++k) table[k] = 0xFFFFFFFFu << (31 - k);
    return table;
}();

// Boxes that only touch do not overlap; sizes are taken as given.
bool boxesOverlap(const WideRect& a, const WideRect& b) {
    return b.x0 < a.x1 && a.x0 < b.x1 && b.y0 < a.y1 && a.y0 < b.y1;
}

// A canvas's mask rows, placed as a box.
struct PlacedMask {
    const uint32_t* words;
    int32_t rowWords;
    WideRect box;

    const uint32_t* row(int64_t y) const { return words + static_cast<int32_t>(y - box.y0) * rowWords; }
};

// One row of the overlap. The right-hand canvas's words start at the
// overlap's first column, so each is shifted right into the left one's words,
// its low bits carried into the next word. Words of the right row beyond its
// end count as 0.
bool rowsMeet(const uint32_t* left, const uint32_t* right, int32_t rightWords, int32_t count, int shift,
              uint32_t lastMask) {
    uint32_t carry = 0;
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t word = right[k];
        if ((((word >> shift) | carry) & left[k]) != 0) return true;
        carry = word << (31 - shift) << 1;  // nothing carries when shift is 0
    }
    const uint32_t word = count < rightWords ? right[count] : 0;
    return (((word >> shift) | carry) & left[count] & lastMask) != 0;
}

// Whether a pixel inside the boxes' overlap is solid in both masks; left is
// the canvas whose box starts further left (or at the same column).
bool masksMeet(const PlacedMask& left, const PlacedMask& right) {
    const int64_t top = std::max(left.box.y0, right.box.y0), bottom = std::min(left.box.y1, right.box.y1);
    const auto firstColumn = static_cast<int32_t>(right.box.x0 - left.box.x0);
    const auto lastColumn = static_cast<int32_t>(std::min(left.box.x1, right.box.x1) - left.box.x0 - 1);
    const int32_t first = firstColumn / 32, count = lastColumn / 32 - first;
    const int shift = firstColumn % 32;
    const uint32_t lastMask = kUpTo[lastColumn % 32];
    const uint32_t* leftRow = left.row(top) + first;
    const uint32_t* rightRow = right.row(top);
    for (auto rows = static_cast<int32_t>(bottom - top); rows > 0; --rows) {
        if (rowsMeet(leftRow, rightRow, right.rowWords, count, shift, lastMask)) return true;
        leftRow += left.rowWords;
        rightRow += right.rowWords;
    }
    return false;
}

// Columns first..last of a mask row under the partial-word masks of their ends.
bool rowHasSolid(const uint32_t* row, int32_t first, int32_t last, uint32_t firstMask, uint32_t lastMask) {
    if (first == last) return (row[first] & firstMask & lastMask) != 0;
    if ((row[first] & firstMask) != 0 || (row[last] & lastMask) != 0) return true;
    return std::any_of(row + first + 1, row + last, [](uint32_t word) { return word != 0; });
}

}  // namespace

bool Canvas::collide(int32_t x, int32_t y, Canvas& other, int32_t otherX, int32_t otherY, bool boxOnly) {
    const int64_t ax = int64_t{x} - handleX_, ay = int64_t{y} - handleY_;
    const int64_t bx = int64_t{otherX} - other.handleX_, by = int64_t{otherY} - other.handleY_;
    const WideRect a = WideRect::sized(ax, ay, width(), height());
    const WideRect b = WideRect::sized(bx, by, other.width(), other.height());
    if (!boxesOverlap(a, b)) return false;
    if (boxOnly) return true;
    const PlacedMask mine{collisionMask(), maskWords_, a};
    const PlacedMask others{other.collisionMask(), other.maskWords_, b};
    return ax > bx ? masksMeet(others, mine) : masksMeet(mine, others);
}

bool Canvas::rectCollide(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rwidth, int32_t rheight,
                         bool boxOnly) {
    const int64_t ax = int64_t{x} - handleX_, ay = int64_t{y} - handleY_;
    const WideRect box = WideRect::sized(ax, ay, width(), height());
    const WideRect rect = WideRect::sized(rx, ry, rwidth, rheight);
    if (!boxesOverlap(box, rect)) return false;
    if (boxOnly) return true;
    // A rectangle of no size overlaps by its box but covers no pixel.
    const int64_t c0 = std::max(rect.x0, box.x0), c1 = std::min(rect.x1, box.x1);
    const int64_t r0 = std::max(rect.y0, box.y0), r1 = std::min(rect.y1, box.y1);
    if (c0 >= c1 || r0 >= r1) return false;
    const uint32_t* mask = collisionMask();
    const auto firstColumn = static_cast<int32_t>(c0 - ax), lastColumn = static_cast<int32_t>(c1 - ax - 1);
    const int32_t first = firstColumn / 32, last = lastColumn / 32;
    for (int64_t row = r0 - ay; row < r1 - ay; ++row)
        if (rowHasSolid(mask + row * maskWords_, first, last, kFrom[firstColumn % 32], kUpTo[lastColumn % 32]))
            return true;
    return false;
}

}  // namespace korva
