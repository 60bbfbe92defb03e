#pragma once

#include <cstdint>

namespace korva {

// Milliseconds on a monotonic clock (time since the system started), wrapping
// at 2^32. Callers compare readings by signed difference.
uint32_t milliClock();

// Spaces out cheap, frequent checks without reading a clock: the processor's
// time-stamp counter costs a few cycles where a clock read costs tens of
// nanoseconds. Its rate differs between machines (about 1 to 4 GHz), so an
// interval of 2^N counts is only a rough time: 2^20 is about 0.25 to 1 ms.
class RoughInterval {
public:
    explicit RoughInterval(unsigned log2Counts) : counts_(uint64_t{1} << log2Counts) {}
    // True on the first call and whenever the interval has passed since the
    // last true; a counter that went backwards counts as passed.
    bool elapsed() {
        const uint64_t now = __builtin_ia32_rdtsc();
        if (started_ && now - last_ < counts_) return false;
        started_ = true;
        last_ = now;
        return true;
    }

private:
    uint64_t counts_;
    uint64_t last_ = 0;
    bool started_ = false;
};

}  // namespace korva
