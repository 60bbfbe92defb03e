// The language core's registry of raw allocations: string node blocks, object
// blocks, array and vector storage. Everything still registered is freed in
// one sweep when the basic module stops, so a program that ends early leaks
// nothing.
#pragma once

#include <cstddef>

namespace korva {

// Allocates and registers a block. Never returns null: running out of memory
// throws std::bad_alloc.
void* blockAllocate(size_t bytes);

// Unregisters and frees a block. Null, or a block the registry does not hold,
// is ignored, so a stale pointer can never be freed twice.
void blockFree(void* block);

// Frees every registered block, the most recent first, and empties the registry.
void blockFreeAll();

size_t blockCount();

// The runtime's answer to a failed allocation: std::bad_alloc, which a
// command either turns into a failure result or lets its entry turn into the
// "Out of memory" runtime error.
[[noreturn]] void failOutOfMemory();

}  // namespace korva
