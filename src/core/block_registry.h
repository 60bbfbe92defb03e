// The language core's registry of raw allocations: string node blocks, object
// blocks, array and vector storage. Everything still registered is freed in
// one sweep when the basic module stops, so a program that ends early leaks
// nothing.
#pragma once

#include <cstddef>

namespace korva {

// Allocates and registers a block. Never returns null: running out of memory
// ends the process.
void* blockAllocate(size_t bytes);

// Unregisters and frees a block. Null, or a block the registry does not hold,
// is ignored, so a stale pointer can never be freed twice.
void blockFree(void* block);

// Frees every registered block, the most recent first, and empties the registry.
void blockFreeAll();

size_t blockCount();

// The core's answer to a failed allocation: report it and end the process.
[[noreturn]] void failOutOfMemory();

}  // namespace korva
