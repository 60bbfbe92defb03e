// The object model programs see: the Audio object (one per run, made through
// the PlatformRuntime), Sound handles and the four kinds of Channel, all over
// the sound engine. Program thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "audio/sound_engine.h"
#include "platform/audio_device.h"

namespace korva {

class Audio;

// Unit conversions of the commands, by truncation toward zero in single
// precision. A value with no 32-bit integer (NaN, an infinity, out of range)
// gives the processor's "integer indefinite", INT32_MIN.
int32_t volumeUnits(float volume);  // 0 ... 1 -> 0 ... 255
int32_t panUnits(float pan);        // -1 ... 1 -> 0 ... 255 (127 centre)

// What a program holds as a channel handle. The virtual operations are in
// this order on purpose (slot order).
class Channel {
public:
    virtual ~Channel() = default;
    virtual void stop() = 0;
    virtual void setPaused(bool paused) = 0;
    virtual void setPitch(int32_t frequency) = 0;
    virtual void setVolume(float volume) = 0;
    virtual void setPan(float pan) = 0;
    virtual void set3DAttributes(const float* position, const float* velocity) = 0;
    virtual bool isPlaying() = 0;
};

// The channels PlayMusic hands out, which a second PlayMusic of the same
// file starts again.
class MusicTrack : public Channel {
public:
    virtual void restart() = 0;
};

// A channel whose sound plays on an engine voice. Once another sound has
// taken the voice the channel is silent: it no longer plays and its setters
// do nothing; so do they while it has no voice (-1).
template <class Base>
class VoiceChannel : public Base {
public:
    explicit VoiceChannel(Audio& audio) : audio_(audio) {}
    void setPaused(bool paused) override;
    void setPitch(int32_t frequency) override;
    void setVolume(float volume) override;
    void setPan(float pan) override;
    void set3DAttributes(const float* position, const float* velocity) override;
    bool isPlaying() override;

protected:
    // The voice the channel's sound now plays on, or -1.
    void attach(int32_t voice);
    bool ownsVoice() const;
    Audio& audio_;
    int32_t voice_ = -1;
};

class SampleChannel final : public VoiceChannel<Channel> {
public:
    using VoiceChannel::VoiceChannel;
    using VoiceChannel::attach;
    void stop() override;
};

// A streamed file.
class StreamChannel final : public VoiceChannel<MusicTrack> {
public:
    StreamChannel(Audio& audio, EngineStream* stream) : VoiceChannel(audio), stream_(stream) {}
    ~StreamChannel() override;
    void stop() override;
    void restart() override;

private:
    EngineStream* stream_;
};

// A tracker module or MIDI file.
class MusicChannel final : public MusicTrack {
public:
    MusicChannel(SoundEngine& engine, EngineMusic* music) : engine_(engine), music_(music) {}
    ~MusicChannel() override;
    void stop() override;
    void setPaused(bool paused) override;
    void setPitch(int32_t frequency) override;
    void setVolume(float volume) override;
    void setPan(float pan) override;
    void set3DAttributes(const float* position, const float* velocity) override;
    bool isPlaying() override;
    void restart() override;

private:
    SoundEngine& engine_;
    EngineMusic* music_;
};

// CD drive 0.
class CdChannel final : public Channel {
public:
    explicit CdChannel(SoundEngine& engine) : engine_(engine) {}
    void stop() override;
    void setPaused(bool paused) override;
    void setPitch(int32_t frequency) override;
    void setVolume(float volume) override;
    void setPan(float pan) override;
    void set3DAttributes(const float* position, const float* velocity) override;
    bool isPlaying() override;

private:
    SoundEngine& engine_;
};

// A movie's sound, a stream of the engine's that plays once.
class MovieSoundTrack final : public SoundTrack {
public:
    MovieSoundTrack(Audio& audio, EngineStream* stream) : audio_(&audio), stream_(stream) {}
    ~MovieSoundTrack() override;
    void start() override;
    // The audio object is going, and its engine with every stream.
    void detach() { audio_ = nullptr; }

private:
    Audio* audio_;
    EngineStream* stream_;
};

class Sound {
public:
    Sound(Audio& audio, EngineSample* sample);
    ~Sound();  // frees the engine sample
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    void setLoop(bool loop);
    void setPitch(int32_t frequency);
    void setVolume(float volume);
    void setPan(float pan);
    // None when no voice is free for it.
    SampleChannel* play();

    Audio& audio;
    bool defaultsApplied = true;
    int32_t frequency, volume, pan, priority;  // the defaults of its next play
    EngineSample* const sample;
};

class Audio final : public AudioDevice {
public:
    // What the PlatformRuntime's openAudio calls: initialises the engine for
    // the window at 44100 Hz with 32 voices; null when that fails.
    static std::unique_ptr<AudioDevice> open(void* window);
    // Destroys every channel (last made first) and every sound, closes the engine.
    ~Audio() override;

    SoundEngine& engine() { return engine_; }

    // file: as the program wrote it. None when the engine cannot load it.
    Sound* loadSound(const std::string& file, bool threeD);
    void freeSound(Sound* sound);
    bool verifySound(const Sound* sound) const { return sounds_.count(const_cast<Sound*>(sound)) != 0; }
    // The channel of the file's stream, module or MIDI music: the same one,
    // restarted, for every later call with the same name. None when the file
    // cannot be played.
    Channel* playMusic(const std::string& file, int32_t mode);
    // Always the CD channel.
    Channel* playCdTrack(int32_t track, int32_t mode);
    // path: as the system names it.
    std::unique_ptr<SoundTrack> openSoundTrack(const std::string& path) override;
    void forgetSoundTrack(MovieSoundTrack* track) { soundTracks_.erase(track); }

    // A pooled sample channel whose sound has ended, or null.
    SampleChannel* idleSampleChannel();
    SampleChannel* newSampleChannel();
    // Which channel last started a sound on each voice.
    void claimVoice(int32_t voice, const Channel* channel);
    bool ownsVoice(int32_t voice, const Channel* channel) const;

private:
    Audio() = default;
    template <class Made>
    Made* keep(std::unique_ptr<Made> channel);
    MusicTrack* openMusic(const std::string& file, int32_t mode);

    SoundEngine engine_;
    CdChannel* cd_ = nullptr;
    std::vector<std::unique_ptr<Channel>> channels_;
    std::vector<SampleChannel*> pool_;
    std::map<std::string, MusicTrack*> streams_;
    std::set<Sound*> sounds_;
    std::vector<const Channel*> voiceOwners_;
    std::set<MovieSoundTrack*> soundTracks_;  // told when the audio object goes
};

}  // namespace korva
