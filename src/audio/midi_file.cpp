// Standard MIDI files played by FluidSynth with the General MIDI soundfont
// that the set-up installs, rendered on the decoder thread.
#include <fluidsynth.h>

#include <cstring>
#include <mutex>

#include "audio/file_bytes.h"
#include "audio/pcm_producers.h"

namespace korva {
namespace {

constexpr size_t kMaxMidiBytes = size_t{16} << 20;
const char* const kSoundfonts[] = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"};

uint32_t bigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

// A variable-length quantity (at most four bytes) at `at`; false past the end.
bool readVariable(const uint8_t* bytes, size_t size, size_t& at, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= size) return false;
        const uint8_t byte = bytes[at++];
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

// Every event of a track lies whole inside it.
bool wellFormedTrack(const uint8_t* bytes, size_t size) {
    size_t at = 0;
    uint8_t running = 0;
    uint32_t value;
    while (at < size) {
        if (!readVariable(bytes, size, at, value) || at >= size) return false;  // delta time
        const uint8_t status = bytes[at];
        if (status == 0xFF) {  // meta event: type, length, data
            at += 2;
            if (at > size || !readVariable(bytes, size, at, value) || value > size - at) return false;
            at += value;
        } else if (status == 0xF0 || status == 0xF7) {  // system exclusive
            ++at;
            if (!readVariable(bytes, size, at, value) || value > size - at) return false;
            at += value;
        } else {
            if (status & 0x80) {
                running = status;
                ++at;
            }
            if (running < 0x80 || running >= 0xF0) return false;
            const size_t dataBytes = (running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0 ? 1 : 2;
            for (size_t i = 0; i < dataBytes; ++i, ++at) {
                if (at >= size || bytes[at] >= 0x80) return false;
            }
        }
    }
    return true;
}

// The header and every track chunk are whole, and so is every event.
bool wellFormedMidi(const std::vector<uint8_t>& file) {
    if (file.size() < 14 || std::memcmp(file.data(), "MThd", 4) != 0) return false;
    const uint32_t headerLength = bigEndian(&file[4], 4);
    const uint32_t tracks = bigEndian(&file[10], 2);
    if (headerLength < 6 || headerLength > file.size() - 8 || bigEndian(&file[8], 2) > 2 || tracks == 0 ||
        bigEndian(&file[12], 2) == 0)
        return false;
    size_t at = 8 + headerLength;
    uint32_t found = 0;
    while (found < tracks) {
        if (file.size() - at < 8) return false;
        const uint32_t length = bigEndian(&file[at + 4], 4);
        if (length > file.size() - at - 8) return false;
        if (std::memcmp(&file[at], "MTrk", 4) == 0) {
            if (!wellFormedTrack(&file[at + 8], length)) return false;
            ++found;
        }
        at += 8 + length;
    }
    return true;
}

const char* installedSoundfont() {
    for (const char* path : kSoundfonts) {
        if (FILE* file = std::fopen(path, "rb")) {
            std::fclose(file);
            return path;
        }
    }
    return nullptr;
}

void silenceFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
    });
}

class MidiFile final : public PcmProducer {
public:
    MidiFile(std::vector<uint8_t> bytes, int32_t rate) : bytes_(std::move(bytes)), rate_(rate) {}

    ~MidiFile() override {
        if (player_ != nullptr) delete_fluid_player(player_);
        if (synth_ != nullptr) delete_fluid_synth(synth_);
        if (settings_ != nullptr) delete_fluid_settings(settings_);
    }

    bool open(const char* soundfont) {
        settings_ = new_fluid_settings();
        if (settings_ == nullptr) return false;
        fluid_settings_setnum(settings_, "synth.sample-rate", rate_);
        // The player advances with the frames rendered, not with the clock.
        fluid_settings_setstr(settings_, "player.timing-source", "sample");
        fluid_settings_setint(settings_, "synth.cpu-cores", 1);
        synth_ = new_fluid_synth(settings_);
        if (synth_ == nullptr || fluid_synth_sfload(synth_, soundfont, 1) == FLUID_FAILED) return false;
        return startPlayer();
    }

    int32_t rate() const override { return rate_; }

    int32_t render(StereoFrame* frames, int32_t count) override {
        if (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return 0;
        if (fluid_synth_write_s16(synth_, count, &frames->left, 0, 2, &frames->right, 0, 2) != FLUID_OK) return 0;
        return count;
    }

    // A fresh player: one that has played to its end does not start again.
    bool rewind() override {
        delete_fluid_player(player_);
        player_ = nullptr;
        fluid_synth_system_reset(synth_);
        return startPlayer();
    }

private:
    bool startPlayer() {
        player_ = new_fluid_player(synth_);
        return player_ != nullptr && fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) == FLUID_OK &&
               fluid_player_play(player_) == FLUID_OK;
    }

    std::vector<uint8_t> bytes_;
    int32_t rate_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
};

}  // namespace

bool looksLikeMidi(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char magic[4] = {};
    const bool midi = std::fread(magic, 1, 4, file) == 4 && std::memcmp(magic, "MThd", 4) == 0;
    std::fclose(file);
    return midi;
}

std::unique_ptr<PcmProducer> openMidiFile(const std::string& path, int32_t rate) {
    auto bytes = readFileBytes(path, kMaxMidiBytes);
    const char* soundfont = installedSoundfont();
    if (!bytes || !wellFormedMidi(*bytes) || soundfont == nullptr) return nullptr;
    silenceFluidSynth();
    auto midi = std::make_unique<MidiFile>(std::move(*bytes), rate);
    if (!midi->open(soundfont)) return nullptr;
    return midi;
}

}  // namespace korva
