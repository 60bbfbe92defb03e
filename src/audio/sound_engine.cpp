#include "audio/sound_engine.h"

#include <algorithm>
#include <new>
#include <set>
#include <vector>

#include "audio/audio_output.h"
#include "audio/decoder_thread.h"
#include "audio/mixer.h"
#include "audio/pcm_producers.h"
#include "audio/pcm_source.h"
#include "audio/sample_file.h"

namespace korva {

struct EngineSample {
    std::unique_ptr<SampleData> data;
    SampleDefaults defaults;
    int32_t loopMode = kLoopOff;
    uint32_t lastTicket = 0;  // the mixer's ticket after the last command that named it
};

// A sound decoded while it plays: a stream or a music.
struct SourceSound {
    virtual ~SourceSound() = default;
    std::unique_ptr<PcmSource> source;
    int32_t voice = -1;
};

struct EngineStream final : SourceSound {};

struct EngineMusic final : SourceSound {
    int32_t volume = 255;
    bool paused = false;
};

namespace {

constexpr int32_t kMusicVoices = 16;           // behind the program's voices, one per playing music
constexpr int32_t kStreamPriority = 256;       // above every sample's
constexpr int32_t kBufferFrames = 512;         // 11.6 ms at 44100 Hz
constexpr int32_t kMaxChannels = Mixer::kMaxVoices - kMusicVoices;

int32_t clampVolume(int32_t value) { return std::clamp(value, 0, 255); }

}  // namespace

struct SoundEngine::State {
    struct VoiceSlot {
        bool busy = false;
        uint32_t generation = 0;
        int32_t priority = 0;
        const void* owner = nullptr;  // the sample, stream or music it plays
        EngineSample* sample = nullptr;  // the owner, when it is a sample
    };
    // Something freed while the mixer may still read it; deleted once the
    // mixer has passed the ticket.
    struct Retired {
        uint32_t ticket;
        std::unique_ptr<EngineSample> sample;
        std::unique_ptr<SourceSound> sound;
    };

    void* window = nullptr;
    int32_t channels = 0;
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<AudioOutput> output;
    std::unique_ptr<DecoderThread> decoder;
    std::vector<VoiceSlot> voices;
    uint32_t generations = 0;
    std::set<EngineSample*> samples;
    std::set<EngineStream*> streams;
    std::set<EngineMusic*> musics;
    std::vector<Retired> retired;
    CdState cd;

    bool open() const { return mixer != nullptr; }

    bool busy(int32_t voice) {
        VoiceSlot& slot = voices[static_cast<size_t>(voice)];
        if (slot.busy && mixer->endedGeneration(voice) == slot.generation) slot = VoiceSlot{};
        return slot.busy;
    }

    bool owns(int32_t voice, const void* owner) { return voice >= 0 && busy(voice) && voices[static_cast<size_t>(voice)].owner == owner; }

    // A free voice among [first, first + count), or the one of the lowest
    // priority when it is below `priority`; -1 when there is none.
    int32_t chooseVoice(int32_t first, int32_t count, int32_t priority) {
        int32_t lowest = -1;
        for (int32_t v = first; v < first + count; ++v) {
            if (!busy(v)) return v;
            if (lowest < 0 || voices[static_cast<size_t>(v)].priority < voices[static_cast<size_t>(lowest)].priority) lowest = v;
        }
        return lowest >= 0 && voices[static_cast<size_t>(lowest)].priority < priority ? lowest : -1;
    }

    int32_t voiceFor(int32_t wanted, int32_t priority) {
        if (wanted == kAnyVoice) return chooseVoice(0, channels, priority);
        return wanted >= 0 && wanted < channels ? wanted : -1;
    }

    // Takes the voice for a new start. A sample it played until now may be
    // read by the mixer until the start has taken effect; `displaced` tells
    // which, for noteStart.
    uint32_t claim(int32_t voice, int32_t priority, const void* owner, EngineSample* sample, EngineSample*& displaced) {
        VoiceSlot& slot = voices[static_cast<size_t>(voice)];
        displaced = busy(voice) ? slot.sample : nullptr;
        const uint32_t generation = ++generations == 0 ? ++generations : generations;
        slot = {true, generation, priority, owner, sample};
        return generation;
    }

    // After a start command: neither the new sample nor a displaced one may
    // be deleted before the mixer has applied it.
    void noteStart(EngineSample* sample, EngineSample* displaced) {
        if (sample != nullptr) sample->lastTicket = mixer->ticket();
        if (displaced != nullptr) displaced->lastTicket = mixer->ticket();
    }

    // True if the voice was the owner's and has been stopped.
    bool release(int32_t voice, const void* owner) {
        if (!owns(voice, owner)) return false;
        mixer->stop(voice);
        voices[static_cast<size_t>(voice)] = VoiceSlot{};
        return true;
    }

    bool owns(const SourceSound& sound) { return owns(sound.voice, &sound); }
    void release(const SourceSound& sound) { release(sound.voice, &sound); }

    void releaseAll(EngineSample* sample) {
        for (int32_t v = 0; v < channels; ++v) {
            if (release(v, sample)) sample->lastTicket = mixer->ticket();
        }
    }

    // Plays the sound from its start on `voice` (none when negative).
    void startSource(SourceSound& sound, int32_t voice, int32_t priority, int32_t volume) {
        sound.voice = voice;
        if (voice < 0) return;
        const uint32_t epoch = sound.source->requestStart();
        decoder->wake();
        EngineSample* displaced;
        mixer->startSource(voice, claim(voice, priority, &sound, nullptr, displaced), sound.source.get(), epoch,
                           {sound.source->rate(), volume, 127});
        noteStart(nullptr, displaced);
    }

    // A stream or music over a new source from what `produce` opens, known
    // to the decoder thread; null when it opens nothing or memory runs out.
    template <class Kind, class Produce>
    Kind* adopt(Produce produce, bool loop, std::set<Kind*>& kept) {
        collectRetired();
        try {
            std::unique_ptr<PcmProducer> producer = produce();
            if (producer == nullptr) return nullptr;
            auto sound = std::make_unique<Kind>();
            sound->source = std::make_unique<PcmSource>(std::move(producer), loop);
            decoderThread().add(sound->source.get());
            kept.insert(sound.get());
            return sound.release();
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    void stopSource(SourceSound& sound) {
        release(sound);
        sound.voice = -1;
        sound.source->requestStop();
    }

    template <class Kind>
    void closeSource(Kind* sound, std::set<Kind*>& kept) {
        stopSource(*sound);
        decoder->remove(sound->source.get());
        kept.erase(sound);
        retire({0, nullptr, std::unique_ptr<SourceSound>(sound)});
    }

    DecoderThread& decoderThread() {
        if (decoder == nullptr) decoder = std::make_unique<DecoderThread>();
        return *decoder;
    }

    void retire(Retired item) {
        item.ticket = mixer->ticket();
        retired.push_back(std::move(item));
    }

    void collectRetired() {
        std::erase_if(retired, [this](const Retired& item) { return mixer->passed(item.ticket); });
    }
};

SoundEngine::SoundEngine() : state_(std::make_unique<State>()) {}

SoundEngine::~SoundEngine() { close(); }

void SoundEngine::setOutputWindow(void* window) { state_->window = window; }

bool SoundEngine::initialise(int32_t mixRate, int32_t channels, int32_t /*flags*/) {
    State& s = *state_;
    if (s.open() || mixRate < 8000 || mixRate > 192000 || channels < 1 || channels > kMaxChannels) return false;
    try {
        s.mixer = std::make_unique<Mixer>(mixRate, channels + kMusicVoices);
        s.voices.assign(static_cast<size_t>(channels + kMusicVoices), {});
        s.channels = channels;
        s.output = openSdlAudioOutput(*s.mixer, kBufferFrames);
        if (s.output == nullptr) s.output = openNullAudioOutput(*s.mixer, kBufferFrames);
        return true;
    } catch (const std::exception&) {
        s.output.reset();
        s.mixer.reset();
        return false;
    }
}

void SoundEngine::close() {
    State& s = *state_;
    if (!s.open()) return;
    s.output.reset();   // the mixer reads nothing from here on
    s.decoder.reset();  // nor does the decoder
    for (EngineSample* sample : s.samples) delete sample;
    for (EngineStream* stream : s.streams) delete stream;
    for (EngineMusic* music : s.musics) delete music;
    s.samples.clear();
    s.streams.clear();
    s.musics.clear();
    s.retired.clear();
    s.voices.clear();
    s.mixer.reset();
    s.cd = CdState{};
}

EngineSample* SoundEngine::loadSample(int32_t /*slot*/, const char* file, int32_t /*mode*/, int32_t offset) {
    State& s = *state_;
    if (!s.open() || file == nullptr) return nullptr;
    s.collectRetired();
    std::unique_ptr<SampleData> data = loadSampleFile(file, offset);
    if (data == nullptr) return nullptr;
    try {
        auto sample = std::make_unique<EngineSample>();
        sample->defaults = {data->rate, 255, 127, 128};
        sample->data = std::move(data);
        s.samples.insert(sample.get());
        return sample.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void SoundEngine::freeSample(EngineSample* sample) {
    State& s = *state_;
    if (!s.open() || s.samples.erase(sample) == 0) return;
    s.releaseAll(sample);
    // A sample no render can still be reading goes at once.
    if (s.mixer->passed(sample->lastTicket))
        delete sample;
    else
        s.retire({0, std::unique_ptr<EngineSample>(sample), nullptr});
}

SampleDefaults SoundEngine::sampleDefaults(const EngineSample* sample) const {
    if (sample == nullptr) return {0, 0, 0, 0};
    return sample->defaults;
}

void SoundEngine::setSampleDefaults(EngineSample* sample, int32_t frequency, int32_t volume, int32_t pan, int32_t priority) {
    if (sample == nullptr) return;
    sample->defaults = {frequency, clampVolume(volume), clampVolume(pan), clampVolume(priority)};
}

void SoundEngine::setSampleLoopMode(EngineSample* sample, int32_t mode) {
    if (sample != nullptr) sample->loopMode = mode;
}

int32_t SoundEngine::playSample(int32_t voice, EngineSample* sample) {
    State& s = *state_;
    if (!s.open() || sample == nullptr) return -1;
    s.collectRetired();
    const SampleDefaults& d = sample->defaults;
    const int32_t chosen = s.voiceFor(voice, d.priority);
    if (chosen < 0) return -1;
    EngineSample* displaced;
    s.mixer->startSample(chosen, s.claim(chosen, d.priority, sample, sample, displaced), sample->data.get(),
                         sample->loopMode == kLoopNormal, {d.frequency, d.volume, d.pan});
    s.noteStart(sample, displaced);
    return chosen;
}

void SoundEngine::stopVoice(int32_t voice) {
    State& s = *state_;
    if (!s.open() || voice < 0 || voice >= s.channels) return;
    if (s.busy(voice)) s.release(voice, s.voices[static_cast<size_t>(voice)].owner);
}

void SoundEngine::setVoicePaused(int32_t voice, bool paused) {
    State& s = *state_;
    if (s.open() && voice >= 0 && voice < s.channels) s.mixer->setPaused(voice, paused);
}

void SoundEngine::setVoiceFrequency(int32_t voice, int32_t frequency) {
    State& s = *state_;
    if (s.open() && voice >= 0 && voice < s.channels) s.mixer->setFrequency(voice, frequency);
}

void SoundEngine::setVoiceVolume(int32_t voice, int32_t volume) {
    State& s = *state_;
    if (s.open() && voice >= 0 && voice < s.channels) s.mixer->setVolume(voice, clampVolume(volume));
}

void SoundEngine::setVoicePan(int32_t voice, int32_t pan) {
    State& s = *state_;
    if (s.open() && voice >= 0 && voice < s.channels) s.mixer->setPan(voice, clampVolume(pan));
}

void SoundEngine::setVoice3DAttributes(int32_t /*voice*/, const float* /*position*/, const float* /*velocity*/) {}

bool SoundEngine::voicePlaying(int32_t voice) {
    State& s = *state_;
    return s.open() && voice >= 0 && voice < s.channels && s.busy(voice);
}

EngineStream* SoundEngine::openStream(const char* file, int32_t mode, int32_t offset) {
    return openDecodedStream(file, offset, kSoundContainers, (mode & kStreamLoop) != 0);
}

EngineStream* SoundEngine::openSoundTrack(const char* file) { return openDecodedStream(file, 0, kMovieContainers, false); }

EngineStream* SoundEngine::openDecodedStream(const char* file, int32_t offset, const char* containers, bool loop) {
    State& s = *state_;
    if (!s.open() || file == nullptr) return nullptr;
    return s.adopt([&] { return openStreamDecoder(file, offset, containers); }, loop, s.streams);
}

int32_t SoundEngine::playStream(int32_t voice, EngineStream* stream) {
    State& s = *state_;
    if (!s.open() || s.streams.count(stream) == 0) return -1;
    s.release(*stream);
    s.startSource(*stream, s.voiceFor(voice, kStreamPriority), kStreamPriority, 255);
    return stream->voice;
}

void SoundEngine::stopStream(EngineStream* stream) {
    State& s = *state_;
    if (s.open() && s.streams.count(stream) != 0) s.stopSource(*stream);
}

void SoundEngine::closeStream(EngineStream* stream) {
    State& s = *state_;
    if (s.open() && s.streams.count(stream) != 0) s.closeSource(stream, s.streams);
}

EngineMusic* SoundEngine::loadMusic(const char* file) {
    State& s = *state_;
    if (!s.open() || file == nullptr) return nullptr;
    const int32_t rate = s.mixer->outputRate();
    return s.adopt([&] { return looksLikeMidi(file) ? openMidiFile(file, rate) : openTrackerModule(file, rate); },
                   false, s.musics);
}

void SoundEngine::playMusic(EngineMusic* music) {
    State& s = *state_;
    if (!s.open() || s.musics.count(music) == 0) return;
    s.release(*music);
    music->paused = false;
    s.startSource(*music, s.chooseVoice(s.channels, kMusicVoices, 0), 0, music->volume);
}

void SoundEngine::stopMusic(EngineMusic* music) {
    State& s = *state_;
    if (s.open() && s.musics.count(music) != 0) s.stopSource(*music);
}

void SoundEngine::freeMusic(EngineMusic* music) {
    State& s = *state_;
    if (s.open() && s.musics.count(music) != 0) s.closeSource(music, s.musics);
}

void SoundEngine::setMusicPaused(EngineMusic* music, bool paused) {
    State& s = *state_;
    if (!s.open() || s.musics.count(music) == 0) return;
    music->paused = paused;
    if (s.owns(*music)) s.mixer->setPaused(music->voice, paused);
}

void SoundEngine::setMusicMasterVolume(EngineMusic* music, int32_t volume) {
    State& s = *state_;
    if (!s.open() || s.musics.count(music) == 0) return;
    music->volume = clampVolume(volume);
    if (s.owns(*music)) s.mixer->setVolume(music->voice, music->volume);
}

bool SoundEngine::musicFinished(EngineMusic* music) {
    State& s = *state_;
    if (!s.open() || s.musics.count(music) == 0) return true;
    return !s.owns(*music);
}

void SoundEngine::playCdTrack(int32_t drive, int32_t track) {
    if (drive != 0 || !state_->open()) return;
    state_->cd.track = track;
    state_->cd.playing = true;
    state_->cd.paused = false;
}

void SoundEngine::stopCd(int32_t drive) {
    if (drive == 0) state_->cd.playing = false;
}

void SoundEngine::setCdPlayMode(int32_t drive, int32_t mode) {
    if (drive == 0) state_->cd.mode = mode;
}

void SoundEngine::setCdPaused(int32_t drive, bool paused) {
    if (drive == 0) state_->cd.paused = paused;
}

void SoundEngine::setCdVolume(int32_t drive, int32_t volume) {
    if (drive == 0) state_->cd.volume = clampVolume(volume);
}

SoundEngine::CdState SoundEngine::cdState(int32_t drive) const { return drive == 0 ? state_->cd : CdState{}; }

const char* SoundEngine::outputDriver() const { return state_->output != nullptr ? state_->output->driverName() : ""; }

int32_t SoundEngine::outputBufferFrames() const { return state_->output != nullptr ? state_->output->bufferFrames() : 0; }

}  // namespace korva
