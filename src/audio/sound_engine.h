// The sound engine: our own mixer on SDL audio (or a headless output when no
// device opens), samples decoded whole with libsndfile, streams decoded with
// FFmpeg while they play, tracker modules through libopenmpt, MIDI files
// through FluidSynth with a General MIDI soundfont, and a CD drive that
// accepts every request and plays nothing (there is none).
//
// The audio commands are its only caller, all on the program thread. Its
// threads of its own (the output's and one decoder thread) never call back.
// Handles are opaque; "none" is a null handle. Voices are numbered from 0;
// a negative voice number means failure. Every operation on a closed engine,
// a null handle or a voice out of range does nothing (or returns none, -1,
// false).
#pragma once

#include <cstdint>
#include <memory>

namespace korva {

struct EngineSample;
struct EngineStream;
struct EngineMusic;

// Sample load modes (the 3D mode is accepted; there is no 3D listener, so it
// plays as a plain sample).
constexpr int32_t kSampleMode2D = 0x2000;
constexpr int32_t kSampleMode3D = 0x40000;
// Sample loop modes.
constexpr int32_t kLoopOff = 1;
constexpr int32_t kLoopNormal = 2;
// Stream mode bit: play the stream over and over; without it a stream plays once.
constexpr int32_t kStreamLoop = 2;
// Any free voice or sample slot.
constexpr int32_t kAnyVoice = -1;
constexpr int32_t kAnySlot = -1;

struct SampleDefaults {
    int32_t frequency;  // Hz
    int32_t volume;     // 0 ... 255
    int32_t pan;        // 0 left ... 127 centre ... 255 right
    int32_t priority;   // 0 ... 255; a busy engine gives a higher one the voice of the lowest
};

class SoundEngine {
public:
    SoundEngine();
    ~SoundEngine();  // closes
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // The window the sound belongs to. SDL audio is not tied to a window,
    // so it is only kept.
    void setOutputWindow(void* window);
    // Starts mixing at mixRate Hz with `channels` voices (1 ... 48) and the
    // output: the sound device, or the headless output when none opens.
    // Flags are reserved (1 is the usual value). False when already
    // initialised or the arguments are impossible.
    bool initialise(int32_t mixRate, int32_t channels, int32_t flags);
    // Stops the output and frees every sample, stream and music.
    void close();

    // Samples. slot: kAnySlot (samples are not kept in fixed slots, so any
    // value takes a new one); mode: kSampleMode2D or kSampleMode3D; offset:
    // bytes before the sound in the file.
    EngineSample* loadSample(int32_t slot, const char* file, int32_t mode, int32_t offset);
    // Stops the voices playing it first.
    void freeSample(EngineSample* sample);
    SampleDefaults sampleDefaults(const EngineSample* sample) const;
    // What the next play of the sample starts with.
    void setSampleDefaults(EngineSample* sample, int32_t frequency, int32_t volume, int32_t pan, int32_t priority);
    // kLoopNormal or kLoopOff, from the next play on.
    void setSampleLoopMode(EngineSample* sample, int32_t mode);
    // On voice `voice`, or with kAnyVoice on a free one, else on the voice of
    // the lowest priority below the sample's. The voice number, or -1.
    int32_t playSample(int32_t voice, EngineSample* sample);

    // Voices. Frequencies are clamped to 0 ... 64 times the mixing rate (0
    // holds the position), volume and pan to 0 ... 255.
    void stopVoice(int32_t voice);
    void setVoicePaused(int32_t voice, bool paused);
    void setVoiceFrequency(int32_t voice, int32_t frequency);
    void setVoiceVolume(int32_t voice, int32_t volume);
    void setVoicePan(int32_t voice, int32_t pan);
    // Kept; no 3D listener hears it.
    void setVoice3DAttributes(int32_t voice, const float* position, const float* velocity);
    // True from the start until the voice is stopped, its sound ends or
    // another takes the voice; a paused voice is playing.
    bool voicePlaying(int32_t voice);

    // Streams: files decoded while they play. mode: kStreamLoop or 0;
    // offset: bytes before the sound in the file. None when nothing in the
    // file decodes as sound.
    EngineStream* openStream(const char* file, int32_t mode, int32_t offset);
    // The sound of a movie file as a stream that plays once: its best audio
    // stream, in any container a movie may be. None when it has no sound
    // that decodes.
    EngineStream* openSoundTrack(const char* file);
    // From its start, on voice `voice` or a free one (streams take voices
    // before samples). The voice number, or -1.
    int32_t playStream(int32_t voice, EngineStream* stream);
    void stopStream(EngineStream* stream);
    void closeStream(EngineStream* stream);

    // Music: tracker modules (MOD, S3M, XM, IT and what else libopenmpt
    // reads) and standard MIDI files. Each plays once from its start; none
    // when the file is neither.
    EngineMusic* loadMusic(const char* file);
    void playMusic(EngineMusic* music);
    void stopMusic(EngineMusic* music);
    void freeMusic(EngineMusic* music);
    void setMusicPaused(EngineMusic* music, bool paused);
    void setMusicMasterVolume(EngineMusic* music, int32_t volume);
    // True before it plays, after a stop and once it has played to its end.
    bool musicFinished(EngineMusic* music);

    // CD drive `drive`: every request is accepted and remembered; nothing plays.
    // Play modes: 0 one track, 1 from the track to the end, 2 the track looped.
    void playCdTrack(int32_t drive, int32_t track);
    void stopCd(int32_t drive);
    void setCdPlayMode(int32_t drive, int32_t mode);
    void setCdPaused(int32_t drive, bool paused);
    void setCdVolume(int32_t drive, int32_t volume);
    struct CdState {
        int32_t track = 0, mode = 1, volume = 255;
        bool playing = false, paused = false;
    };
    CdState cdState(int32_t drive) const;

    // The output: its driver and the frames it takes per render (0 when closed).
    const char* outputDriver() const;
    int32_t outputBufferFrames() const;

private:
    EngineStream* openDecodedStream(const char* file, int32_t offset, const char* containers, bool loop);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace korva
