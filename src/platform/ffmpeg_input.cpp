#include "platform/ffmpeg_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

namespace korva {

// Playlists, concatenation lists, image sequences and other formats that
// name further files or addresses are in neither list.
const char* const kSoundContainers =
    "wav,w64,aiff,mp3,ogg,asf,flac,au,caf,voc,s16le,aac,ac3,eac3,mpeg,matroska,webm,mov,mp4,m4a,3gp,3g2,mj2,wv,ape,tta,"
    "amr,dts,mlp,truehd,rso,sox,xwma,ircam,nistsphere,wve,smjpeg";
const char* const kMovieContainers =
    "avi,mov,mp4,m4a,3gp,3g2,mj2,matroska,webm,ogg,mpeg,mpegts,mpegvideo,m4v,h261,h263,h264,hevc,mjpeg,ivf,asf,flv,"
    "nut,dv,rm,swf,yuv4mpegpipe,gif,smjpeg,cavsvideo,dirac,vc1,obu,av1";

namespace {

constexpr int kIoBufferBytes = 65536;

// Refuses every file a container would open besides the one given.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

}  // namespace

std::unique_ptr<FfmpegInput> FfmpegInput::open(const std::string& path, int64_t offset, const char* containers,
                                               Clock::duration time, const char* forced, AVDictionary** options) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    std::unique_ptr<FfmpegInput> input(new FfmpegInput);
    input->allow(time);
    input->offset_ = offset;
    input->descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (input->descriptor_ < 0 || offset < 0 || ::lseek(input->descriptor_, offset, SEEK_SET) != offset) return nullptr;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) return nullptr;
    input->io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, input.get(), read, nullptr, seek);
    if (input->io_ == nullptr) {
        av_free(buffer);
        return nullptr;
    }
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) return nullptr;
    format->pb = input->io_;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->format_whitelist = av_strdup(containers);
    format->io_open = refuseNestedOpen;
    format->interrupt_callback = {interrupted, input.get()};
    // The name only helps to recognise raw streams by their extension.
    const AVInputFormat* demuxer = forced != nullptr ? av_find_input_format(forced) : nullptr;
    if (avformat_open_input(&format, path.c_str(), demuxer, options) < 0) return nullptr;  // frees format
    input->format_ = format;
    if (avformat_find_stream_info(format, nullptr) < 0) return nullptr;
    return input;
}

FfmpegInput::~FfmpegInput() {
    avformat_close_input(&format_);
    if (io_ != nullptr) av_freep(&io_->buffer);
    avio_context_free(&io_);
    if (descriptor_ >= 0) ::close(descriptor_);
}

int FfmpegInput::interrupted(void* opaque) { return static_cast<FfmpegInput*>(opaque)->late() ? 1 : 0; }

int FfmpegInput::read(void* opaque, uint8_t* buffer, int size) {
    auto* input = static_cast<FfmpegInput*>(opaque);
    if (input->late()) return AVERROR_EXIT;
    const ssize_t got = ::read(input->descriptor_, buffer, static_cast<size_t>(size));
    if (got < 0) return AVERROR(EIO);
    return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int64_t FfmpegInput::seek(void* opaque, int64_t position, int whence) {
    auto* input = static_cast<FfmpegInput*>(opaque);
    if (input->late()) return AVERROR_EXIT;
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {  // without moving: reading goes on where it was
        struct stat status;
        return ::fstat(input->descriptor_, &status) == 0 ? status.st_size - input->offset_ : AVERROR(EIO);
    }
    if (whence == SEEK_SET) position += input->offset_;
    const off_t at = ::lseek(input->descriptor_, static_cast<off_t>(position), whence);
    return at < 0 ? AVERROR(EIO) : at - input->offset_;
}

PacketSent FfmpegInput::sendNextPacket(AVCodecContext* codec, int stream, AVPacket* packet) {
    if (av_read_frame(format_, packet) < 0) {
        avcodec_send_packet(codec, nullptr);
        return PacketSent::ended;
    }
    int sent = 0;
    if (packet->stream_index == stream) sent = avcodec_send_packet(codec, packet);
    av_packet_unref(packet);
    return sent < 0 && sent != AVERROR(EAGAIN) ? PacketSent::damaged : PacketSent::taken;
}

}  // namespace korva
