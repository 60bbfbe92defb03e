#include "audio/decoder_thread.h"

#include <algorithm>
#include <chrono>

#include "audio/pcm_source.h"

namespace korva {

DecoderThread::DecoderThread() : thread_([this] { run(); }) {}

DecoderThread::~DecoderThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wakeUp_.notify_one();
    thread_.join();
}

void DecoderThread::add(PcmSource* source) {
    std::lock_guard lock(mutex_);
    sources_.push_back(source);
}

void DecoderThread::remove(PcmSource* source) {
    std::lock_guard lock(mutex_);
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void DecoderThread::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeUp_.notify_one();
}

// Rounds over every source until none has room left, then a nap: a ring
// holds far more than the mixer takes in one nap.
void DecoderThread::run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        bool worked = false;
        for (PcmSource* source : sources_) worked |= source->pump();
        if (worked) {
            // Lets the program thread add or remove a source between rounds.
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
            continue;
        }
        wakeUp_.wait_for(lock, std::chrono::milliseconds(10), [this] { return quit_ || woken_; });
        woken_ = false;
    }
}

}  // namespace korva
