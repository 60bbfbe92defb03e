#include "core/arithmetic.h"

#include <cmath>

namespace korva {

int32_t qyAbs(int32_t value) {
    const auto magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    return static_cast<int32_t>(magnitude);
}

int32_t qySgn(int32_t value) { return (value > 0) - (value < 0); }

// The division is done by the processor itself so that a zero divisor raises
// its divide fault, which the runtime reports as "Integer divide by zero".
// The most negative value divided by -1 would fault too, although its
// remainder is simply 0.
int32_t qyMod(int32_t a, int32_t b) {
    if (b == -1) return 0;
    int32_t remainder;
    __asm__("cltd\n\tidivl %[divisor]"
            : "=&d"(remainder), "+a"(a)
            : [divisor] "rm"(b)
            : "cc");
    return remainder;
}

float qyFAbs(float value) { return value >= 0 ? value : -value; }

float qyFSgn(float value) {
    if (value > 0) return 1;
    return value == 0 ? 0 : -1;
}

float qyFMod(float a, float b) { return static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b))); }

float qyFPow(float a, float b) { return static_cast<float>(std::pow(static_cast<double>(a), static_cast<double>(b))); }

}  // namespace korva
