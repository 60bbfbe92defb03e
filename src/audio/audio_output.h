// Where the mixed sound goes. The sound engine opens one output when it is
// initialised; the output calls Mixer::render from a thread of its own, in
// time with the sound it plays, until it is destroyed.
#pragma once

#include <cstdint>
#include <memory>

namespace korva {

class Mixer;

class AudioOutput {
public:
    // Stops rendering: once it returns, render is not running and not called again.
    virtual ~AudioOutput() = default;
    // Frames the output takes per render call; its share of the latency.
    virtual int32_t bufferFrames() const = 0;
    // The name of the driver playing the sound ("pulseaudio", "disk", "null", ...).
    virtual const char* driverName() const = 0;
};

// The sound device through SDL at the mixer's rate, 16-bit stereo (SDL
// converts to whatever the device takes). Null when no device opens,
// including under a driver named by SDL_AUDIODRIVER that is not there.
std::unique_ptr<AudioOutput> openSdlAudioOutput(Mixer& mixer, int32_t bufferFrames);
// No device: renders in real time on a thread of its own and drops the sound,
// so that playing, ending and streaming behave as with a device.
std::unique_ptr<AudioOutput> openNullAudioOutput(Mixer& mixer, int32_t bufferFrames);

}  // namespace korva
