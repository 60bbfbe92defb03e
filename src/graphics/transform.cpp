// Affine transformation of a canvas into a new one, in single precision.
//
// Every new pixel's centre is mapped back by the inverse matrix into the
// source and sampled there. The per-pixel path and the specialised one share
// the mapping, the sampling positions and the order of every float operation,
// so they produce the same bits; they differ only in how pixels are fetched
// and stored, and in whether the three colour channels are weighed one by one
// or together in one SSE2 register.
#include "graphics/transform.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "graphics/blit_routines.h"
#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/pixel_layout.h"

namespace korva {
namespace {

// Beyond any canvas that can be made, and the limit below which floats hold
// every integer; mapped points further out read as the mask colour.
constexpr float kFar = 16777216.0f;

bool within(float value, float limit) { return value >= -limit && value <= limit; }  // NaN is not

// For values within kFar: the truncation, one less below zero. Inline, where
// std::floor would be a library call per sample.
int32_t floorToInt(float value) {
    const auto truncated = static_cast<int32_t>(value);
    return truncated - static_cast<int32_t>(value < static_cast<float>(truncated));
}

// The matrix, the determinant its inverse divides by, the handle point, and
// where the new canvas lies relative to the handle.
struct Plan {
    float a, b, c, d, det, hx, hy;
    int32_t left, top, width, height;

    float sourceX(float qx, float qy) const { return (d * qx - c * qy) / det + hx; }
    float sourceY(float qx, float qy) const { return (-b * qx + a * qy) / det + hy; }
};

// The bounding box of the source's four corners under the matrix, rounded
// outwards. Nothing for a singular matrix or a box no canvas could hold.
std::optional<Plan> planTransform(const Canvas& source, float a, float b, float c, float d, int32_t hx,
                                  int32_t hy) {
    Plan plan{a, b, c, d, a * d - c * b, static_cast<float>(hx), static_cast<float>(hy), 0, 0, 0, 0};
    if (plan.det == 0 || !std::isfinite(plan.det)) return std::nullopt;
    const float w = static_cast<float>(source.width()), h = static_cast<float>(source.height());
    const float cornersX[] = {-plan.hx, w - plan.hx, w - plan.hx, -plan.hx};
    const float cornersY[] = {-plan.hy, -plan.hy, h - plan.hy, h - plan.hy};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        const float x = a * cornersX[i] + c * cornersY[i], y = b * cornersX[i] + d * cornersY[i];
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    if (!within(minX, kFar) || !within(maxX, kFar) || !within(minY, kFar) || !within(maxY, kFar))
        return std::nullopt;
    plan.left = floorToInt(minX);
    plan.top = floorToInt(minY);
    plan.width = static_cast<int32_t>(std::ceil(maxX)) - plan.left;
    plan.height = static_cast<int32_t>(std::ceil(maxY)) - plan.top;
    return plan;
}

Canvas* createTarget(Canvas& source, const Plan& plan) {
    Canvas* target = source.graphics()->createCanvas(plan.width, plan.height, 0);
    if (target == nullptr) return nullptr;
    target->setHandle(-plan.left, -plan.top);
    target->setMask(source.getMask());
    return target;
}

uint32_t channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

// The four pixels around a bilinear sample: (x0, y0), (x0 + 1, y0),
// (x0, y0 + 1), (x0 + 1, y0 + 1), and the sample's fractions between them.
struct Quad {
    uint32_t p00, p10, p01, p11;
    float tx, ty;
};

// v = (1 - tx)(1 - ty) p00 + tx (1 - ty) p10 + (1 - tx) ty p01 + tx ty p11 + 0.5,
// truncated, per channel; alpha 0.
struct BlendChannels {
    static uint32_t blend(const Quad& q);
};

struct BlendChannelsSse2 {
    static uint32_t blend(const Quad& q);
};

inline uint32_t BlendChannels::blend(const Quad& q) {
    uint32_t result = 0;
    for (int shift : {16, 8, 0}) {
        const float value = (1 - q.tx) * (1 - q.ty) * static_cast<float>(channel(q.p00, shift)) +
                            q.tx * (1 - q.ty) * static_cast<float>(channel(q.p10, shift)) +
                            (1 - q.tx) * q.ty * static_cast<float>(channel(q.p01, shift)) +
                            q.tx * q.ty * static_cast<float>(channel(q.p11, shift)) + 0.5f;
        result |= static_cast<uint32_t>(value) << shift;
    }
    return result;
}

__m128 channelsOf(uint32_t argb) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(argb));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
}

// The same with the channels in the lanes of one register: each lane
// performs the same operations in the same order, so the bits agree.
inline uint32_t BlendChannelsSse2::blend(const Quad& q) {
    const float w00 = (1 - q.tx) * (1 - q.ty), w10 = q.tx * (1 - q.ty);
    const float w01 = (1 - q.tx) * q.ty, w11 = q.tx * q.ty;
    __m128 sum = _mm_mul_ps(_mm_set1_ps(w00), channelsOf(q.p00));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w10), channelsOf(q.p10)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w01), channelsOf(q.p01)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w11), channelsOf(q.p11)));
    __m128i values = _mm_cvttps_epi32(_mm_add_ps(sum, _mm_set1_ps(0.5f)));
    values = _mm_packs_epi32(values, values);
    values = _mm_packus_epi16(values, values);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(values)) & 0x00FFFFFF;
}

// Samples a source through a reader (read(x, y) and quad(x0, y0, q)) that
// treats everything outside the source's viewport as its mask colour.
template <class Reader, class Blend>
struct Sampler {
    const Reader& read;

    uint32_t nearest(float sx, float sy) const {
        if (!within(sx, kFar) || !within(sy, kFar)) return read.outside();
        return read(floorToInt(sx), floorToInt(sy));
    }

    uint32_t bilinear(float fx, float fy) const {
        if (!within(fx, kFar) || !within(fy, kFar)) return read.outside() & 0x00FFFFFF;
        const int32_t x0 = floorToInt(fx - 0.5f), y0 = floorToInt(fy - 0.5f);
        Quad q;
        q.tx = (fx - 0.5f) - static_cast<float>(x0);
        q.ty = (fy - 0.5f) - static_cast<float>(y0);
        read.quad(x0, y0, q);
        return Blend::blend(q);
    }
};

template <class Sampler, class Write>
void resample(const Plan& plan, const Sampler& sampler, bool filter, Write write) {
    for (int32_t i = 0; i < plan.height; ++i) {
        const float qy = static_cast<float>(plan.top + i) + 0.5f;
        for (int32_t j = 0; j < plan.width; ++j) {
            const float qx = static_cast<float>(plan.left + j) + 0.5f;
            const float sx = plan.sourceX(qx, qy), sy = plan.sourceY(qx, qy);
            write(j, i, filter ? sampler.bilinear(sx, sy) : sampler.nearest(sx, sy));
        }
    }
}

// Through the canvas's own readPixel: origin, viewport and lock per pixel.
class PerPixelReader {
public:
    explicit PerPixelReader(Canvas& source) : source_(source) {}
    uint32_t outside() const { return source_.getMask(); }
    uint32_t operator()(int32_t x, int32_t y) const { return source_.readPixel(x, y); }
    void quad(int32_t x0, int32_t y0, Quad& q) const {
        q.p00 = source_.readPixel(x0, y0);
        q.p10 = source_.readPixel(x0 + 1, y0);
        q.p01 = source_.readPixel(x0, y0 + 1);
        q.p11 = source_.readPixel(x0 + 1, y0 + 1);
    }

private:
    Canvas& source_;
};

int32_t clampedToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Straight from the locked pixels of a known layout. The viewport is moved
// into the caller's coordinates (before the origin) once, so a point costs
// one comparison per edge; four pixels wholly inside are fetched as two
// neighbouring pairs.
template <class Layout>
class LayoutReader {
public:
    explicit LayoutReader(const Canvas& source)
        : originX_(source.originX()),
          originY_(source.originY()),
          pitch_(source.pitch()),
          bits_(source.bits()),
          outside_(source.getMask()) {
        const Rect& viewport = source.viewport();
        area_ = {clampedToInt32(int64_t{viewport.x0} - originX_), clampedToInt32(int64_t{viewport.y0} - originY_),
                 clampedToInt32(int64_t{viewport.x1} - originX_), clampedToInt32(int64_t{viewport.y1} - originY_)};
    }

    uint32_t outside() const { return outside_; }

    uint32_t operator()(int32_t x, int32_t y) const {
        if (x < area_.x0 || x >= area_.x1 || y < area_.y0 || y >= area_.y1) return outside_;
        return Layout::read(address(x, y));
    }

    void quad(int32_t x0, int32_t y0, Quad& q) const {
        if (x0 < area_.x0 || x0 + 1 >= area_.x1 || y0 < area_.y0 || y0 + 1 >= area_.y1) {
            q.p00 = (*this)(x0, y0);
            q.p10 = (*this)(x0 + 1, y0);
            q.p01 = (*this)(x0, y0 + 1);
            q.p11 = (*this)(x0 + 1, y0 + 1);
            return;
        }
        const uint8_t* top = address(x0, y0);
        q.p00 = Layout::read(top);
        q.p10 = Layout::read(top + Layout::Storage::kBytes);
        q.p01 = Layout::read(top + pitch_);
        q.p11 = Layout::read(top + pitch_ + Layout::Storage::kBytes);
    }

private:
    const uint8_t* address(int32_t x, int32_t y) const {
        return bits_ + (y + originY_) * pitch_ + (x + originX_) * Layout::Storage::kBytes;
    }

    Rect area_;
    int32_t originX_, originY_, pitch_;
    const uint8_t* bits_;
    uint32_t outside_;
};

template <class Layout, class Blend>
void resampleLayout(const Canvas& source, Canvas& target, const Plan& plan, bool filter) {
    const LayoutReader<Layout> reader(source);
    uint8_t* const bits = target.bits();
    const int32_t pitch = target.pitch();
    resample(plan, Sampler<LayoutReader<Layout>, Blend>{reader}, filter, [&](int32_t j, int32_t i, uint32_t colour) {
        Layout::write(bits + i * pitch + j * Layout::Storage::kBytes, colour);
    });
}

// False when the two canvases do not share a layout known at compile time.
bool resampleSpecialised(const Canvas& source, Canvas& target, const Plan& plan, bool filter) {
    if (!source.format().sameLayout(target.format())) return false;
    return withKnownLayout(target.format(), [&](auto layout) {
        using Layout = decltype(layout);
        if (simdEnabled())
            resampleLayout<Layout, BlendChannelsSse2>(source, target, plan, filter);
        else
            resampleLayout<Layout, BlendChannels>(source, target, plan, filter);
    });
}

void resamplePerPixel(Canvas& source, Canvas& target, const Plan& plan, bool filter) {
    const PerPixelReader reader(source);
    resample(plan, Sampler<PerPixelReader, BlendChannels>{reader}, filter,
             [&](int32_t j, int32_t i, uint32_t colour) { target.writePixel(j, i, colour); });
}

template <class Resample>
Canvas* transformWith(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy,
                      Resample resampleInto) {
    const std::optional<Plan> plan = planTransform(source, a, b, c, d, hx, hy);
    if (!plan) return nullptr;
    Canvas* target = createTarget(source, *plan);
    if (target == nullptr) return nullptr;
    source.lock();
    target->lock();
    resampleInto(*target, *plan);
    target->unlock();
    source.unlock();
    return target;
}

}  // namespace

Canvas* transformCanvas(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy, bool filter) {
    return transformWith(source, a, b, c, d, hx, hy, [&](Canvas& target, const Plan& plan) {
        if (resampleSpecialised(source, target, plan, filter))
            target.setModCount(target.modCount() + 1);
        else
            resamplePerPixel(source, target, plan, filter);
    });
}

Canvas* transformCanvasPerPixel(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy,
                                bool filter) {
    return transformWith(source, a, b, c, d, hx, hy,
                         [&](Canvas& target, const Plan& plan) { resamplePerPixel(source, target, plan, filter); });
}

}  // namespace korva
