#include "audio/audio.h"

#include <algorithm>

#include "platform/host_path.h"

namespace korva {
namespace {

constexpr int32_t kMixRate = 44100;
constexpr int32_t kVoices = 32;
constexpr int32_t kInitFlags = 1;

// The names that PlayMusic streams; anything else is music (module or MIDI).
const char* const kStreamMarks[] = {".raw", ".wav", ".mp2", ".mp3", ".ogg", ".wma", ".asf"};

bool namesStream(const std::string& file) {
    return std::any_of(std::begin(kStreamMarks), std::end(kStreamMarks),
                       [&](const char* mark) { return file.find(mark) != std::string::npos; });
}

int32_t truncated(float value) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t volumeUnits(float volume) { return truncated(volume * 255.0f); }

int32_t panUnits(float pan) { return truncated((pan + 1.0f) * 127.5f); }

std::unique_ptr<AudioDevice> Audio::open(void* window) {
    std::unique_ptr<Audio> audio(new Audio);
    audio->engine_.setOutputWindow(window);
    if (!audio->engine_.initialise(kMixRate, kVoices, kInitFlags)) return nullptr;
    audio->voiceOwners_.assign(kVoices, nullptr);
    audio->cd_ = audio->keep(std::make_unique<CdChannel>(audio->engine_));
    return audio;
}

Audio::~Audio() {
    for (MovieSoundTrack* track : soundTracks_) track->detach();
    while (!channels_.empty()) channels_.pop_back();
    for (Sound* sound : sounds_) delete sound;
    sounds_.clear();
    pool_.clear();
    streams_.clear();
    engine_.close();
}

template <class Made>
Made* Audio::keep(std::unique_ptr<Made> channel) {
    Made* kept = channel.get();
    channels_.push_back(std::move(channel));
    return kept;
}

Sound* Audio::loadSound(const std::string& file, bool threeD) {
    EngineSample* sample = engine_.loadSample(kAnySlot, hostPath(file.c_str()).c_str(), threeD ? kSampleMode3D : kSampleMode2D, 0);
    if (sample == nullptr) return nullptr;
    auto* sound = new Sound(*this, sample);
    sounds_.insert(sound);
    return sound;
}

void Audio::freeSound(Sound* sound) {
    if (sounds_.erase(sound) != 0) delete sound;
}

Channel* Audio::playMusic(const std::string& file, int32_t mode) {
    if (auto known = streams_.find(file); known != streams_.end()) {
        known->second->restart();
        return known->second;
    }
    MusicTrack* track = openMusic(file, mode);
    if (track != nullptr) streams_.emplace(file, track);
    return track;
}

// A name that goes the music way but holds no module or MIDI music is
// streamed after all: "MUSIC.WAV" is a wave file whatever its letter case.
std::unique_ptr<SoundTrack> Audio::openSoundTrack(const std::string& path) {
    EngineStream* stream = engine_.openSoundTrack(path.c_str());
    if (stream == nullptr) return nullptr;
    auto track = std::make_unique<MovieSoundTrack>(*this, stream);
    soundTracks_.insert(track.get());
    return track;
}

MovieSoundTrack::~MovieSoundTrack() {
    if (audio_ == nullptr) return;
    audio_->engine().closeStream(stream_);
    audio_->forgetSoundTrack(this);
}

void MovieSoundTrack::start() {
    if (audio_ != nullptr) audio_->engine().playStream(kAnyVoice, stream_);
}

MusicTrack* Audio::openMusic(const std::string& file, int32_t mode) {
    const std::string path = hostPath(file.c_str());
    if (!namesStream(file)) {
        if (EngineMusic* music = engine_.loadMusic(path.c_str())) {
            auto* channel = keep(std::make_unique<MusicChannel>(engine_, music));
            channel->restart();
            return channel;
        }
    }
    EngineStream* stream = engine_.openStream(path.c_str(), mode, 0);
    if (stream == nullptr) return nullptr;
    auto* channel = keep(std::make_unique<StreamChannel>(*this, stream));
    channel->restart();
    return channel;
}

Channel* Audio::playCdTrack(int32_t track, int32_t mode) {
    engine_.stopCd(0);
    engine_.setCdPlayMode(0, mode == 2 ? 2 : mode == 3 ? 0 : 1);
    engine_.playCdTrack(0, track);
    return cd_;
}

SampleChannel* Audio::idleSampleChannel() {
    for (SampleChannel* channel : pool_) {
        if (!channel->isPlaying()) return channel;
    }
    return nullptr;
}

SampleChannel* Audio::newSampleChannel() {
    SampleChannel* channel = keep(std::make_unique<SampleChannel>(*this));
    pool_.push_back(channel);
    return channel;
}

void Audio::claimVoice(int32_t voice, const Channel* channel) {
    if (voice >= 0 && voice < static_cast<int32_t>(voiceOwners_.size())) voiceOwners_[static_cast<size_t>(voice)] = channel;
}

bool Audio::ownsVoice(int32_t voice, const Channel* channel) const {
    return voice >= 0 && voice < static_cast<int32_t>(voiceOwners_.size()) && voiceOwners_[static_cast<size_t>(voice)] == channel;
}

}  // namespace korva
