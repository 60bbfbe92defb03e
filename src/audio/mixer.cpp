#include "audio/mixer.h"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "audio/pcm_source.h"

namespace korva {
namespace {

constexpr int32_t kMaxStep = 64;  // frequencies above 64 times the output rate play at that

float fractionOf(uint32_t fraction) { return static_cast<float>(static_cast<int32_t>(fraction >> 1)) * (1.0f / 2147483648.0f); }

void advance(MixPosition& position, uint32_t stepIndex, uint32_t stepFraction) {
    const uint32_t fraction = position.fraction + stepFraction;
    position.index += stepIndex + (fraction < position.fraction ? 1 : 0);
    position.fraction = fraction;
}

// The plain kernel: the reference the SIMD one is tested against.
template <int Channels>
MixPosition mixGeneric(const int16_t* source, MixPosition position, uint32_t stepIndex, uint32_t stepFraction,
                       float* mix, int32_t count, float left, float right, float leftDelta, float rightDelta) {
    for (int32_t i = 0; i < count; ++i) {
        const int16_t* frame = source + position.index * Channels;
        const float t = fractionOf(position.fraction);
        const float first = frame[0], firstNext = frame[Channels];
        const float a = first + (firstNext - first) * t;
        float b = a;
        if constexpr (Channels == 2) {
            const float second = frame[1], secondNext = frame[3];
            b = second + (secondNext - second) * t;
        }
        const float step = static_cast<float>(i);
        mix[2 * i] += a * (left + leftDelta * step);
        mix[2 * i + 1] += b * (right + rightDelta * step);
        advance(position, stepIndex, stepFraction);
    }
    return position;
}

// Four 16-bit values as floats.
inline __m128 widen(__m128i values) { return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(values, values), 16)); }

// Two output frames per step: the frame pairs of both positions side by side
// in one register (left and right of the first, then of the second frame),
// interpolated, scaled by their gains and added to the mix at once.
template <int Channels>
MixPosition mixSimd(const int16_t* source, MixPosition position, uint32_t stepIndex, uint32_t stepFraction, float* mix,
                    int32_t count, float left, float right, float leftDelta, float rightDelta) {
    const __m128 gain = _mm_setr_ps(left, right, left, right);
    const __m128 gainDelta = _mm_setr_ps(leftDelta, rightDelta, leftDelta, rightDelta);
    __m128 frameNumber = _mm_setr_ps(0, 0, 1, 1);
    const __m128 two = _mm_set1_ps(2);
    int32_t i = 0;
    for (; i + 1 < count; i += 2) {
        const int16_t* a = source + position.index * Channels;
        const float ta = fractionOf(position.fraction);
        advance(position, stepIndex, stepFraction);
        const int16_t* b = source + position.index * Channels;
        const float tb = fractionOf(position.fraction);
        advance(position, stepIndex, stepFraction);
        __m128 low, high;
        if constexpr (Channels == 2) {
            const __m128 va = widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)));  // l0 r0 l1 r1
            const __m128 vb = widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
            low = _mm_movelh_ps(va, vb);
            high = _mm_movehl_ps(vb, va);
        } else {
            int32_t pairA, pairB;
            std::memcpy(&pairA, a, 4);
            std::memcpy(&pairB, b, 4);
            const __m128 v = widen(_mm_setr_epi32(pairA, pairB, 0, 0));  // a0 a1 b0 b1
            low = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 0, 0));
            high = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 1, 1));
        }
        const __m128 t = _mm_setr_ps(ta, ta, tb, tb);
        const __m128 value = _mm_add_ps(low, _mm_mul_ps(_mm_sub_ps(high, low), t));
        const __m128 frameGain = _mm_add_ps(gain, _mm_mul_ps(gainDelta, frameNumber));
        float* target = mix + 2 * i;
        _mm_storeu_ps(target, _mm_add_ps(_mm_loadu_ps(target), _mm_mul_ps(value, frameGain)));
        frameNumber = _mm_add_ps(frameNumber, two);
    }
    if (i < count) {
        const float step = static_cast<float>(i);
        position = mixGeneric<Channels>(source, position, stepIndex, stepFraction, mix + 2 * i, 1, left + leftDelta * step,
                                        right + rightDelta * step, 0, 0);
    }
    return position;
}

void toSigned16(const float* mix, int16_t* out, int32_t frames) {
    const int32_t values = frames * 2;
    int32_t i = 0;
    for (; i + 8 <= values; i += 8) {
        const __m128i low = _mm_cvtps_epi32(_mm_loadu_ps(mix + i));
        const __m128i high = _mm_cvtps_epi32(_mm_loadu_ps(mix + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));
    }
    for (; i < values; ++i) {
        const __m128i value = _mm_cvtps_epi32(_mm_set_ss(mix[i]));
        out[i] = static_cast<int16_t>(_mm_cvtsi128_si32(_mm_packs_epi32(value, value)));
    }
}

}  // namespace

MixKernel mixKernelFor(int32_t channels, bool simd) {
    if (channels == 2) return simd ? mixSimd<2> : mixGeneric<2>;
    return simd ? mixSimd<1> : mixGeneric<1>;
}

Mixer::Mixer(int32_t outputRate, int32_t voiceCount)
    : outputRate_(std::max(outputRate, 1)),
      voiceCount_(std::clamp(voiceCount, 1, kMaxVoices)),
      ended_(new std::atomic<uint32_t>[static_cast<size_t>(voiceCount_)]),
      voices_(static_cast<size_t>(voiceCount_)),
      mix_(2 * kChunkFrames) {
    for (int32_t v = 0; v < voiceCount_; ++v) ended_[v].store(0, std::memory_order_relaxed);
}

void Mixer::gainsFor(int32_t volume, int32_t pan, float& left, float& right) {
    const float level = static_cast<float>(std::clamp(volume, 0, 255)) / 255.0f;
    pan = std::clamp(pan, 0, 255);
    left = level * (pan <= 127 ? 1.0f : static_cast<float>(255 - pan) / 128.0f);
    right = level * (pan >= 127 ? 1.0f : static_cast<float>(pan) / 127.0f);
}

// The queue holds thousands of commands and the output drains it every few
// milliseconds; a program that outruns it waits briefly. An output that has
// stopped rendering (a device gone) drains nothing: after half a second the
// command is dropped, and so is every further one until a render happens.
void Mixer::send(const Command& command) {
    for (int waited = 0; !commands_.push(command); ++waited) {
        const uint32_t renders = renders_.load(std::memory_order_acquire);
        if (stalledAt_ && *stalledAt_ == renders) return;
        if (waited == 500) {
            stalledAt_ = renders;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stalledAt_.reset();
    ++sent_;
}

void Mixer::startSample(int32_t voice, uint32_t generation, const SampleData* sample, bool loop, const VoiceSettings& settings) {
    send({Command::Op::startSample, static_cast<uint8_t>(voice), loop, generation, sample, nullptr, 0, settings});
}

void Mixer::startSource(int32_t voice, uint32_t generation, PcmSource* source, uint32_t epoch, const VoiceSettings& settings) {
    send({Command::Op::startSource, static_cast<uint8_t>(voice), false, generation, nullptr, source, epoch, settings});
}

void Mixer::stop(int32_t voice) { send({Command::Op::stop, static_cast<uint8_t>(voice), false, 0, nullptr, nullptr, 0, {}}); }

void Mixer::setPaused(int32_t voice, bool paused) {
    send({Command::Op::pause, static_cast<uint8_t>(voice), paused, 0, nullptr, nullptr, 0, {}});
}

void Mixer::setFrequency(int32_t voice, int32_t frequency) {
    send({Command::Op::frequency, static_cast<uint8_t>(voice), false, 0, nullptr, nullptr, 0, {frequency, 0, 0}});
}

void Mixer::setVolume(int32_t voice, int32_t volume) {
    send({Command::Op::volume, static_cast<uint8_t>(voice), false, 0, nullptr, nullptr, 0, {0, volume, 0}});
}

void Mixer::setPan(int32_t voice, int32_t pan) {
    send({Command::Op::pan, static_cast<uint8_t>(voice), false, 0, nullptr, nullptr, 0, {0, 0, pan}});
}

void Mixer::apply(const Command& command) {
    if (command.voice >= voiceCount_) return;
    Voice& voice = voices_[command.voice];
    switch (command.op) {
        case Command::Op::startSample:
        case Command::Op::startSource:
            applyStart(voice, command);
            break;
        case Command::Op::stop:
            if (voice.active && !voice.paused) {
                voice.releasing = true;
                voice.targetLeft = voice.targetRight = 0;
            } else {
                voice.active = false;
            }
            break;
        case Command::Op::pause:
            voice.paused = command.flag;
            break;
        case Command::Op::frequency:
            setStep(voice, command.settings.frequency);
            break;
        case Command::Op::volume:
            voice.volume = command.settings.volume;
            retarget(voice);
            break;
        case Command::Op::pan:
            voice.pan = command.settings.pan;
            retarget(voice);
            break;
    }
}

void Mixer::applyStart(Voice& voice, const Command& command) {
    voice = Voice{};
    voice.active = true;
    voice.generation = command.generation;
    voice.paused = command.settings.paused;
    voice.loop = command.flag;
    voice.volume = command.settings.volume;
    voice.pan = command.settings.pan;
    setStep(voice, command.settings.frequency);
    retarget(voice);
    voice.gainLeft = voice.targetLeft;
    voice.gainRight = voice.targetRight;
    if (command.sample != nullptr) {
        voice.sample = command.sample;
        voice.frames = command.sample->frames.data();
        voice.channels = command.sample->channels;
        voice.length = command.sample->length;
        voice.lastFrames = true;
    } else {
        voice.source = command.source;
        voice.epoch = command.epoch;
        voice.channels = 2;
    }
    voice.runKernel = mixKernelFor(voice.channels, true);
    voice.frameKernel = mixKernelFor(voice.channels, false);
}

void Mixer::setStep(Voice& voice, int32_t frequency) {
    const int64_t highest = int64_t{outputRate_} * kMaxStep - 1;
    const uint64_t step = (static_cast<uint64_t>(std::clamp<int64_t>(frequency, 0, highest)) << 32) /
                          static_cast<uint64_t>(outputRate_);
    voice.stepIndex = static_cast<uint32_t>(step >> 32);
    voice.stepFraction = static_cast<uint32_t>(step);
}

void Mixer::retarget(Voice& voice) { gainsFor(voice.volume, voice.pan, voice.targetLeft, voice.targetRight); }

// Drops the source frames the voice has played past and takes what the
// decoder has added since.
void Mixer::prepareSource(Voice& voice) {
    PcmSource& source = *voice.source;
    if (voice.synced && voice.index > 0) {
        const uint32_t kept = source.staged - std::min(voice.index, source.staged);
        std::memmove(source.staging.data(), source.staging.data() + (source.staged - kept), kept * sizeof(StereoFrame));
        voice.index -= source.staged - kept;
        source.staged = kept;
    }
    if (!source.refill(voice.epoch, voice.synced)) {
        voice.length = 0;
        voice.lastFrames = false;
        return;
    }
    voice.frames = &source.staging.data()->left;
    voice.length = source.staged;
    voice.lastFrames = source.drained(voice.epoch);
}

void Mixer::finish(Voice& voice) {
    voice.active = false;
    if (!voice.releasing) ended_[&voice - voices_.data()].store(voice.generation, std::memory_order_release);
}

// The frame at the end of what the voice can read, whose successor is the
// loop's start, silence, or not there yet. Mixes it (or wraps the position);
// false when the voice has to wait for its source or has ended.
bool Mixer::mixBoundary(Voice& voice, float* mix, float left, float right) {
    if (voice.index >= voice.length) {
        if (!voice.lastFrames) return false;
        if (!voice.loop || voice.length == 0) {
            finish(voice);
            return false;
        }
        voice.index %= voice.length;
        return true;
    }
    if (!voice.lastFrames) return false;
    int16_t pair[4] = {};
    const int16_t* frame = voice.frames + voice.index * voice.channels;
    const int16_t* next = voice.loop ? voice.frames : nullptr;
    for (int32_t c = 0; c < voice.channels; ++c) {
        pair[c] = frame[c];
        pair[voice.channels + c] = next != nullptr ? next[c] : 0;
    }
    const MixPosition after = voice.frameKernel(pair, {0, voice.fraction}, voice.stepIndex, voice.stepFraction,
                                                                 mix, 1, left, right, 0, 0);
    voice.index += after.index;
    voice.fraction = after.fraction;
    return true;
}

void Mixer::mixVoice(Voice& voice, float* mix, int32_t frames) {
    const float leftDelta = (voice.targetLeft - voice.gainLeft) / static_cast<float>(frames);
    const float rightDelta = (voice.targetRight - voice.gainRight) / static_cast<float>(frames);
    const uint64_t step = (uint64_t{voice.stepIndex} << 32) | voice.stepFraction;
    int32_t done = 0;
    while (done < frames && voice.active) {
        const float left = voice.gainLeft + leftDelta * static_cast<float>(done);
        const float right = voice.gainRight + rightDelta * static_cast<float>(done);
        if (voice.index + 1 < voice.length) {
            // Every position before the last frame can read its successor.
            const uint64_t position = (uint64_t{voice.index} << 32) | voice.fraction;
            const uint64_t last = uint64_t{voice.length - 1} << 32;
            const uint64_t reachable = step == 0 ? uint64_t(frames) : (last - position + step - 1) / step;
            const int32_t count = static_cast<int32_t>(std::min<uint64_t>(reachable, uint64_t(frames - done)));
            const MixPosition after = voice.runKernel(voice.frames, {voice.index, voice.fraction}, voice.stepIndex, voice.stepFraction,
                                             mix + 2 * done, count, left, right, leftDelta, rightDelta);
            voice.index = after.index;
            voice.fraction = after.fraction;
            done += count;
        } else if (voice.index + 1 == voice.length && voice.lastFrames) {
            mixBoundary(voice, mix + 2 * done, left, right);
            ++done;
        } else if (!mixBoundary(voice, mix + 2 * done, left, right)) {
            break;
        }
    }
    voice.gainLeft = voice.targetLeft;
    voice.gainRight = voice.targetRight;
}

void Mixer::render(int16_t* out, int32_t frames) {
    Command command;
    uint32_t applied = 0;
    while (commands_.pop(command)) {
        apply(command);
        ++applied;
    }
    for (Voice& voice : voices_) {
        if (voice.active && !voice.paused && voice.source != nullptr) prepareSource(voice);
    }
    for (int32_t done = 0; done < frames; done += kChunkFrames) {
        const int32_t chunk = std::min(kChunkFrames, frames - done);
        std::fill_n(mix_.data(), 2 * chunk, 0.0f);
        for (Voice& voice : voices_) {
            if (!voice.active || voice.paused) continue;
            mixVoice(voice, mix_.data(), chunk);
            if (voice.releasing) voice.active = false;
        }
        toSigned16(mix_.data(), out + 2 * done, chunk);
    }
    completed_.fetch_add(applied, std::memory_order_release);
    renders_.fetch_add(1, std::memory_order_release);
}

}  // namespace korva
