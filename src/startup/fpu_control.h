#pragma once

#include <cstdint>

namespace korva {

// x87 control words: all exceptions masked, rounding to nearest, with 24-bit
// (single) precision for compiled code or 53-bit (double) afterwards.
constexpr uint16_t kSinglePrecisionControl = 0x007F;
constexpr uint16_t kDoublePrecisionControl = 0x027F;

inline void setFpuControl(uint16_t control) { asm volatile("fninit\n\tfldcw %0" : : "m"(control)); }

inline uint16_t fpuControl() {
    uint16_t control;
    asm volatile("fnstcw %0" : "=m"(control));
    return control;
}

}  // namespace korva
