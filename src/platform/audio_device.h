// The program's audio object as the PlatformRuntime holds it. The audio
// module makes it (openAudio) and the PlatformRuntime destroys it
// (closeAudio, or when the runtime closes with it still open); nothing else
// about it is known here.
#pragma once

#include <memory>

namespace korva {

class AudioDevice {
public:
    // Stops every sound and closes the sound engine.
    virtual ~AudioDevice() = default;
};

// Makes the audio object; `window` is the runtime window's opaque handle, for
// an engine that ties its output to a window. Null when no engine starts.
using AudioDeviceFactory = std::unique_ptr<AudioDevice> (*)(void* window);

}  // namespace korva
