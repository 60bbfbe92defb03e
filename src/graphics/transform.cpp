// Affine transformation of a canvas into a new one, in single precision.
#include "graphics/transform.h"

#include <algorithm>
#include <cmath>

#include "graphics/canvas.h"
#include "graphics/graphics.h"

namespace korva {
namespace {

int32_t floorToInt(float value) { return static_cast<int32_t>(std::floor(value)); }

uint32_t channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

// readPixel of a source the transformation holds locked: through its origin
// and viewport, the mask colour outside; without the per-pixel lock churn.
class SourceReader {
public:
    explicit SourceReader(const Canvas& source)
        : source_(source), viewport_(source.viewport()), outside_(source.getMask()) {}
    uint32_t operator()(int32_t x, int32_t y) const {
        x += source_.originX();
        y += source_.originY();
        if (x < viewport_.x0 || x >= viewport_.x1 || y < viewport_.y0 || y >= viewport_.y1) return outside_;
        return source_.readPixelFast(x, y);
    }

private:
    const Canvas& source_;
    Rect viewport_;
    uint32_t outside_;
};

// Bilinear sample between the four pixels around (fx, fy); outside the
// source's viewport pixels read as its mask colour.
uint32_t sampleBilinear(const SourceReader& readPixel, float fx, float fy) {
    const int32_t x0 = floorToInt(fx - 0.5f), y0 = floorToInt(fy - 0.5f);
    const float tx = (fx - 0.5f) - static_cast<float>(x0), ty = (fy - 0.5f) - static_cast<float>(y0);
    const uint32_t p00 = readPixel(x0, y0), p10 = readPixel(x0 + 1, y0);
    const uint32_t p01 = readPixel(x0, y0 + 1), p11 = readPixel(x0 + 1, y0 + 1);
    uint32_t result = 0;
    for (int shift : {16, 8, 0}) {
        const float value = (1 - tx) * (1 - ty) * static_cast<float>(channel(p00, shift)) +
                            tx * (1 - ty) * static_cast<float>(channel(p10, shift)) +
                            (1 - tx) * ty * static_cast<float>(channel(p01, shift)) +
                            tx * ty * static_cast<float>(channel(p11, shift)) + 0.5f;
        result |= static_cast<uint32_t>(value) << shift;
    }
    return result;
}

}  // namespace

Canvas* transformCanvas(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy, bool filter) {
    const float det = a * d - c * b;
    const float w = static_cast<float>(source.width()), h = static_cast<float>(source.height());
    const float fhx = static_cast<float>(hx), fhy = static_cast<float>(hy);
    const float cornersX[] = {-fhx, w - fhx, w - fhx, -fhx}, cornersY[] = {-fhy, -fhy, h - fhy, h - fhy};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        const float x = a * cornersX[i] + c * cornersY[i], y = b * cornersX[i] + d * cornersY[i];
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const int32_t left = floorToInt(minX), top = floorToInt(minY);
    const int32_t width = static_cast<int32_t>(std::ceil(maxX)) - left;
    const int32_t height = static_cast<int32_t>(std::ceil(maxY)) - top;
    Canvas* target = source.graphics()->createCanvas(width, height, 0);
    if (target == nullptr) return nullptr;
    target->setHandle(-left, -top);
    target->setMask(source.getMask());
    source.lock();
    target->lock();
    const SourceReader readPixel(source);
    for (int32_t i = 0; i < height; ++i) {
        for (int32_t j = 0; j < width; ++j) {
            const float qx = static_cast<float>(left + j) + 0.5f, qy = static_cast<float>(top + i) + 0.5f;
            const float sx = (d * qx - c * qy) / det + fhx, sy = (-b * qx + a * qy) / det + fhy;
            const uint32_t colour =
                filter ? sampleBilinear(readPixel, sx, sy) : readPixel(floorToInt(sx), floorToInt(sy));
            target->writePixelFast(j, i, colour);
        }
    }
    target->unlock();
    source.unlock();
    return target;
}

}  // namespace korva
