// A memory bank as programs hold it (by its address).
#pragma once

#include <cstdint>

// Bytes inside the size always read as written or as 0: every growth clears
// what it adds, so bytes given up by a shrink come back cleared.
struct qyBank {
    uint8_t* data;
    int32_t size;
    int32_t capacity;  // allocated bytes: a multiple of 16, at least size
};
