// A periodic timer (CreateTimer): a thread of its own counts periods and
// signals an auto-reset event; the program waits on that event.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace korva {

class Timer {
public:
    // Null when the rate is outside 1 ... 1000 hertz.
    static Timer* start(int hertz);
    ~Timer();  // stops the thread
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Blocks until the next signal, then returns the periods elapsed since
    // the previous wait (periods that passed while the program was busy are
    // reported, not lost).
    int32_t wait();

private:
    explicit Timer(int periodMilliseconds);
    void run(int periodMilliseconds, std::chrono::steady_clock::time_point started);

    std::atomic<uint32_t> ticks_{0};
    uint32_t seen_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;  // the auto-reset event
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace korva
