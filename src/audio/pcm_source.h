// Sound that is decoded while it plays (streamed files, tracker modules,
// MIDI): a producer renders it on the engine's decoder thread into a
// lock-free ring, from which the mixer takes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/audio_ring.h"

namespace korva {

struct StereoFrame {
    int16_t left, right;
};

// What renders the sound. Only the decoder thread calls it once it is playing.
class PcmProducer {
public:
    virtual ~PcmProducer() = default;
    // Frames per second of what render delivers.
    virtual int32_t rate() const = 0;
    // Up to count frames; 0 at the end of the sound or on a decoding error.
    virtual int32_t render(StereoFrame* frames, int32_t count) = 0;
    // Back to the start; false when the sound cannot go back.
    virtual bool rewind() = 0;
};

// One decoded sound shared by three threads: the program thread asks it to
// (re)start, the decoder thread fills its ring, the mixer plays from it.
// Each start is an epoch: the decoder marks where in the ring an epoch's
// frames begin and end, and the mixer skips whatever came before.
class PcmSource {
public:
    PcmSource(std::unique_ptr<PcmProducer> producer, bool loop);

    int32_t rate() const { return rate_; }

    // Program thread: the epoch of a new start from the beginning.
    uint32_t requestStart();
    // Program thread: no more decoding until the next start.
    void requestStop();

    // Decoder thread: decodes one block if there is room; true if it did work.
    bool pump();

    // Mixer: the frames of epoch `epoch` that are ready, appended to the
    // staging buffer; false while the decoder has not reached that epoch.
    bool refill(uint32_t epoch, bool& synced);
    // Mixer: every frame of the epoch has been staged.
    bool drained(uint32_t epoch) const;

    // Mixer-owned: frames taken from the ring and not yet played past.
    std::vector<StereoFrame> staging;
    uint32_t staged = 0;

private:
    static constexpr uint32_t kRingFrames = 1u << 15;  // 0.74 s at 44100 Hz
    static constexpr int32_t kBlockFrames = 2048;

    std::unique_ptr<PcmProducer> producer_;
    const bool loop_;
    const int32_t rate_;
    AudioRing<StereoFrame> ring_{kRingFrames};
    std::vector<StereoFrame> block_;  // decoder-owned

    std::atomic<uint32_t> wantedEpoch_{0};
    std::atomic<bool> stopped_{true};
    // Published by the decoder, in this order: start index, then epoch.
    std::atomic<uint32_t> epochStart_{0}, epoch_{0};
    std::atomic<uint32_t> endIndex_{0}, endedEpoch_{0};
    // Decoder-owned.
    uint32_t producedEpoch_ = 0;
    bool atStart_ = true;
    bool finished_ = false;
};

}  // namespace korva
