#include "startup/timer.h"

#include <chrono>

namespace korva {

using Clock = std::chrono::steady_clock;

Timer* Timer::start(int hertz) {
    if (hertz < 1 || hertz > 1000) return nullptr;
    return new Timer(1000 / hertz);
}

// Periods count from the creation, not from whenever the thread first gets
// to run: on a busy machine that can be several periods later.
Timer::Timer(int periodMilliseconds)
    : thread_([this, periodMilliseconds, started = Clock::now()] { run(periodMilliseconds, started); }) {}

Timer::~Timer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

// Deadlines advance by whole periods from the start, so the rate does not
// drift with scheduling delays.
void Timer::run(int periodMilliseconds, Clock::time_point started) {
    const auto period = std::chrono::milliseconds(periodMilliseconds);
    auto deadline = started + period;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (changed_.wait_until(lock, deadline, [this] { return stopping_; })) return;
        ticks_.fetch_add(1, std::memory_order_relaxed);
        signalled_ = true;
        changed_.notify_all();
        deadline += period;
    }
}

int32_t Timer::wait() {
    {
        std::unique_lock lock(mutex_);
        while (!changed_.wait_for(lock, std::chrono::milliseconds(1000), [this] { return signalled_; })) {
        }
        signalled_ = false;
    }
    const uint32_t ticks = ticks_.load(std::memory_order_relaxed);
    const auto elapsed = static_cast<int32_t>(ticks - seen_);
    seen_ = ticks;
    return elapsed;
}

}  // namespace korva
