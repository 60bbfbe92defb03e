#include "audio/audio.h"

namespace korva {

Sound::Sound(Audio& owner, EngineSample* engineSample) : audio(owner), sample(engineSample) {
    const SampleDefaults defaults = audio.engine().sampleDefaults(sample);
    frequency = defaults.frequency;
    volume = defaults.volume;
    pan = defaults.pan;
    priority = defaults.priority;
}

Sound::~Sound() { audio.engine().freeSample(sample); }

void Sound::setLoop(bool loop) { audio.engine().setSampleLoopMode(sample, loop ? kLoopNormal : kLoopOff); }

void Sound::setPitch(int32_t newFrequency) {
    frequency = newFrequency;
    defaultsApplied = false;
}

void Sound::setVolume(float newVolume) {
    volume = volumeUnits(newVolume);
    defaultsApplied = false;
}

void Sound::setPan(float newPan) {
    pan = panUnits(newPan);
    defaultsApplied = false;
}

// The pool is searched before the engine starts the voice: the voice may be
// the one a pooled channel played on, which would then look busy again.
SampleChannel* Sound::play() {
    SoundEngine& engine = audio.engine();
    if (!defaultsApplied) {
        engine.setSampleDefaults(sample, frequency, volume, pan, priority);
        defaultsApplied = true;
    }
    SampleChannel* channel = audio.idleSampleChannel();
    const int32_t voice = engine.playSample(kAnyVoice, sample);
    if (voice < 0) return nullptr;
    if (channel == nullptr) channel = audio.newSampleChannel();
    channel->attach(voice);
    return channel;
}

}  // namespace korva
