// The audio object model over a running engine (unit conversions, sound
// defaults, the CD mode mapping) and the engine's choice of voices.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/audio.h"

namespace korva {
namespace {

TEST(AudioUnits, TruncateWithoutClamping) {
    EXPECT_EQ(volumeUnits(0.5f), 127);
    EXPECT_EQ(volumeUnits(1.0f), 255);
    EXPECT_EQ(volumeUnits(2.0f), 510);
    EXPECT_EQ(volumeUnits(-0.5f), -127);
    EXPECT_EQ(panUnits(0.0f), 127);
    EXPECT_EQ(panUnits(-1.0f), 0);
    EXPECT_EQ(panUnits(1.0f), 255);
    EXPECT_EQ(volumeUnits(NAN), INT32_MIN);
    EXPECT_EQ(panUnits(INFINITY), INT32_MIN);
    EXPECT_EQ(volumeUnits(1e30f), INT32_MIN);
}

std::string writeSilentWav() {
    const std::string path = testing::TempDir() + "audio-objects.wav";
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<short> frames(2205, 0);
    sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size()));
    sf_close(file);
    return path;
}

class AudioObjects : public testing::Test {
protected:
    void SetUp() override {
        device_ = Audio::open(nullptr);
        ASSERT_NE(device_, nullptr);
        audio_ = static_cast<Audio*>(device_.get());
    }
    std::unique_ptr<AudioDevice> device_;
    Audio* audio_ = nullptr;
};

TEST_F(AudioObjects, SoundDefaultsReachTheEngineAtTheNextPlay) {
    Sound* sound = audio_->loadSound(writeSilentWav(), false);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->frequency, 22050);
    EXPECT_EQ(sound->pan, 127);
    EXPECT_TRUE(sound->defaultsApplied);
    sound->setVolume(0.5f);
    sound->setPan(-1.0f);
    sound->setPitch(11025);
    EXPECT_EQ(sound->volume, 127);
    EXPECT_EQ(sound->pan, 0);
    EXPECT_FALSE(sound->defaultsApplied);
    EXPECT_EQ(audio_->engine().sampleDefaults(sound->sample).volume, 255);
    ASSERT_NE(sound->play(), nullptr);
    EXPECT_TRUE(sound->defaultsApplied);
    const SampleDefaults applied = audio_->engine().sampleDefaults(sound->sample);
    EXPECT_EQ(applied.volume, 127);
    EXPECT_EQ(applied.pan, 0);
    EXPECT_EQ(applied.frequency, 11025);
    EXPECT_TRUE(audio_->verifySound(sound));
    audio_->freeSound(sound);
    EXPECT_FALSE(audio_->verifySound(sound));
}

TEST_F(AudioObjects, CdModesMapToTheEngines) {
    Channel* cd = audio_->playCdTrack(4, 3);
    EXPECT_EQ(audio_->engine().cdState(0).mode, 0);
    EXPECT_EQ(audio_->engine().cdState(0).track, 4);
    EXPECT_EQ(audio_->playCdTrack(4, 7), cd);
    EXPECT_EQ(audio_->engine().cdState(0).mode, 1);
    audio_->playCdTrack(4, 2);
    EXPECT_EQ(audio_->engine().cdState(0).mode, 2);
    cd->setVolume(0.5f);
    EXPECT_EQ(audio_->engine().cdState(0).volume, 127);
    EXPECT_TRUE(cd->isPlaying());
}

TEST(SoundEngineVoices, AHigherPriorityTakesTheLowestVoiceWhenAllAreBusy) {
    SoundEngine engine;
    ASSERT_TRUE(engine.initialise(44100, 4, 1));
    const std::string file = writeSilentWav();
    EngineSample* low = engine.loadSample(kAnySlot, file.c_str(), kSampleMode2D, 0);
    EngineSample* high = engine.loadSample(kAnySlot, file.c_str(), kSampleMode2D, 0);
    ASSERT_NE(low, nullptr);
    engine.setSampleLoopMode(low, kLoopNormal);
    const SampleDefaults defaults = engine.sampleDefaults(low);
    engine.setSampleDefaults(high, defaults.frequency, 255, 127, defaults.priority + 1);
    for (int32_t v = 0; v < 4; ++v) {
        engine.setSampleDefaults(low, defaults.frequency, 255, 127, 10 + v);
        EXPECT_EQ(engine.playSample(kAnyVoice, low), v);
    }
    engine.setSampleDefaults(low, defaults.frequency, 255, 127, 10);
    EXPECT_EQ(engine.playSample(kAnyVoice, low), -1);  // not above the lowest: no voice
    EXPECT_EQ(engine.playSample(kAnyVoice, high), 0);  // the voice of priority 10
    engine.freeSample(low);  // stops the three voices it still plays
    for (int32_t v = 1; v < 4; ++v) EXPECT_FALSE(engine.voicePlaying(v));
    EXPECT_TRUE(engine.voicePlaying(0));
    EXPECT_EQ(engine.playSample(7, high), -1);  // no such voice
    engine.close();
    EXPECT_FALSE(engine.voicePlaying(0));
    EXPECT_EQ(engine.loadSample(kAnySlot, file.c_str(), kSampleMode2D, 0), nullptr);
}

}  // namespace
}  // namespace korva
