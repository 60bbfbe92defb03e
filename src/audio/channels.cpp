#include "audio/audio.h"

namespace korva {

template <class Base>
void VoiceChannel<Base>::attach(int32_t voice) {
    voice_ = voice;
    audio_.claimVoice(voice, this);
}

template <class Base>
bool VoiceChannel<Base>::ownsVoice() const {
    return audio_.ownsVoice(voice_, this);
}

template <class Base>
void VoiceChannel<Base>::setPaused(bool paused) {
    if (ownsVoice()) audio_.engine().setVoicePaused(voice_, paused);
}

template <class Base>
void VoiceChannel<Base>::setPitch(int32_t frequency) {
    if (ownsVoice()) audio_.engine().setVoiceFrequency(voice_, frequency);
}

template <class Base>
void VoiceChannel<Base>::setVolume(float volume) {
    if (ownsVoice()) audio_.engine().setVoiceVolume(voice_, volumeUnits(volume));
}

template <class Base>
void VoiceChannel<Base>::setPan(float pan) {
    if (ownsVoice()) audio_.engine().setVoicePan(voice_, panUnits(pan));
}

template <class Base>
void VoiceChannel<Base>::set3DAttributes(const float* position, const float* velocity) {
    if (ownsVoice()) audio_.engine().setVoice3DAttributes(voice_, position, velocity);
}

template <class Base>
bool VoiceChannel<Base>::isPlaying() {
    return ownsVoice() && audio_.engine().voicePlaying(voice_);
}

template class VoiceChannel<Channel>;
template class VoiceChannel<MusicTrack>;

void SampleChannel::stop() {
    if (ownsVoice()) audio_.engine().stopVoice(voice_);
}

StreamChannel::~StreamChannel() { audio_.engine().closeStream(stream_); }

void StreamChannel::stop() {
    audio_.engine().stopStream(stream_);
    voice_ = -1;
}

void StreamChannel::restart() {
    stop();
    attach(audio_.engine().playStream(kAnyVoice, stream_));
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
