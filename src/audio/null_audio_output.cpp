#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/mixer.h"

namespace korva {
namespace {

class NullAudioOutput final : public AudioOutput {
public:
    NullAudioOutput(Mixer& mixer, int32_t frames) : mixer_(mixer), frames_(frames), thread_([this] { run(); }) {}

    ~NullAudioOutput() override {
        running_ = false;
        thread_.join();
    }

    int32_t bufferFrames() const override { return frames_; }
    const char* driverName() const override { return "null"; }

private:
    void run() {
        std::vector<int16_t> buffer(static_cast<size_t>(frames_) * 2);
        const auto period = std::chrono::microseconds(int64_t{frames_} * 1000000 / mixer_.outputRate());
        auto next = std::chrono::steady_clock::now();
        while (running_) {
            mixer_.render(buffer.data(), frames_);
            next += period;
            // After a stall (a suspended machine) keep time from now on
            // rather than rendering the missed time all at once.
            const auto now = std::chrono::steady_clock::now();
            if (next < now - period * 4) next = now;
            std::this_thread::sleep_until(next);
        }
    }

    Mixer& mixer_;
    const int32_t frames_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioOutput> openNullAudioOutput(Mixer& mixer, int32_t bufferFrames) {
    return std::make_unique<NullAudioOutput>(mixer, bufferFrames);
}

}  // namespace korva
