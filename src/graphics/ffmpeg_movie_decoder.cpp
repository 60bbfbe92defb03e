// Movies through FFmpeg: the file is demuxed as FfmpegInput opens it, the
// best video stream decoded, and each picture converted (and scaled when the
// stream changes size midway) by libswscale straight into the caller's rows.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>

#include "graphics/movie_decoder.h"
#include "graphics/picture_decoder.h"
#include "platform/ffmpeg_input.h"

namespace korva {
namespace {

constexpr int64_t kMicroseconds = 1000000;
constexpr int64_t kFallbackPictureDuration = kMicroseconds / 25;
// How long opening the file, or getting from one picture to the next, may
// take: a damaged file can send a demuxer round in circles.
constexpr auto kOpenTime = std::chrono::seconds(5);
constexpr auto kPictureTime = std::chrono::seconds(2);

// The converter's name for a display layout; none for other layouts.
AVPixelFormat converterLayout(const PixelFormat& layout) {
    if (layout.depth == 32 && layout.rmask == 0xFF0000 && layout.gmask == 0xFF00 && layout.bmask == 0xFF)
        return AV_PIX_FMT_BGR0;
    if (layout.depth == 24 && layout.rmask == 0xFF0000 && layout.gmask == 0xFF00 && layout.bmask == 0xFF)
        return AV_PIX_FMT_BGR24;
    if (layout.depth == 16 && layout.rmask == 0xF800 && layout.gmask == 0x07E0 && layout.bmask == 0x001F)
        return AV_PIX_FMT_RGB565LE;
    return AV_PIX_FMT_NONE;
}

// The full-range ("JPEG") layouts are their limited-range twins plus a range flag.
AVPixelFormat withoutRange(AVPixelFormat format, bool& fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
        default: return format;
    }
}

int colourMatrix(AVColorSpace space) {
    switch (space) {
        case AVCOL_SPC_BT709: return SWS_CS_ITU709;
        case AVCOL_SPC_FCC: return SWS_CS_FCC;
        case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
        default: return SWS_CS_ITU601;
    }
}

// The best video stream that is a moving picture, not a cover picture.
int videoStreamOf(AVFormatContext* format) {
    const int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    auto usable = [format](int index) {
        const AVStream* stream = format->streams[index];
        return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
               (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 &&
               avcodec_find_decoder(stream->codecpar->codec_id) != nullptr;
    };
    if (best >= 0 && usable(best)) return best;
    for (unsigned index = 0; index < format->nb_streams; ++index)
        if (usable(static_cast<int>(index))) return static_cast<int>(index);
    return -1;
}

class FfmpegMovieDecoder final : public MovieDecoder {
public:
    ~FfmpegMovieDecoder() override {
        sws_freeContext(converter_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
    }

    bool open(const std::string& path, AVPixelFormat target) {
        target_ = target;
        input_ = FfmpegInput::open(path, 0, kMovieContainers, kOpenTime);
        if (!input_) return false;
        format_ = input_->format();
        streamIndex_ = videoStreamOf(format_);
        if (streamIndex_ < 0 || !openCodec()) return false;
        findSound();
        for (unsigned index = 0; index < format_->nb_streams; ++index)
            if (static_cast<int>(index) != streamIndex_) format_->streams[index]->discard = AVDISCARD_ALL;
        const AVRational rate = av_guess_frame_rate(format_, format_->streams[streamIndex_], nullptr);
        if (rate.num > 0 && rate.den > 0) guessedDuration_ = av_rescale(kMicroseconds, rate.den, rate.num);
        if (guessedDuration_ <= 0) guessedDuration_ = kFallbackPictureDuration;
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        return packet_ != nullptr && frame_ != nullptr;
    }

    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    std::optional<int64_t> soundStart() const override { return soundStart_; }

    std::optional<PictureTime> decodeNext(uint8_t* bits, int32_t pitch, int64_t lateBy) override {
        input_->allow(kPictureTime);
        int badPackets = 0;
        while (badPackets <= kMaxBadPackets) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                input_->allow(kPictureTime);  // passing over late pictures is progress
                const PictureTime time = timeOfFrame();
                const bool late = time.start + time.duration <= lateBy;
                codec_->skip_frame = late ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
                const bool converted = !late && convert(bits, pitch);
                av_frame_unref(frame_);
                if (converted) return time;
                if (!late) ++badPackets;
                continue;
            }
            if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && inputDone_)) return std::nullopt;
            if (received != AVERROR(EAGAIN)) {
                ++badPackets;  // a picture that failed to decode; the next may not
                continue;
            }
            // Damaged packets, like pictures that fail, count towards giving up.
            const PacketSent sent = input_->sendNextPacket(codec_, streamIndex_, packet_);
            inputDone_ = sent == PacketSent::ended;
            badPackets = sent == PacketSent::damaged ? badPackets + 1 : 0;
        }
        return std::nullopt;
    }

private:
    // The stream the sound engine will play: the best audio stream, as it
    // chooses it.
    void findSound() {
        const AVCodec* decoder = nullptr;
        const int index = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (index < 0 || decoder == nullptr) return;
        const AVStream* sound = format_->streams[index];
        soundStart_ = sound->start_time != AV_NOPTS_VALUE
                          ? av_rescale_q(sound->start_time, sound->time_base, {1, kMicroseconds})
                          : 0;
    }

    bool openCodec() {
        const AVStream* stream = format_->streams[streamIndex_];
        const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
        codec_ = avcodec_alloc_context3(decoder);
        if (codec_ == nullptr || avcodec_parameters_to_context(codec_, stream->codecpar) < 0) return false;
        codec_->pkt_timebase = stream->time_base;
        codec_->thread_count = 0;  // as many as the processor has cores
        if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
        timeBase_ = stream->time_base;
        // The size of the first picture; the codec's own follows the stream.
        width_ = codec_->width;
        height_ = codec_->height;
        return PictureLimits::allow(width_, height_);
    }

    // Time stamps as the stream gives them, kept in order: a picture without
    // one follows its predecessor's end, one stamped no later than its
    // predecessor follows just after it.
    PictureTime timeOfFrame() {
        const int64_t stamp = frame_->best_effort_timestamp;
        int64_t start = stamp != AV_NOPTS_VALUE ? av_rescale_q(stamp, timeBase_, {1, kMicroseconds}) : previousEnd_;
        if (started_) start = std::max(start, previousStart_ + 1);
        int64_t duration =
            frame_->pkt_duration > 0 ? av_rescale_q(frame_->pkt_duration, timeBase_, {1, kMicroseconds}) : 0;
        if (duration <= 0) duration = guessedDuration_;
        started_ = true;
        previousStart_ = start;
        previousEnd_ = start + duration;
        return {start, duration};
    }

    // The frame, converted into the caller's rows. The converter is made
    // again whenever the stream's pictures change size, layout or colours.
    // Pictures are held to the limits of loaded pictures: a damaged header
    // must not make the movie take gigabytes.
    bool convert(uint8_t* bits, int32_t pitch) {
        if (!PictureLimits::allow(frame_->width, frame_->height)) return false;
        bool fullRange = frame_->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat source = withoutRange(static_cast<AVPixelFormat>(frame_->format), fullRange);
        const ConverterKey key{frame_->width, frame_->height, source, frame_->colorspace, fullRange};
        if (converter_ == nullptr || !(key == converterKey_)) {
            sws_freeContext(converter_);
            converter_ = sws_getContext(key.width, key.height, source, width(), height(), target_, SWS_BILINEAR,
                                        nullptr, nullptr, nullptr);
            if (converter_ == nullptr) return false;
            const int* matrix = sws_getCoefficients(colourMatrix(key.space));
            sws_setColorspaceDetails(converter_, matrix, fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                                     1 << 16, 1 << 16);
            converterKey_ = key;
        }
        uint8_t* const targets[4] = {bits, nullptr, nullptr, nullptr};
        const int strides[4] = {pitch, 0, 0, 0};
        return sws_scale(converter_, frame_->data, frame_->linesize, 0, frame_->height, targets, strides) > 0;
    }

    struct ConverterKey {
        int width = 0, height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        AVColorSpace space = AVCOL_SPC_UNSPECIFIED;
        bool fullRange = false;
        bool operator==(const ConverterKey&) const = default;
    };

    std::unique_ptr<FfmpegInput> input_;
    AVFormatContext* format_ = nullptr;  // the input's
    AVCodecContext* codec_ = nullptr;
    SwsContext* converter_ = nullptr;
    ConverterKey converterKey_;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPixelFormat target_ = AV_PIX_FMT_NONE;
    AVRational timeBase_{1, 1};
    int streamIndex_ = -1;
    int32_t width_ = 0, height_ = 0;
    std::optional<int64_t> soundStart_;
    bool inputDone_ = false;
    bool started_ = false;
    int64_t previousStart_ = 0, previousEnd_ = 0;
    int64_t guessedDuration_ = 0;
};

}  // namespace

std::unique_ptr<MovieDecoder> openMovieDecoder(const std::string& path, const PixelFormat& layout) {
    const AVPixelFormat target = converterLayout(layout);
    if (target == AV_PIX_FMT_NONE) return nullptr;
    auto decoder = std::make_unique<FfmpegMovieDecoder>();
    if (!decoder->open(path, target)) return nullptr;
    return decoder;
}

}  // namespace korva
