// libFuzzer harness for the sound readers (scripts/fuzz audio builds and
// runs it): the input's first byte picks the reader (sample, stream, tracker
// module, MIDI), the rest is the file.
// Each reader must give none or play to an end without a fault or a hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/pcm_producers.h"
#include "audio/sample_file.h"
#include "input_file.h"

namespace {

// Renders at most two seconds, rewinds once and renders a little again.
void playThrough(korva::PcmProducer& producer) {
    std::vector<korva::StereoFrame> block(4096);
    for (int i = 0; i < 22 && producer.render(block.data(), 4096) > 0; ++i) {
    }
    if (producer.rewind()) producer.render(block.data(), 4096);
}

}  // namespace

// One MIDI player kept alive keeps the soundfont's samples in FluidSynth's
// cache, so that each input does not load them again.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const uint8_t midi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
    static std::unique_ptr<korva::PcmProducer> warm = korva::openMidiFile(inputFile(midi, sizeof midi, "warm.mid"), 44100);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t reader = data[0] % 4;
    const char* names[] = {"sample.wav", "stream.ogg", "module.mod", "music.mid"};
    const std::string path = inputFile(data + 1, size - 1, names[reader]);
    switch (reader) {
        case 0:
            korva::loadSampleFile(path, 0);
            break;
        case 1:
            if (auto stream = korva::openStreamDecoder(path, 0)) playThrough(*stream);
            break;
        case 2:
            if (auto module = korva::openTrackerModule(path, 44100)) playThrough(*module);
            break;
        case 3:
            if (auto midi = korva::openMidiFile(path, 44100)) playThrough(*midi);
            break;
    }
    unlink(path.c_str());
    return 0;
}
