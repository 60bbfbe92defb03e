// The mixer and sample loading beside SDL's mixing routine and libsndfile.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "audio/mixer.h"
#include "comparison.h"

namespace {

using namespace korva;

constexpr int32_t kRate = 44100;
constexpr int32_t kVoices = 32;
constexpr int32_t kBuffer = 512;             // frames per render, as the output asks
constexpr int32_t kSampleFrames = kRate * 5;  // every voice's sound: 5 s of stereo

// Five seconds of a different chord tone per voice, 16-bit stereo.
const std::vector<std::vector<int16_t>>& voiceSounds() {
    static const auto sounds = [] {
        std::vector<std::vector<int16_t>> all(kVoices);
        for (int v = 0; v < kVoices; ++v) {
            all[v].resize(2 * kSampleFrames);
            for (int f = 0; f < kSampleFrames; ++f) {
                const auto value = static_cast<int16_t>(4000 * std::sin(f * (0.01 + 0.003 * v)));
                all[v][2 * f] = value;
                all[v][2 * f + 1] = static_cast<int16_t>(-value);
            }
        }
        return all;
    }();
    return sounds;
}

// One second of 32 looping voices at different pitches, volumes and pans.
void BM_Mix32Voices(benchmark::State& state) {
    std::vector<SampleData> samples(kVoices);
    Mixer mixer(kRate, kVoices);
    for (int v = 0; v < kVoices; ++v) {
        samples[v].frames = voiceSounds()[v];
        samples[v].channels = 2;
        samples[v].length = kSampleFrames;
        samples[v].rate = kRate;
        mixer.startSample(v, 1, &samples[v], true, {kRate * (70 + v) / 100, 96 + 5 * v, 8 * v});
    }
    std::vector<int16_t> out(2 * kBuffer);
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kBuffer) mixer.render(out.data(), kBuffer);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Mix32Voices)->Unit(benchmark::kMillisecond);

// The same buffers added one voice at a time by SDL, as a game mixing with
// SDL would: no resampling, no pan, one volume.
void BM_SdlMixAudioFormat32(benchmark::State& state) {
    std::vector<int16_t> out(2 * kBuffer);
    const auto& sounds = voiceSounds();
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kBuffer) {
            std::fill(out.begin(), out.end(), 0);
            for (int v = 0; v < kVoices; ++v)
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()), reinterpret_cast<const Uint8*>(sounds[v].data() + 2 * done),
                                   AUDIO_S16SYS, kBuffer * 4, 96 + v);
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SdlMixAudioFormat32)->Unit(benchmark::kMillisecond);

KORVA_COMPARISON("mix_32_voices", "BM_Mix32Voices", "BM_SdlMixAudioFormat32");

// A 5-second 16-bit stereo WAV, made once.
const std::string& waveFile() {
    static const std::string path = [] {
        std::string file = "/tmp/korva-bench-" + std::to_string(getpid()) + "-sound.wav";
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
        sf_writef_short(out, voiceSounds()[0].data(), kSampleFrames);
        sf_close(out);
        return file;
    }();
    return path;
}

void BM_LoadSoundWav(benchmark::State& state) {
    std::unique_ptr<AudioDevice> device = Audio::open(nullptr);
    auto* audio = static_cast<Audio*>(device.get());
    for (auto _ : state) {
        Sound* sound = audio->loadSound(waveFile(), false);
        benchmark::DoNotOptimize(sound);
        audio->freeSound(sound);
    }
}
BENCHMARK(BM_LoadSoundWav)->Unit(benchmark::kMillisecond);

// With the engine running, as LoadSound is.
void BM_SndfileReadWav(benchmark::State& state) {
    std::unique_ptr<AudioDevice> device = Audio::open(nullptr);
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* file = sf_open(waveFile().c_str(), SFM_READ, &info);
        std::vector<short> frames(static_cast<size_t>(info.frames * info.channels));
        benchmark::DoNotOptimize(sf_readf_short(file, frames.data(), info.frames));
        sf_close(file);
    }
}
BENCHMARK(BM_SndfileReadWav)->Unit(benchmark::kMillisecond);

KORVA_COMPARISON("sample_load_wav", "BM_LoadSoundWav", "BM_SndfileReadWav");

}  // namespace
