#include "core/math_commands.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/random.h"
#include "startup/fpu_control.h"

namespace korva {
namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.29578f;
static_assert(std::bit_cast<uint32_t>(kDegreesToRadians) == 0x3C8EFA35);
static_assert(std::bit_cast<uint32_t>(kRadiansToDegrees) == 0x42652EE1);

constexpr uint16_t kFullPrecisionBits = 0x0300;

inline void loadFpuControl(uint16_t control) { asm volatile("fldcw %0" : : "m"(control)); }

// Compiled code runs the x87 at single precision. Some of the C library's
// float functions work on the x87 with wider intermediates and go wrong at
// single precision (the tangent of a right angle comes out infinite), so
// they run with the precision widened and the caller's word restored after.
class FullX87Precision {
public:
    FullX87Precision() : callerControl_(fpuControl()) { loadFpuControl(callerControl_ | kFullPrecisionBits); }
    ~FullX87Precision() { loadFpuControl(callerControl_); }
    FullX87Precision(const FullX87Precision&) = delete;
    FullX87Precision& operator=(const FullX87Precision&) = delete;

private:
    uint16_t callerControl_;
};

template <class... Floats>
float atFullPrecision(float (*function)(Floats...), Floats... arguments) {
    FullX87Precision precision;
    return function(arguments...);
}

}  // namespace

float cmdSin(float degrees) { return atFullPrecision(sinf, degrees * kDegreesToRadians); }
float cmdCos(float degrees) { return atFullPrecision(cosf, degrees * kDegreesToRadians); }
float cmdTan(float degrees) { return atFullPrecision(tanf, degrees * kDegreesToRadians); }
float cmdASin(float value) { return atFullPrecision(asinf, value) * kRadiansToDegrees; }
float cmdACos(float value) { return atFullPrecision(acosf, value) * kRadiansToDegrees; }
float cmdATan(float value) { return atFullPrecision(atanf, value) * kRadiansToDegrees; }
float cmdATan2(float y, float x) { return atFullPrecision(atan2f, y, x) * kRadiansToDegrees; }

// Square root, floor and ceiling are exact operations at any precision.
float cmdSqr(float value) { return std::sqrt(value); }
float cmdFloor(float value) { return std::floor(value); }
float cmdCeil(float value) { return std::ceil(value); }

float cmdExp(float value) { return atFullPrecision(expf, value); }
float cmdLog(float value) { return atFullPrecision(logf, value); }
float cmdLog10(float value) { return atFullPrecision(log10f, value); }

float cmdRnd(float from, float to) { return programRandom.nextUnit() * (to - from) + from; }

// The span is counted in 64 bits: the full 32-bit range has 2^32 values,
// which would wrap to 0 in 32 bits. Since a unit value is at most
// 1 - 1/131072, the product stays below the span and the result never
// passes hi.
int32_t cmdRand(int32_t from, int32_t to) {
    const int32_t lo = std::min(from, to);
    const int32_t hi = std::max(from, to);
    const auto span = static_cast<float>(int64_t{hi} - lo + 1);
    const auto offset = static_cast<int64_t>(programRandom.nextUnit() * span);
    return static_cast<int32_t>(lo + offset);
}

void cmdSeedRnd(int32_t seed) { programRandom.seed(seed); }

}  // namespace korva
