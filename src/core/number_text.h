// The text form of numbers, shared by every command that prints or parses
// one. Formatting writes into a caller's buffer so that no conversion needs
// the heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva {

// Buffer sizes that hold any result, terminating zero included.
inline constexpr size_t kIntTextCapacity = 12;    // "-2147483648"
inline constexpr size_t kFloatTextCapacity = 16;  // "-1.23457e+038"

// Decimal digits with a leading "-" for negative values. Writes a terminating
// zero and returns the number of characters before it.
int formatInt(int32_t value, char* out);

// Six significant digits: "1.0", "0.001", "12345700.0", "1.e-004",
// "1.23457e+008", "NaN", "Infinity", "-Infinity". Writes a terminating zero
// and returns the number of characters before it.
int formatFloat(float value, char* out);

// Leading white space, an optional sign, then decimal digits up to the first
// other character. Values beyond 32 bits wrap around. Null or no digits gives 0.
int32_t parseInt(const char* text);

// Leading white space, an optional sign, digits with an optional point, an
// optional exponent introduced by e, E, d or D. Stops at the first unusable
// character; null or nothing usable gives 0.
float parseFloat(const char* text);

}  // namespace korva
