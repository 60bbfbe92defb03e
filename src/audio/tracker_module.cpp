// Tracker modules through libopenmpt, rendered on the decoder thread.
#include <libopenmpt/libopenmpt.h>

#include "audio/file_bytes.h"
#include "audio/pcm_producers.h"

namespace korva {
namespace {

constexpr size_t kMaxModuleBytes = size_t{64} << 20;

class TrackerModule final : public PcmProducer {
public:
    TrackerModule(openmpt_module* module, int32_t rate) : module_(module), rate_(rate) {}
    ~TrackerModule() override { openmpt_module_destroy(module_); }

    int32_t rate() const override { return rate_; }

    int32_t render(StereoFrame* frames, int32_t count) override {
        return static_cast<int32_t>(openmpt_module_read_interleaved_stereo(module_, rate_, static_cast<size_t>(count), &frames->left));
    }

    bool rewind() override {
        openmpt_module_set_position_seconds(module_, 0.0);
        return true;
    }

private:
    openmpt_module* module_;
    int32_t rate_;
};

}  // namespace

std::unique_ptr<PcmProducer> openTrackerModule(const std::string& path, int32_t rate) {
    const auto bytes = readFileBytes(path, kMaxModuleBytes);
    if (!bytes || bytes->empty()) return nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(bytes->data(), bytes->size(), openmpt_log_func_silent, nullptr,
                                                                openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (module == nullptr) return nullptr;
    openmpt_module_set_repeat_count(module, 0);  // once through the song
    return std::make_unique<TrackerModule>(module, rate);
}

}  // namespace korva
