#include "sound_files.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "e2e_support.h"

namespace korva::test {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t value, bool bigEndian = false) {
    if (bigEndian) {
        out.push_back(static_cast<uint8_t>(value >> 8));
        out.push_back(static_cast<uint8_t>(value));
    } else {
        out.push_back(static_cast<uint8_t>(value));
        out.push_back(static_cast<uint8_t>(value >> 8));
    }
}

void put32(std::vector<uint8_t>& out, uint32_t value, bool bigEndian = false) {
    if (bigEndian) {
        put16(out, value >> 16, true);
        put16(out, value & 0xFFFF, true);
    } else {
        put16(out, value & 0xFFFF);
        put16(out, value >> 16);
    }
}

void putText(std::vector<uint8_t>& out, const char* text) { out.insert(out.end(), text, text + std::strlen(text)); }

}  // namespace

void writeToneWav(const std::string& path, double frequency, double seconds, int32_t rate, int32_t channels, double amplitude) {
    const auto frames = static_cast<uint32_t>(seconds * rate);
    const uint32_t dataBytes = frames * 2 * static_cast<uint32_t>(channels);
    std::vector<uint8_t> out;
    putText(out, "RIFF");
    put32(out, 36 + dataBytes);
    putText(out, "WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<uint32_t>(channels));
    put32(out, static_cast<uint32_t>(rate));
    put32(out, static_cast<uint32_t>(rate * channels * 2));
    put16(out, static_cast<uint32_t>(channels * 2));
    put16(out, 16);
    putText(out, "data");
    put32(out, dataBytes);
    for (uint32_t f = 0; f < frames; ++f) {
        const double value = amplitude * 32767.0 * std::sin(2 * M_PI * frequency * f / rate);
        for (int32_t c = 0; c < channels; ++c) put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value))));
    }
    writeBytes(path, out);
}

void writeModule(const std::string& path) {
    std::vector<uint8_t> out(20, 0);  // title
    for (int s = 0; s < 31; ++s) {
        out.insert(out.end(), 22, 0);  // name
        const bool used = s == 0;
        put16(out, used ? 32 : 0, true);  // length in words
        out.push_back(0);                 // finetune
        out.push_back(used ? 64 : 0);     // volume
        put16(out, 0, true);              // loop start
        put16(out, used ? 32 : 1, true);  // loop length: the whole sample
    }
    out.push_back(1);    // song length
    out.push_back(127);
    out.push_back(0);    // order 0: pattern 0
    out.insert(out.end(), 127, 0);
    putText(out, "M.K.");
    const uint16_t periods[] = {428, 340, 285};  // C, E, G
    for (int row = 0; row < 64; ++row) {
        for (int channel = 0; channel < 4; ++channel) {
            uint8_t cell[4] = {0, 0, 0, 0};
            if (channel == 0 && row % 5 == 0 && row < 15) {
                const uint16_t period = periods[row / 5];
                cell[0] = static_cast<uint8_t>(period >> 8);
                cell[1] = static_cast<uint8_t>(period);
                cell[2] = 0x10;  // instrument 1
            }
            if (channel == 1 && row == 15) {
                cell[2] = 0x0D;  // pattern break: the song ends after row 15
            }
            out.insert(out.end(), cell, cell + 4);
        }
    }
    for (int i = 0; i < 64; ++i) out.push_back(static_cast<uint8_t>(i % 16 < 8 ? 100 : -100));
    writeBytes(path, out);
}

void writeMidi(const std::string& path) {
    std::vector<uint8_t> track = {0x00, 0xC0, 0x00};  // piano
    for (uint8_t note : {60, 64, 67}) {
        const uint8_t on[] = {0x00, 0x90, note, 100, 0x60, 0x80, note, 64};  // a quarter note at 96 ticks
        track.insert(track.end(), std::begin(on), std::end(on));
    }
    const uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), std::begin(end), std::end(end));
    std::vector<uint8_t> out;
    putText(out, "MThd");
    put32(out, 6, true);
    put16(out, 0, true);
    put16(out, 1, true);
    put16(out, 96, true);
    putText(out, "MTrk");
    put32(out, static_cast<uint32_t>(track.size()), true);
    out.insert(out.end(), track.begin(), track.end());
    writeBytes(path, out);
}

StereoRecording::StereoRecording(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    samples.resize(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
}

std::vector<StereoRecording::Span> StereoRecording::sounding(int32_t threshold, int64_t minGapFrames) const {
    std::vector<Span> spans;
    for (int64_t f = 0; f < frames(); ++f) {
        const bool loud = std::abs(int32_t{samples[2 * f]}) > threshold || std::abs(int32_t{samples[2 * f + 1]}) > threshold;
        if (!loud) continue;
        if (!spans.empty() && f - spans.back().end < minGapFrames)
            spans.back().end = f + 1;
        else
            spans.push_back({f, f + 1});
    }
    return spans;
}

double StereoRecording::level(const Span& span, int channel) const {
    double sum = 0;
    for (int64_t f = span.start; f < span.end; ++f) sum += std::pow(samples[2 * f + channel], 2);
    return span.end > span.start ? std::sqrt(sum / static_cast<double>(span.end - span.start)) : 0;
}

double StereoRecording::frequency(const Span& span) const {
    int64_t crossings = 0;
    for (int64_t f = span.start + 1; f < span.end; ++f) crossings += samples[2 * (f - 1)] < 0 && samples[2 * f] >= 0;
    return static_cast<double>(crossings) / span.seconds();
}

}  // namespace korva::test
