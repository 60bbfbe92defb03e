// The program's audio object as the PlatformRuntime holds it. The audio
// module makes it (openAudio) and the PlatformRuntime destroys it
// (closeAudio, or when the runtime closes with it still open). Beyond its
// life, all that is known of it here is what movies ask of it: their sound.
#pragma once

#include <memory>
#include <string>

namespace korva {

// A movie's sound track on the sound engine, ready to play. The audio object
// may go before the movie holding it (the audio module stops before the
// graphics module): the track then falls silent, and destroying it
// afterwards is safe. Program thread only.
class SoundTrack {
public:
    // Stops it.
    virtual ~SoundTrack() = default;
    // Plays it once from its start.
    virtual void start() = 0;
};

class AudioDevice {
public:
    // Stops every sound and closes the sound engine.
    virtual ~AudioDevice() = default;
    // The sound of a movie file (its best audio stream), not yet playing;
    // null when it has none that decodes.
    virtual std::unique_ptr<SoundTrack> openSoundTrack(const std::string& path) = 0;
};

// Makes the audio object; `window` is the runtime window's opaque handle, for
// an engine that ties its output to a window. Null when no engine starts.
using AudioDeviceFactory = std::unique_ptr<AudioDevice> (*)(void* window);

}  // namespace korva
