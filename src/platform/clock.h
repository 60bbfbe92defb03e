#pragma once

#include <cstdint>

namespace korva {

// Milliseconds on a monotonic clock (time since the system started), wrapping
// at 2^32. Callers compare readings by signed difference.
uint32_t milliClock();

}  // namespace korva
