#include "audio/sample_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <vector>

#include "audio/pcm_producers.h"

namespace korva {
namespace {

constexpr int kMaxChannels = 64;
constexpr int kMaxRate = 768000;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// Keeps the first two channels of frames with more.
void keepFirstTwo(std::vector<int16_t>& samples, int channels, int64_t frames) {
    for (int64_t f = 0; f < frames; ++f) {
        samples[static_cast<size_t>(f * 2)] = samples[static_cast<size_t>(f * channels)];
        samples[static_cast<size_t>(f * 2 + 1)] = samples[static_cast<size_t>(f * channels + 1)];
    }
    samples.resize(static_cast<size_t>(frames * 2));
}

// Formats libsndfile does not know (WMA and others) come whole out of the
// stream decoder, as stereo.
std::unique_ptr<SampleData> decodeWhole(const std::string& path, int64_t offset) {
    std::unique_ptr<PcmProducer> stream = openStreamDecoder(path, offset);
    if (stream == nullptr) return nullptr;
    auto sample = std::make_unique<SampleData>();
    sample->channels = 2;
    sample->rate = stream->rate();
    std::vector<StereoFrame> block(4096);
    for (int32_t got; (got = stream->render(block.data(), 4096)) > 0;) {
        if (sample->length + static_cast<uint32_t>(got) > kMaxSampleFrames) return nullptr;
        for (int32_t i = 0; i < got; ++i) sample->frames.insert(sample->frames.end(), {block[i].left, block[i].right});
        sample->length += static_cast<uint32_t>(got);
    }
    return sample->length > 0 ? std::move(sample) : nullptr;
}

}  // namespace

std::unique_ptr<SampleData> loadSampleFile(const std::string& path, int64_t offset) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    // A descriptor positioned past the start makes libsndfile read the sound
    // embedded from there on.
    if (offset < 0 || ::lseek(descriptor, static_cast<off_t>(offset), SEEK_SET) != offset) {
        ::close(descriptor);
        return nullptr;
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open_fd(descriptor, SFM_READ, &info, SF_TRUE));
    if (file == nullptr) {
        try {
            return decodeWhole(path, offset);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1 || info.samplerate > kMaxRate ||
        info.frames < 1 || info.frames > kMaxSampleFrames)
        return nullptr;
    // Float files hold -1 ... 1; scaled to full 16-bit range (asking this of
    // integer files would send them through a float conversion too).
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    if (encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE)
        sf_command(file.get(), SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    try {
        auto sample = std::make_unique<SampleData>();
        sample->frames.resize(static_cast<size_t>(info.frames * info.channels));
        const sf_count_t read = sf_readf_short(file.get(), sample->frames.data(), info.frames);
        if (read != info.frames) return nullptr;
        if (info.channels > 2) keepFirstTwo(sample->frames, info.channels, info.frames);
        sample->channels = info.channels == 1 ? 1 : 2;
        sample->length = static_cast<uint32_t>(info.frames);
        sample->rate = info.samplerate;
        return sample;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace korva
