#include "core/arrays.h"

#include <cstring>

#include "core/block_registry.h"
#include "core/object_routines.h"
#include "core/str_pool.h"
#include "startup/error.h"

namespace korva {
namespace {

// The largest storage a 32-bit process could ever hold. A negative or larger
// element count can only come from a wrapped size, which must not turn into a
// small allocation that compiled code then indexes far beyond.
constexpr int64_t kMostElements = INT32_MAX / static_cast<int64_t>(sizeof(Word));

Word* allocateZeroedElements(int64_t count) {
    if (count < 0 || count > kMostElements) failOutOfMemory();
    const size_t bytes = static_cast<size_t>(count) * sizeof(Word);
    auto* storage = static_cast<Word*>(blockAllocate(bytes));
    std::memset(storage, 0, bytes);
    return storage;
}

void releaseElements(Word* elements, int32_t count, int32_t kind) {
    if (kind == kStrKind) {
        for (int32_t i = 0; i < count; ++i) strRelease(elements[i].str);
    } else if (kind == kObjectKind) {
        for (int32_t i = 0; i < count; ++i) qyObjRelease(elements[i].object);
    }
}

// Each highest index becomes a count; size word k then holds the number of
// elements spanned by dimensions 0..k, and the last one the total.
int64_t makeRunningCounts(int32_t* sizes, int32_t dimensions) {
    int64_t total = 1;
    for (int32_t k = 0; k < dimensions; ++k) {
        const int64_t count = static_cast<int64_t>(sizes[k]) + 1;
        const bool stillFits = total >= 0 && total <= kMostElements && count >= 0;
        total = stillFits ? total * count : -1;
        sizes[k] = static_cast<int32_t>(total);
    }
    return total;
}

}  // namespace

int32_t qyDimArray(qyArray* array) {
    array->storage = allocateZeroedElements(makeRunningCounts(sizeWords(array), array->dimensionCount));
    return 0;
}

void qyUndimArray(qyArray* array) {
    if (array->storage == nullptr) return;
    const int32_t total = sizeWords(array)[array->dimensionCount - 1];
    releaseElements(array->storage, total, array->elementKind);
    blockFree(array->storage);
    array->storage = nullptr;
}

void qyArrayBoundsEx() { raiseRuntimeError("Array index out of bounds"); }

Word* qyVecAlloc(const qyVecType* type) { return allocateZeroedElements(type->elementCount); }

void qyVecFree(Word* storage, const qyVecType* type) {
    if (storage == nullptr) return;
    releaseElements(storage, type->elementCount, kindOf(type->elementType));
    blockFree(storage);
}

void qyVecBoundsEx() { raiseRuntimeError("Korva array index out of bounds"); }

}  // namespace korva
