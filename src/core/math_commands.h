// The math commands: trigonometry in degrees, logarithms, rounding and random
// numbers, all in single precision.
#pragma once

#include <cstdint>

namespace korva {

float cmdSin(float degrees);
float cmdCos(float degrees);
float cmdTan(float degrees);
float cmdASin(float value);
float cmdACos(float value);
float cmdATan(float value);
float cmdATan2(float y, float x);
float cmdSqr(float value);
float cmdFloor(float value);
float cmdCeil(float value);
float cmdExp(float value);
float cmdLog(float value);
float cmdLog10(float value);
float cmdRnd(float from, float to);
int32_t cmdRand(int32_t from, int32_t to);
void cmdSeedRnd(int32_t seed);

}  // namespace korva
