// The audio commands: sounds, channels, music and CD tracks.
#include "audio/audio.h"
#include "core/handle.h"
#include "core/str_pool.h"
#include "platform/platform_runtime.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

// The run's Audio object; null when no engine started (every command then
// returns 0 and the setters do nothing).
Audio* audio = nullptr;

// The sound behind a handle; checked under the debugger only. Null for
// handle 0, which plays and sets nothing.
Sound* soundOf(int32_t handle) {
    auto* sound = objectOf<Sound>(handle);
    if (debugMode && (audio == nullptr || !audio->verifySound(sound))) raiseRuntimeError("Sound does not exist");
    return sound;
}

// Channel handles are used unchecked; channel 0 is none.
Channel* channelOf(int32_t handle) { return objectOf<Channel>(handle); }

int32_t cmdLoadSound(qyStr* file) {
    const std::string name = strTake(file);
    return audio != nullptr ? handleOf(audio->loadSound(name, false)) : 0;
}

void cmdFreeSound(int32_t handle) {
    auto* sound = objectOf<Sound>(handle);
    if (audio != nullptr && audio->verifySound(sound)) audio->freeSound(sound);
}

void cmdLoopSound(int32_t handle) {
    if (Sound* sound = soundOf(handle)) sound->setLoop(true);
}

void cmdSoundPitch(int32_t handle, int32_t pitch) {
    if (Sound* sound = soundOf(handle)) sound->setPitch(pitch);
}

void cmdSoundVolume(int32_t handle, float volume) {
    if (Sound* sound = soundOf(handle)) sound->setVolume(volume);
}

void cmdSoundPan(int32_t handle, float pan) {
    if (Sound* sound = soundOf(handle)) sound->setPan(pan);
}

int32_t cmdPlaySound(int32_t handle) {
    if (handle == 0) return 0;
    Sound* sound = soundOf(handle);
    return handleOf(sound->play());
}

int32_t cmdPlayMusic(qyStr* file) {
    const std::string name = strTake(file);
    return audio != nullptr ? handleOf(audio->playMusic(name, 0)) : 0;
}

int32_t cmdPlayCDTrack(int32_t track, int32_t mode) { return audio != nullptr ? handleOf(audio->playCdTrack(track, mode)) : 0; }

void cmdStopChannel(int32_t handle) {
    if (Channel* channel = channelOf(handle)) channel->stop();
}

void cmdPauseChannel(int32_t handle) {
    if (Channel* channel = channelOf(handle)) channel->setPaused(true);
}

void cmdResumeChannel(int32_t handle) {
    if (Channel* channel = channelOf(handle)) channel->setPaused(false);
}

void cmdChannelPitch(int32_t handle, int32_t pitch) {
    if (Channel* channel = channelOf(handle)) channel->setPitch(pitch);
}

void cmdChannelVolume(int32_t handle, float volume) {
    if (Channel* channel = channelOf(handle)) channel->setVolume(volume);
}

void cmdChannelPan(int32_t handle, float pan) {
    if (Channel* channel = channelOf(handle)) channel->setPan(pan);
}

int32_t cmdChannelPlaying(int32_t handle) {
    Channel* channel = channelOf(handle);
    return channel != nullptr && channel->isPlaying() ? 1 : 0;
}

const Declaration kAudioDeclarations[] = {
    {"%LoadSound$filename", routine<cmdLoadSound>},
    {"FreeSound%sound", routine<cmdFreeSound>},
    {"LoopSound%sound", routine<cmdLoopSound>},
    {"SoundPitch%sound%pitch", routine<cmdSoundPitch>},
    {"SoundVolume%sound#volume", routine<cmdSoundVolume>},
    {"SoundPan%sound#pan", routine<cmdSoundPan>},
    {"%PlaySound%sound", routine<cmdPlaySound>},
    {"%PlayMusic$midifile", routine<cmdPlayMusic>},
    {"%PlayCDTrack%track%mode=1", routine<cmdPlayCDTrack>},
    {"StopChannel%channel", routine<cmdStopChannel>},
    {"PauseChannel%channel", routine<cmdPauseChannel>},
    {"ResumeChannel%channel", routine<cmdResumeChannel>},
    {"ChannelPitch%channel%pitch", routine<cmdChannelPitch>},
    {"ChannelVolume%channel#volume", routine<cmdChannelVolume>},
    {"ChannelPan%channel#pan", routine<cmdChannelPan>},
    {"%ChannelPlaying%channel", routine<cmdChannelPlaying>},
};

// Always succeeds: a run without a sound engine simply has no sound.
bool audioCreate() {
    audio = static_cast<Audio*>(PlatformRuntime::current()->openAudio(Audio::open));
    return true;
}

void audioDestroy() {
    PlatformRuntime::current()->closeAudio(audio);
    audio = nullptr;
}

}  // namespace

extern const ModuleDefinition audioModule{"audio", kAudioDeclarations, audioCreate, audioDestroy};

}  // namespace korva
