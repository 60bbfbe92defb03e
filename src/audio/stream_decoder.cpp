// Streams through FFmpeg: the file is demuxed and decoded a block at a time
// on the decoder thread and converted to 16-bit stereo at its own rate.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "audio/pcm_producers.h"
#include "platform/ffmpeg_input.h"

namespace korva {
namespace {

constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64;
// How long opening a file, or decoding the next block of it, may take: a
// damaged file can send a demuxer round in circles.
constexpr auto kOpenTime = std::chrono::seconds(3);
constexpr auto kBlockTime = std::chrono::seconds(1);

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
    }

    bool open(const std::string& path, int64_t offset, const char* containers) {
        const char* forced = nullptr;
        AVDictionary* options = nullptr;
        if (endsWithRaw(path)) {
            forced = "s16le";
            av_dict_set(&options, "sample_rate", "44100", 0);
            av_dict_set(&options, "ch_layout", "stereo", 0);
        }
        input_ = FfmpegInput::open(path, offset, containers, kOpenTime, forced, &options);
        av_dict_free(&options);
        if (!input_) return false;
        format_ = input_->format();
        const AVCodec* decoder = nullptr;
        streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (streamIndex_ < 0 || decoder == nullptr) return false;
        for (unsigned index = 0; index < format_->nb_streams; ++index)
            if (static_cast<int>(index) != streamIndex_) format_->streams[index]->discard = AVDISCARD_ALL;
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
        input_->allow(kBlockTime);
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
        input_->allow(kBlockTime);
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
            // A damaged packet is skipped; a run of them ends the stream.
            const PacketSent sent = input_->sendNextPacket(codec_, streamIndex_, packet_);
            inputDone_ = sent == PacketSent::ended;
            badPackets = sent == PacketSent::damaged ? badPackets + 1 : 0;
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

    std::unique_ptr<FfmpegInput> input_;
    AVFormatContext* format_ = nullptr;  // the input's
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

std::unique_ptr<PcmProducer> openStreamDecoder(const std::string& path, int64_t offset, const char* containers) {
    auto stream = std::make_unique<FfmpegStream>();
    if (!stream->open(path, offset, containers)) return nullptr;
    return stream;
}

}  // namespace korva
