// Media files for FFmpeg's demuxers (sound streams, movies), opened the one
// way a game's files may be: through our own descriptor, so that a file
// deleted while it plays stays readable to its end; from a byte offset on;
// as one of the given containers only and never a file it names
// (playlists, references to other files or addresses): a game's file must
// not make it open anything else; and against a deadline, because a damaged
// file can send a demuxer round in circles: past it every read fails, which
// ends whatever loop the demuxer is in.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

extern "C" {
struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct AVIOContext;
struct AVPacket;
}

namespace korva {

// The containers a sound file may be, and those a movie may be (pictures
// with or without sound); FFmpeg's demuxer names, comma-separated.
extern const char* const kSoundContainers;
extern const char* const kMovieContainers;

// Damaged packets in a row before a decoder gives its stream up.
constexpr int kMaxBadPackets = 64;

// What FfmpegInput::sendNextPacket did.
enum class PacketSent { taken, damaged, ended };

class FfmpegInput {
public:
    using Clock = std::chrono::steady_clock;

    // The file from byte `offset` on, opened as one of `containers` (or as
    // the demuxer `forced` names, with its `options`) with its streams
    // found, within `time`. Null when it cannot be read or is none of them.
    static std::unique_ptr<FfmpegInput> open(const std::string& path, int64_t offset, const char* containers,
                                             Clock::duration time, const char* forced = nullptr,
                                             AVDictionary** options = nullptr);
    ~FfmpegInput();
    FfmpegInput(const FfmpegInput&) = delete;
    FfmpegInput& operator=(const FfmpegInput&) = delete;

    AVFormatContext* format() const { return format_; }
    // The next steps (reading, seeking, decoding what they read) may take
    // `time` from now.
    void allow(Clock::duration time) { deadline_ = Clock::now() + time; }
    // Reads the next packet and sends it to `codec` when it belongs to
    // `stream` (those of other streams are passed over, which counts as
    // taken). At the end of the file the codec is told to give out the
    // frames it still holds, and the result is `ended`.
    PacketSent sendNextPacket(AVCodecContext* codec, int stream, AVPacket* packet);

private:
    FfmpegInput() = default;
    bool late() const { return Clock::now() > deadline_; }
    static int interrupted(void* opaque);
    static int read(void* opaque, uint8_t* buffer, int size);
    static int64_t seek(void* opaque, int64_t position, int whence);

    int descriptor_ = -1;
    int64_t offset_ = 0;
    Clock::time_point deadline_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
};

}  // namespace korva
