// Integer and float helpers that compiled code calls instead of inlining.
#pragma once

#include <cstdint>

namespace korva {

int32_t qyAbs(int32_t value);       // the most negative value stays as it is
int32_t qySgn(int32_t value);
int32_t qyMod(int32_t a, int32_t b); // sign of a; b = 0 is the processor's divide fault
float qyFAbs(float value);
float qyFSgn(float value);
float qyFMod(float a, float b);
float qyFPow(float a, float b);

}  // namespace korva
