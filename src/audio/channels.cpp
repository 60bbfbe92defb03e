#include "audio/audio.h"

namespace korva {

void SampleChannel::attach(int32_t voice) {
    voice_ = voice;
    audio_.claimVoice(voice, this);
}

bool SampleChannel::ownsVoice() const { return audio_.ownsVoice(voice_, this); }

void SampleChannel::stop() {
    if (ownsVoice()) audio_.engine().stopVoice(voice_);
}

void SampleChannel::setPaused(bool paused) {
    if (ownsVoice()) audio_.engine().setVoicePaused(voice_, paused);
}

void SampleChannel::setPitch(int32_t frequency) {
    if (ownsVoice()) audio_.engine().setVoiceFrequency(voice_, frequency);
}

void SampleChannel::setVolume(float volume) {
    if (ownsVoice()) audio_.engine().setVoiceVolume(voice_, volumeUnits(volume));
}

void SampleChannel::setPan(float pan) {
    if (ownsVoice()) audio_.engine().setVoicePan(voice_, panUnits(pan));
}

void SampleChannel::set3DAttributes(const float* position, const float* velocity) {
    if (ownsVoice()) audio_.engine().setVoice3DAttributes(voice_, position, velocity);
}

bool SampleChannel::isPlaying() { return ownsVoice() && audio_.engine().voicePlaying(voice_); }

StreamChannel::~StreamChannel() { audio_.engine().closeStream(stream_); }

bool StreamChannel::ownsVoice() const { return audio_.ownsVoice(voice_, this); }

void StreamChannel::stop() {
    audio_.engine().stopStream(stream_);
    voice_ = -1;
}

void StreamChannel::setPaused(bool paused) {
    if (ownsVoice()) audio_.engine().setVoicePaused(voice_, paused);
}

void StreamChannel::setPitch(int32_t frequency) {
    if (ownsVoice()) audio_.engine().setVoiceFrequency(voice_, frequency);
}

void StreamChannel::setVolume(float volume) {
    if (ownsVoice()) audio_.engine().setVoiceVolume(voice_, volumeUnits(volume));
}

void StreamChannel::setPan(float pan) {
    if (ownsVoice()) audio_.engine().setVoicePan(voice_, panUnits(pan));
}

void StreamChannel::set3DAttributes(const float*, const float*) {}

bool StreamChannel::isPlaying() { return ownsVoice() && audio_.engine().voicePlaying(voice_); }

void StreamChannel::restart() {
    stop();
    voice_ = audio_.engine().playStream(kAnyVoice, stream_);
    audio_.claimVoice(voice_, this);
}

MusicChannel::~MusicChannel() { engine_.freeMusic(music_); }

void MusicChannel::stop() { engine_.stopMusic(music_); }

void MusicChannel::setPaused(bool paused) { engine_.setMusicPaused(music_, paused); }

void MusicChannel::setPitch(int32_t) {}

void MusicChannel::setVolume(float volume) { engine_.setMusicMasterVolume(music_, volumeUnits(volume)); }

void MusicChannel::setPan(float) {}

void MusicChannel::set3DAttributes(const float*, const float*) {}

bool MusicChannel::isPlaying() { return !engine_.musicFinished(music_); }

void MusicChannel::restart() { engine_.playMusic(music_); }

void CdChannel::stop() { engine_.stopCd(0); }

void CdChannel::setPaused(bool paused) { engine_.setCdPaused(0, paused); }

void CdChannel::setPitch(int32_t) {}

void CdChannel::setVolume(float volume) { engine_.setCdVolume(0, volumeUnits(volume)); }

void CdChannel::setPan(float) {}

void CdChannel::set3DAttributes(const float*, const float*) {}

bool CdChannel::isPlaying() { return true; }

}  // namespace korva
