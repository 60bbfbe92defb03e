// Sound files made by the tests (waves, a tracker module, a MIDI file) and
// the analysis of what the mixer sent to SDL's disk driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::test {

// 16-bit PCM WAV of a sine tone (amplitude 0 ... 1 of full scale).
void writeToneWav(const std::string& path, double frequency, double seconds, int32_t rate, int32_t channels = 1,
                  double amplitude = 0.5);
// A four-channel ProTracker module: one looping square-wave instrument, three
// notes, about two seconds.
void writeModule(const std::string& path);
// A standard MIDI file: three piano notes, about 1.5 seconds.
void writeMidi(const std::string& path);

// 16-bit stereo frames as SDL's disk driver writes them.
struct StereoRecording {
    std::vector<int16_t> samples;  // interleaved left, right
    explicit StereoRecording(const std::string& path);
    int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }

    struct Span {
        int64_t start, end;  // frames
        double seconds() const { return static_cast<double>(end - start) / 44100.0; }
    };
    // Runs of sound louder than `threshold`, joined across quieter gaps
    // shorter than minGapFrames.
    std::vector<Span> sounding(int32_t threshold, int64_t minGapFrames) const;
    // Root mean square of one channel (0 left, 1 right) over a span.
    double level(const Span& span, int channel) const;
    // Frequency of the left channel from its rising zero crossings.
    double frequency(const Span& span) const;
};

}  // namespace korva::test
