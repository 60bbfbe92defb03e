// Sound files decoded whole into samples: libsndfile (WAV, AIFF, FLAC, Ogg
// Vorbis, MP3 and the other formats it reads), then FFmpeg for the formats
// libsndfile does not know (WMA, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/mixer.h"

namespace korva {

// The longest sample taken, per channel: about six minutes at 44100 Hz.
constexpr int64_t kMaxSampleFrames = int64_t{1} << 24;

// The sound stored in the file from byte `offset` on, as 16-bit frames of its
// first one or two channels. Null when the file cannot be read, is not a
// sound, has no frames, is longer than kMaxSampleFrames, or holds fewer frames
// than its header declares.
std::unique_ptr<SampleData> loadSampleFile(const std::string& path, int64_t offset);

}  // namespace korva
