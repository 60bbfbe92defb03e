#include <SDL.h>

#include "audio/audio_output.h"
#include "audio/mixer.h"

namespace korva {
namespace {

class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput(SDL_AudioDeviceID device, int32_t frames) : device_(device), frames_(frames) {}

    ~SdlAudioOutput() override {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    int32_t bufferFrames() const override { return frames_; }
    const char* driverName() const override {
        const char* name = SDL_GetCurrentAudioDriver();
        return name != nullptr ? name : "";
    }

    static void SDLCALL callback(void* mixer, Uint8* stream, int bytes) {
        static_cast<Mixer*>(mixer)->render(reinterpret_cast<int16_t*>(stream), bytes / 4);
    }

private:
    SDL_AudioDeviceID device_;
    int32_t frames_;
};

}  // namespace

std::unique_ptr<AudioOutput> openSdlAudioOutput(Mixer& mixer, int32_t bufferFrames) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
    SDL_AudioSpec wanted{};
    wanted.freq = mixer.outputRate();
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = SdlAudioOutput::callback;
    wanted.userdata = &mixer;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts our format to the device's own.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    auto output = std::make_unique<SdlAudioOutput>(device, obtained.samples);
    SDL_PauseAudioDevice(device, 0);
    return output;
}

}  // namespace korva
