// The mixer on buffers (its output rounds to nearest, ties to even): exact sums, clipping, resampling, loops, pauses,
// gliding gains, and hostile settings.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "audio/mixer.h"

namespace korva {
namespace {

constexpr int32_t kRate = 44100;

SampleData constantSample(int16_t value, uint32_t frames, int32_t channels = 1) {
    SampleData sample;
    sample.channels = channels;
    sample.length = frames;
    sample.frames.assign(static_cast<size_t>(frames) * channels, value);
    return sample;
}

// Frame i holds i (both channels).
SampleData rampSample(uint32_t frames) {
    SampleData sample;
    sample.length = frames;
    for (uint32_t i = 0; i < frames; ++i) sample.frames.push_back(static_cast<int16_t>(i));
    return sample;
}

std::vector<int16_t> render(Mixer& mixer, int32_t frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    mixer.render(out.data(), frames);
    return out;
}

const VoiceSettings kUnit{kRate, 255, 127};

TEST(Mixer, SumsVoicesExactlyAndPansHard) {
    Mixer mixer(kRate, 4);
    const SampleData a = constantSample(1000, 4000), b = constantSample(-3000, 4000);
    mixer.startSample(0, 1, &a, false, kUnit);
    mixer.startSample(1, 2, &b, false, {kRate, 255, 0});  // left only
    const std::vector<int16_t> out = render(mixer, 512);
    for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(out[2 * i], -2000) << i;
        ASSERT_EQ(out[2 * i + 1], 1000) << i;
    }
}

TEST(Mixer, ClipsToSixteenBits) {
    Mixer mixer(kRate, 4);
    const SampleData loud = constantSample(30000, 1000), low = constantSample(-30000, 1000, 2);
    mixer.startSample(0, 1, &loud, false, kUnit);
    mixer.startSample(1, 2, &loud, false, {kRate, 255, 255});  // right only
    mixer.startSample(2, 3, &low, false, {kRate, 255, 0});
    mixer.startSample(3, 4, &low, false, {kRate, 255, 0});
    const std::vector<int16_t> out = render(mixer, 100);
    EXPECT_EQ(out[0], -30000);  // 30000 - 60000
    EXPECT_EQ(out[1], 32767);   // 60000, left-panned stereo adds nothing right
}

// How many frames a voice sounds before it reports its end.
int32_t framesUntilEnd(Mixer& mixer, int32_t voice, uint32_t generation) {
    int32_t frames = 0;
    while (mixer.endedGeneration(voice) != generation && frames < 100000) {
        render(mixer, 64);
        frames += 64;
    }
    return frames;
}

TEST(Mixer, FrequencySetsTheRateOfPlaying) {
    Mixer mixer(kRate, 2);
    const SampleData sample = constantSample(100, 4410);
    mixer.startSample(0, 7, &sample, false, {kRate / 2, 255, 127});
    EXPECT_NEAR(framesUntilEnd(mixer, 0, 7), 8820, 64);
    mixer.startSample(1, 8, &sample, false, {kRate * 3, 255, 127});
    EXPECT_NEAR(framesUntilEnd(mixer, 1, 8), 1470, 64);
}

TEST(Mixer, InterpolatesBetweenFrames) {
    Mixer mixer(kRate, 1);
    const SampleData ramp = rampSample(1000);
    mixer.startSample(0, 1, &ramp, false, {kRate / 4, 255, 127});
    const std::vector<int16_t> out = render(mixer, 40);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(out[2 * i], static_cast<int16_t>(std::nearbyint(i / 4.0))) << i;
}

TEST(Mixer, LoopsWrapToTheStartWithoutEnding) {
    Mixer mixer(kRate, 1);
    const SampleData ramp = rampSample(100);
    mixer.startSample(0, 1, &ramp, true, kUnit);
    const std::vector<int16_t> out = render(mixer, 1000);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(out[2 * i], i % 100) << i;
    EXPECT_EQ(mixer.endedGeneration(0), 0u);
    mixer.startSample(0, 2, &ramp, true, {kRate * 7 / 2, 255, 127});  // several frames per step across the wrap
    const std::vector<int16_t> fast = render(mixer, 200);
    for (int i = 0; i < 200; ++i) {
        const double position = std::fmod(i * 3.5, 100.0), frame = std::floor(position);
        const double next = std::fmod(frame + 1, 100.0);  // the last frame leads into the first
        ASSERT_EQ(fast[2 * i], static_cast<int16_t>(std::nearbyint(frame + (next - frame) * (position - frame)))) << i;
    }
}

TEST(Mixer, PauseHoldsThePosition) {
    Mixer mixer(kRate, 1);
    const SampleData ramp = rampSample(2000);
    mixer.startSample(0, 1, &ramp, false, kUnit);
    render(mixer, 100);
    mixer.setPaused(0, true);
    const std::vector<int16_t> paused = render(mixer, 300);
    EXPECT_EQ(paused, std::vector<int16_t>(600, 0));
    mixer.setPaused(0, false);
    EXPECT_EQ(render(mixer, 1)[0], 100);
}

TEST(Mixer, VolumeChangesGlideAcrossOneChunk) {
    Mixer mixer(kRate, 1);
    const SampleData sample = constantSample(10000, 10000);
    mixer.startSample(0, 1, &sample, false, kUnit);
    render(mixer, Mixer::kChunkFrames);
    mixer.setVolume(0, 0);
    const std::vector<int16_t> out = render(mixer, 2 * Mixer::kChunkFrames);
    for (int i = 1; i < Mixer::kChunkFrames; ++i) ASSERT_LE(out[2 * i], out[2 * i - 2]);  // falling, never jumping
    EXPECT_GT(out[0], 9900);
    EXPECT_LT(out[2 * Mixer::kChunkFrames - 2], 100);
    EXPECT_EQ(out[2 * Mixer::kChunkFrames], 0);
}

TEST(Mixer, StopFadesOutInsteadOfClicking) {
    Mixer mixer(kRate, 1);
    const SampleData sample = constantSample(10000, 10000);
    mixer.startSample(0, 1, &sample, false, kUnit);
    render(mixer, 64);
    mixer.stop(0);
    const std::vector<int16_t> out = render(mixer, 2 * Mixer::kChunkFrames);
    EXPECT_GT(out[0], 9900);
    EXPECT_EQ(out[2 * Mixer::kChunkFrames], 0);
    EXPECT_EQ(mixer.endedGeneration(0), 0u);  // stopped, not ended
}

TEST(Mixer, HostileSettingsNeitherHangNorOverflow) {
    Mixer mixer(kRate, 4);
    const SampleData ramp = rampSample(50);
    for (int32_t frequency : {0, -1, INT32_MIN, INT32_MAX, 2000000000}) {
        SCOPED_TRACE(frequency);
        mixer.startSample(0, 1, &ramp, true, {frequency, INT32_MIN, INT32_MAX});
        mixer.startSample(1, 2, &ramp, false, {frequency, INT32_MAX, INT32_MIN});
        const std::vector<int16_t> out = render(mixer, 4096);
        for (int16_t value : out) ASSERT_LE(std::abs(int32_t{value}), 50);
    }
}

TEST(Mixer, TicketPassesOnceTheRenderApplyingCommandsHasEnded) {
    Mixer mixer(kRate, 2);
    const uint32_t none = mixer.ticket();
    EXPECT_TRUE(mixer.passed(none));
    mixer.stop(0);
    mixer.stop(1);
    const uint32_t ticket = mixer.ticket();
    EXPECT_FALSE(mixer.passed(ticket));
    render(mixer, 16);
    EXPECT_TRUE(mixer.passed(ticket));
}

TEST(Mixer, AnOutputThatStoppedRenderingDoesNotHangTheProgram) {
    Mixer mixer(kRate, 1);
    for (int i = 0; i < 10000; ++i) mixer.setVolume(0, i % 256);  // far more than the queue holds
    render(mixer, 16);
    const uint32_t ticket = mixer.ticket();
    mixer.stop(0);  // taken again once the output renders
    EXPECT_NE(mixer.ticket(), ticket);
}

// The SIMD kernels against the plain ones, bit for bit, with gains that move.
TEST(MixKernel, SimdMatchesPlainKernel) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int16_t> source(2 * 4000);
    for (int16_t& v : source) v = static_cast<int16_t>(value(random));
    for (int32_t channels : {1, 2}) {
        for (uint64_t step : {uint64_t{1} << 32, uint64_t{0x5ED4C2F1}, uint64_t{0x180000000}, uint64_t{0x3FFFFFFFF}}) {
            for (int32_t count : {1, 2, 255, 256}) {
                std::vector<float> plain(512, 1.5f), simd(512, 1.5f);
                const MixPosition start{3, 0x12345678};
                const auto s = static_cast<uint32_t>(step >> 32), f = static_cast<uint32_t>(step);
                const MixPosition a = mixKernelFor(channels, false)(source.data(), start, s, f, plain.data(), count, 0.25f, 0.75f, 0.001f, -0.002f);
                const MixPosition b = mixKernelFor(channels, true)(source.data(), start, s, f, simd.data(), count, 0.25f, 0.75f, 0.001f, -0.002f);
                ASSERT_EQ(plain, simd) << channels << " " << step << " " << count;
                ASSERT_EQ(a.index, b.index);
                ASSERT_EQ(a.fraction, b.fraction);
            }
        }
    }
}

TEST(Mixer, GainsFollowVolumeAndPan) {
    float left, right;
    Mixer::gainsFor(255, 127, left, right);
    EXPECT_EQ(left, 1.0f);
    EXPECT_EQ(right, 1.0f);
    Mixer::gainsFor(255, 0, left, right);
    EXPECT_EQ(right, 0.0f);
    Mixer::gainsFor(255, 255, left, right);
    EXPECT_EQ(left, 0.0f);
    Mixer::gainsFor(127, 127, left, right);
    EXPECT_NEAR(left, 0.498f, 0.001f);
}

}  // namespace
}  // namespace korva
