// The engine's one decoder thread: keeps the ring of every stream and music
// filled ahead of the mixer, so that the audio callback never reads a file or
// decodes.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace korva {

class PcmSource;

class DecoderThread {
public:
    DecoderThread();
    ~DecoderThread();  // joins
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    // Program thread. After remove returns, the thread no longer touches the source.
    void add(PcmSource* source);
    void remove(PcmSource* source);
    // Something was asked of a source: decode without waiting for the next round.
    void wake();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::vector<PcmSource*> sources_;
    bool quit_ = false;
    bool woken_ = false;
    std::thread thread_;
};

}  // namespace korva
