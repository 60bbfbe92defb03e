// The decoders behind streams and music, each rendering 16-bit stereo for a
// PcmSource. All return null when the file holds nothing they can play.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/pcm_source.h"
#include "platform/ffmpeg_input.h"

namespace korva {

// Any sound file FFmpeg reads (WAV, MP2, MP3, Ogg, WMA/ASF, FLAC, ...), from
// byte `offset` on, at its own rate; with kMovieContainers, the sound track
// of a movie. A name ending in ".raw" (any case) is headerless 16-bit
// little-endian stereo at 44100 Hz.
std::unique_ptr<PcmProducer> openStreamDecoder(const std::string& path, int64_t offset,
                                               const char* containers = kSoundContainers);

// A tracker module (libopenmpt), rendered at `rate`.
std::unique_ptr<PcmProducer> openTrackerModule(const std::string& path, int32_t rate);

// A standard MIDI file played by FluidSynth with the General MIDI soundfont,
// rendered at `rate`. Null when the file is not a well-formed MIDI file or no
// soundfont is installed.
std::unique_ptr<PcmProducer> openMidiFile(const std::string& path, int32_t rate);
// Whether the bytes start like a standard MIDI file.
bool looksLikeMidi(const std::string& path);

}  // namespace korva
