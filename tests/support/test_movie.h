// Movie files made to order with FFmpeg's encoders and muxers, for the tests
// and the benchmark: every picture's colours come from a function, so what a
// program must see at each moment is known.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korva::test {

struct TestMovie {
    int width = 32, height = 24;
    int pictures = 10;
    int picturesPerSecond = 10;
    int firstStamp = 0;            // the first picture's time stamp, in pictures
    std::string codec = "mpeg4";   // an FFmpeg encoder
    std::string container = "avi"; // an FFmpeg muxer
    // RGB (0xRRGGBB) of pixel (x, y) of picture n; none makes a file with sound only.
    std::function<uint32_t(int n, int x, int y)> colour = [](int, int, int) { return 0xFF0000u; };
    bool sound = false;            // a 440 Hz tone in 16-bit PCM, as long as the pictures
    double soundDelay = 0;         // seconds from the first picture's time stamp to the sound's
    int bitRate = 0;               // 0: the encoder's best quality for tests
};

// Writes the movie; false (with the reason on standard error) on failure.
bool writeTestMovie(const std::string& path, const TestMovie& movie);

}  // namespace korva::test
