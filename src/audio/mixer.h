// The software mixer: voices playing decoded samples or decoded-while-playing
// sources (PcmSource) at their own frequency, volume and pan, summed into
// 16-bit stereo at the output rate.
//
// Two threads use it. The program thread (through the sound engine) sends
// commands; they travel through a lock-free queue and take effect at the
// start of the next render. The output thread calls render. The mixer reports
// back through atomics only: which start of each voice has ended, and how
// many renders have completed (so that the engine knows when nothing it
// stopped is still being read).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "audio/audio_ring.h"

namespace korva {

class PcmSource;

// A sample decoded whole: 16-bit frames of one or two interleaved channels.
struct SampleData {
    std::vector<int16_t> frames;
    int32_t channels = 1;
    uint32_t length = 0;  // frames
    int32_t rate = 44100;
};

struct VoiceSettings {
    int32_t frequency;  // Hz; 0 holds the position
    int32_t volume;     // 0 ... 255
    int32_t pan;        // 0 left ... 127 centre ... 255 right
    bool paused = false;
};

// The resampling kernels the mixer runs, exposed for tests and benchmarks:
// adds count frames of source (channels 1 or 2, 16-bit) interpolated linearly
// from position index + fraction / 2^32 in steps of stepIndex + stepFraction /
// 2^32, times gains that move by the given deltas each frame, into mix
// (interleaved stereo). The caller guarantees that every frame read, the one
// after each position included, exists. Returns the position after the last.
struct MixPosition {
    uint32_t index, fraction;
};
using MixKernel = MixPosition (*)(const int16_t* source, MixPosition position, uint32_t stepIndex, uint32_t stepFraction,
                                  float* mix, int32_t count, float left, float right, float leftDelta, float rightDelta);
MixKernel mixKernelFor(int32_t channels, bool simd);

class Mixer {
public:
    static constexpr int32_t kMaxVoices = 64;
    // Frames mixed per step; gain changes glide across one step.
    static constexpr int32_t kChunkFrames = 256;

    Mixer(int32_t outputRate, int32_t voiceCount);

    int32_t outputRate() const { return outputRate_; }
    int32_t voiceCount() const { return voiceCount_; }

    // Program thread. `generation` tells this start from earlier ones of the
    // same voice; loop plays the sample's frames over and over.
    void startSample(int32_t voice, uint32_t generation, const SampleData* sample, bool loop, const VoiceSettings& settings);
    // Plays a source's frames from the start of `epoch` (see PcmSource).
    void startSource(int32_t voice, uint32_t generation, PcmSource* source, uint32_t epoch, const VoiceSettings& settings);
    void stop(int32_t voice);
    void setPaused(int32_t voice, bool paused);
    void setFrequency(int32_t voice, int32_t frequency);
    void setVolume(int32_t voice, int32_t volume);
    void setPan(int32_t voice, int32_t pan);

    // Program thread: the generation of the voice's last start that played to
    // its end (0 before any ended).
    uint32_t endedGeneration(int32_t voice) const { return ended_[voice].load(std::memory_order_acquire); }
    // Program thread: a ticket that has passed once every command sent so far
    // has taken effect and the render that applied them has finished.
    uint32_t ticket() const { return sent_; }
    bool passed(uint32_t ticket) const { return static_cast<int32_t>(completed_.load(std::memory_order_acquire) - ticket) >= 0; }

    // Output thread: mixes frames stereo frames into out (interleaved).
    void render(int16_t* out, int32_t frames);

    // Stereo gains (left, right) for a volume and pan, as the voices use them.
    static void gainsFor(int32_t volume, int32_t pan, float& left, float& right);

private:
    struct Command {
        enum class Op : uint8_t { startSample, startSource, stop, pause, frequency, volume, pan } op;
        uint8_t voice;
        bool flag;  // loop or paused
        uint32_t generation;
        const SampleData* sample;
        PcmSource* source;
        uint32_t epoch;
        VoiceSettings settings;
    };

    struct Voice {
        bool active = false;
        bool paused = false;
        bool releasing = false;  // gliding to silence after a stop
        bool loop = false;
        bool synced = false;     // a source voice has found its epoch in the ring
        uint32_t generation = 0;
        const SampleData* sample = nullptr;
        PcmSource* source = nullptr;
        uint32_t epoch = 0;
        const int16_t* frames = nullptr;
        int32_t channels = 2;
        // For the channels, chosen when the voice starts: the SIMD kernel
        // for runs, the plain one for the single frame at a boundary.
        MixKernel runKernel = nullptr;
        MixKernel frameKernel = nullptr;
        uint32_t length = 0;  // frames available to interpolate from
        bool lastFrames = false;  // nothing follows length (end of sample or source)
        uint32_t index = 0, fraction = 0;     // position: index + fraction / 2^32
        uint32_t stepIndex = 0, stepFraction = 0;
        int32_t volume = 255, pan = 127;
        float gainLeft = 0, gainRight = 0;    // now
        float targetLeft = 0, targetRight = 0;
    };

    void send(const Command& command);
    void apply(const Command& command);
    void applyStart(Voice& voice, const Command& command);
    void setStep(Voice& voice, int32_t frequency);
    void retarget(Voice& voice);
    void prepareSource(Voice& voice);
    void finish(Voice& voice);
    void mixVoice(Voice& voice, float* mix, int32_t frames);
    bool mixBoundary(Voice& voice, float* mix, float left, float right);

    const int32_t outputRate_;
    const int32_t voiceCount_;
    AudioRing<Command> commands_{4096};
    uint32_t sent_ = 0;                      // program thread
    std::optional<uint32_t> stalledAt_;      // program thread: renders counted when the queue stayed full
    std::atomic<uint32_t> completed_{0};     // commands applied
    std::atomic<uint32_t> renders_{0};
    std::unique_ptr<std::atomic<uint32_t>[]> ended_;
    std::vector<Voice> voices_;          // output thread
    std::vector<float> mix_;             // output thread: one chunk, interleaved stereo
};

}  // namespace korva
