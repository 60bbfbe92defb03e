// Streams through FFmpeg: the file is demuxed and decoded a block at a time
// on the decoder thread and converted to 16-bit stereo at its own rate.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "audio/pcm_producers.h"

namespace korva {
namespace {

constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64;
constexpr int kIoBufferBytes = 32768;
// Packets that fail to decode in a row before the stream counts as ended.
constexpr int kMaxBadPackets = 64;
// The containers a sound file may be. Playlists and other formats that name
// further files or addresses are not among them: a sound file must not make
// the game open anything else.
constexpr const char* kSoundContainers =
    "wav,w64,aiff,mp3,ogg,asf,flac,au,caf,voc,s16le,aac,ac3,eac3,mpeg,matroska,webm,mov,mp4,m4a,3gp,3g2,mj2,wv,ape,tta,amr,"
    "dts,mlp,truehd,rso,sox,xwma,ircam,nistsphere,wve,smjpeg";

// Refuses every file a container would open besides the one given.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

using Clock = std::chrono::steady_clock;
// How long opening a file, or decoding the next block of it, may take: a
// damaged file can send a demuxer round in circles.
constexpr auto kOpenTime = std::chrono::seconds(3);
constexpr auto kBlockTime = std::chrono::seconds(1);

// The file from a byte offset on, read through our own descriptor: a file
// deleted while it plays stays readable to the end. Past the deadline every
// read fails, which ends whatever loop the demuxer is in.
struct FileWindow {
    int descriptor;
    int64_t offset;
    Clock::time_point deadline;

    bool late() const { return Clock::now() > deadline; }

    static int interrupted(void* opaque) { return static_cast<FileWindow*>(opaque)->late() ? 1 : 0; }

    static int read(void* opaque, uint8_t* buffer, int size) {
        auto* file = static_cast<FileWindow*>(opaque);
        if (file->late()) return AVERROR_EXIT;
        const ssize_t got = ::read(file->descriptor, buffer, static_cast<size_t>(size));
        if (got < 0) return AVERROR(EIO);
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }

    static int64_t seek(void* opaque, int64_t position, int whence) {
        auto* file = static_cast<FileWindow*>(opaque);
        if (file->late()) return AVERROR_EXIT;
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) {
            const off_t end = ::lseek(file->descriptor, 0, SEEK_END);
            return end < 0 ? AVERROR(EIO) : end - file->offset;
        }
        if (whence == SEEK_SET) position += file->offset;
        const off_t at = ::lseek(file->descriptor, static_cast<off_t>(position), whence);
        return at < 0 ? AVERROR(EIO) : at - file->offset;
    }
};

bool endsWithRaw(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".raw";
}

class FfmpegStream final : public PcmProducer {
public:
    ~FfmpegStream() override {
        swr_free(&resampler_);
        av_channel_layout_uninit(&layout_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
        if (io_ != nullptr) av_freep(&io_->buffer);
        avio_context_free(&io_);
        if (file_.descriptor >= 0) ::close(file_.descriptor);
    }

    bool open(const std::string& path, int64_t offset) {
        file_.descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        file_.offset = offset;
        file_.deadline = Clock::now() + kOpenTime;
        if (file_.descriptor < 0 || offset < 0 || ::lseek(file_.descriptor, offset, SEEK_SET) != offset) return false;
        auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
        if (buffer == nullptr) return false;
        io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, &file_, FileWindow::read, nullptr, FileWindow::seek);
        if (io_ == nullptr) {
            av_free(buffer);
            return false;
        }
        format_ = avformat_alloc_context();
        if (format_ == nullptr) return false;
        format_->pb = io_;
        format_->flags |= AVFMT_FLAG_CUSTOM_IO;
        format_->format_whitelist = av_strdup(kSoundContainers);
        format_->io_open = refuseNestedOpen;
        format_->interrupt_callback = {FileWindow::interrupted, &file_};
        const AVInputFormat* forced = nullptr;
        AVDictionary* options = nullptr;
        if (endsWithRaw(path)) {
            forced = av_find_input_format("s16le");
            av_dict_set(&options, "sample_rate", "44100", 0);
            av_dict_set(&options, "ch_layout", "stereo", 0);
        }
        const int opened = avformat_open_input(&format_, nullptr, forced, &options);
        av_dict_free(&options);
        if (opened < 0) return false;  // format_ is freed
        if (avformat_find_stream_info(format_, nullptr) < 0) return false;
        const AVCodec* decoder = nullptr;
        streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (streamIndex_ < 0 || decoder == nullptr) return false;
        codec_ = avcodec_alloc_context3(decoder);
        if (codec_ == nullptr || avcodec_parameters_to_context(codec_, format_->streams[streamIndex_]->codecpar) < 0) return false;
        if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
        rate_ = codec_->sample_rate;
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (rate_ < 1 || rate_ > kMaxRate || packet_ == nullptr || frame_ == nullptr) return false;
        // Nothing that decodes is no stream: the first block must come out.
        return fillPending();
    }

    int32_t rate() const override { return rate_; }

    int32_t render(StereoFrame* frames, int32_t count) override {
        int32_t done = 0;
        while (done < count) {
            if (pendingAt_ == pending_.size() && !fillPending()) break;
            const size_t n = std::min(pending_.size() - pendingAt_, static_cast<size_t>(count - done));
            std::memcpy(frames + done, pending_.data() + pendingAt_, n * sizeof(StereoFrame));
            pendingAt_ += n;
            done += static_cast<int32_t>(n);
        }
        return done;
    }

    bool rewind() override {
        file_.deadline = Clock::now() + kBlockTime;
        if (avformat_seek_file(format_, -1, INT64_MIN, 0, 0, 0) < 0 &&
            av_seek_frame(format_, -1, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0)
            return false;
        avcodec_flush_buffers(codec_);
        swr_free(&resampler_);
        av_channel_layout_uninit(&layout_);
        inputDone_ = false;
        pending_.clear();
        pendingAt_ = 0;
        return true;
    }

private:
    // Decodes the next frame into pending_; false at the end or on an error.
    bool fillPending() {
        file_.deadline = Clock::now() + kBlockTime;
        pending_.clear();
        pendingAt_ = 0;
        int badPackets = 0;
        for (;;) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                const bool converted = convertFrame();
                av_frame_unref(frame_);
                if (converted && !pending_.empty()) return true;
                if (!converted) return false;
                continue;
            }
            if (received != AVERROR(EAGAIN) || inputDone_) return false;
            if (av_read_frame(format_, packet_) < 0) {
                inputDone_ = true;
                avcodec_send_packet(codec_, nullptr);  // drain what the decoder holds
                continue;
            }
            int sent = 0;
            if (packet_->stream_index == streamIndex_) sent = avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
            // A damaged packet is skipped; a run of them ends the stream.
            badPackets = sent < 0 && sent != AVERROR(EAGAIN) ? badPackets + 1 : 0;
            if (badPackets > kMaxBadPackets) return false;
        }
    }

    bool convertFrame() {
        if (frame_->nb_samples <= 0) return true;
        if (!prepareResampler()) return false;
        const int capacity = swr_get_out_samples(resampler_, frame_->nb_samples);
        if (capacity <= 0) return true;
        pending_.resize(static_cast<size_t>(capacity));
        auto* out = reinterpret_cast<uint8_t*>(pending_.data());
        const int made = swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
        if (made < 0) return false;
        pending_.resize(static_cast<size_t>(made));
        return true;
    }

    // A converter from the frame's layout and format; made again when the
    // stream changes them midway.
    bool prepareResampler() {
        AVChannelLayout in{};
        if (frame_->ch_layout.nb_channels < 1 || frame_->ch_layout.nb_channels > kMaxChannels) return false;
        if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, frame_->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &frame_->ch_layout) < 0)
            return false;
        if (resampler_ != nullptr && av_channel_layout_compare(&in, &layout_) == 0 && frame_->format == sampleFormat_) {
            av_channel_layout_uninit(&in);
            return true;
        }
        swr_free(&resampler_);
        av_channel_layout_uninit(&layout_);
        layout_ = in;
        sampleFormat_ = frame_->format;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, rate_, &layout_,
                                static_cast<AVSampleFormat>(sampleFormat_), rate_, 0, nullptr) < 0)
            return false;
        return swr_init(resampler_) >= 0;
    }

    FileWindow file_{-1, 0, {}};
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVChannelLayout layout_{};
    int sampleFormat_ = -1;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    int32_t rate_ = 0;
    bool inputDone_ = false;
    std::vector<StereoFrame> pending_;
    size_t pendingAt_ = 0;
};

}  // namespace

std::unique_ptr<PcmProducer> openStreamDecoder(const std::string& path, int64_t offset) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    auto stream = std::make_unique<FfmpegStream>();
    if (!stream->open(path, offset)) return nullptr;
    return stream;
}

}  // namespace korva
