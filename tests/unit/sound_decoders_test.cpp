// The decoders behind streams and samples on real files of every streamed
// format: rate, length and pitch of a one-second 440 Hz tone.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/pcm_producers.h"
#include "audio/sample_file.h"

namespace korva {
namespace {

const std::string kSounds = KORVA_SOUND_DIR;

struct Decoded {
    int64_t frames = 0;
    int64_t crossings = 0;  // rising zero crossings of the left channel
};

Decoded decodeAll(PcmProducer& producer) {
    Decoded decoded;
    std::vector<StereoFrame> block(1000);
    int16_t previous = 0;
    for (int32_t got; (got = producer.render(block.data(), 1000)) > 0;) {
        for (int32_t i = 0; i < got; ++i) {
            decoded.crossings += previous < 0 && block[i].left >= 0;
            previous = block[i].left;
        }
        decoded.frames += got;
    }
    return decoded;
}

// A 440 Hz tone of `seconds` in 16-bit stereo at 44100 Hz, headerless.
std::string writeRawTone(double seconds) {
    const std::string path = testing::TempDir() + "tone.raw";
    std::vector<int16_t> samples;
    for (int f = 0; f < seconds * 44100; ++f) {
        const auto value = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * f / 44100.0));
        samples.insert(samples.end(), {value, value});
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(samples.data(), 2, samples.size(), file);
    std::fclose(file);
    return path;
}

TEST(StreamDecoder, EveryStreamedFormatPlaysToItsEndAndAgain) {
    const std::string asf = testing::TempDir() + "tone.asf";
    std::filesystem::copy_file(kSounds + "/tone.wma", asf, std::filesystem::copy_options::overwrite_existing);
    const std::pair<std::string, int32_t> files[] = {{kSounds + "/tone.ogg", 22050}, {kSounds + "/tone.mp3", 22050},
                                                     {kSounds + "/tone.mp2", 22050}, {kSounds + "/tone.wma", 22050},
                                                     {asf, 22050},                   {writeRawTone(1.0), 44100}};
    for (const auto& [path, rate] : files) {
        SCOPED_TRACE(path);
        std::unique_ptr<PcmProducer> stream = openStreamDecoder(path, 0);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->rate(), rate);
        const Decoded first = decodeAll(*stream);
        EXPECT_NEAR(first.frames, rate, rate * 0.08);  // encoders pad a little
        EXPECT_NEAR(first.crossings, 440, 25);  // lossy codecs add some noise near zero
        ASSERT_TRUE(stream->rewind());
        EXPECT_NEAR(decodeAll(*stream).frames, first.frames, rate * 0.02);
    }
}

TEST(StreamDecoder, StartsAtAnOffsetIntoTheFile) {
    const std::string path = writeRawTone(1.0);
    std::unique_ptr<PcmProducer> stream = openStreamDecoder(path, 22050 * 4);  // half a second in
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(decodeAll(*stream).frames, 22050);
}

TEST(StreamDecoder, APlaylistOpensNothingElse) {
    const std::string listed = writeRawTone(0.5);
    const std::string playlist = testing::TempDir() + "list.wav";
    FILE* file = std::fopen(playlist.c_str(), "wb");
    std::fprintf(file, "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n%s\n#EXT-X-ENDLIST\n", listed.c_str());
    std::fclose(file);
    EXPECT_EQ(openStreamDecoder(playlist, 0), nullptr);
}

// Found by fuzzing: a damaged ASF header that kept the demuxer reading for minutes.
TEST(StreamDecoder, ADemuxerGoingInCirclesGivesUp) {
    EXPECT_EQ(openStreamDecoder(kSounds + "/looping-header.asf", 0), nullptr);
}

TEST(SampleFile, DecodesWhatLibsndfileOrFfmpegReads) {
    std::unique_ptr<SampleData> vorbis = loadSampleFile(kSounds + "/tone.ogg", 0);
    ASSERT_NE(vorbis, nullptr);
    EXPECT_EQ(vorbis->channels, 1);
    EXPECT_EQ(vorbis->rate, 22050);
    EXPECT_NEAR(vorbis->length, 22050, 300);
    std::unique_ptr<SampleData> wma = loadSampleFile(kSounds + "/tone.wma", 0);  // not libsndfile's
    ASSERT_NE(wma, nullptr);
    EXPECT_EQ(wma->channels, 2);
    EXPECT_NEAR(wma->length, 22050, 2000);
    EXPECT_EQ(loadSampleFile(kSounds + "/missing.wav", 0), nullptr);
    EXPECT_EQ(loadSampleFile(kSounds + "/tone.ogg", -1), nullptr);
}

}  // namespace
}  // namespace korva
