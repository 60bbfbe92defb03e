// Storage of Dim arrays and vectors. Compiled code indexes and bounds-checks
// them itself; the runtime allocates, releases the strings and objects held in
// them, frees, and raises the bounds errors compiled code detects.
#pragma once

#include <cstdint>

#include "core/object_types.h"

namespace korva {

// Turns the highest indices into running element counts and allocates the
// zero-filled storage. Always returns 0.
int32_t qyDimArray(qyArray* array);
// Releases string and object elements and frees the storage; nothing if the
// array is not dimensioned. The size words keep their running counts.
void qyUndimArray(qyArray* array);
[[noreturn]] void qyArrayBoundsEx();

// Zero-filled storage for the vector's elements.
Word* qyVecAlloc(const qyVecType* type);
// Releases string and object elements, then frees the storage.
void qyVecFree(Word* storage, const qyVecType* type);
[[noreturn]] void qyVecBoundsEx();

}  // namespace korva
