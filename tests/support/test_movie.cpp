#include "test_movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace korva::test {
namespace {

constexpr int kSoundRate = 44100;
constexpr int kSoundFrameSamples = 1024;

bool fail(const std::string& path, const char* what) {
    std::fprintf(stderr, "test movie %s: %s\n", path.c_str(), what);
    return false;
}

struct Encoding {
    AVStream* stream = nullptr;
    AVCodecContext* codec = nullptr;
    ~Encoding() { avcodec_free_context(&codec); }
};

class Writer {
public:
    Writer(const std::string& path, const TestMovie& movie) : path_(path), movie_(movie) {}
    ~Writer() {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        sws_freeContext(converter_);
        if (output_ != nullptr && output_->pb != nullptr) avio_closep(&output_->pb);
        avformat_free_context(output_);
    }

    bool write() {
        if (avformat_alloc_output_context2(&output_, nullptr, movie_.container.c_str(), path_.c_str()) < 0)
            return fail(path_, "no such container");
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (movie_.colour && !addVideo()) return false;
        if (movie_.sound && !addSound()) return false;
        if (avio_open(&output_->pb, path_.c_str(), AVIO_FLAG_WRITE) < 0) return fail(path_, "cannot create");
        if (avformat_write_header(output_, nullptr) < 0) return fail(path_, "header refused");
        if (movie_.colour && !writePictures()) return false;
        if (movie_.sound && !writeSound()) return false;
        return av_write_trailer(output_) == 0 || fail(path_, "trailer refused");
    }

private:
    bool openEncoder(Encoding& encoding, const AVCodec* encoder) {
        if (output_->oformat->flags & AVFMT_GLOBALHEADER) encoding.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(encoding.codec, encoder, nullptr) < 0) return fail(path_, "encoder refused");
        encoding.stream = avformat_new_stream(output_, nullptr);
        encoding.stream->time_base = encoding.codec->time_base;
        return avcodec_parameters_from_context(encoding.stream->codecpar, encoding.codec) >= 0;
    }

    bool addVideo() {
        const AVCodec* encoder = avcodec_find_encoder_by_name(movie_.codec.c_str());
        if (encoder == nullptr) return fail(path_, "no such encoder");
        video_.codec = avcodec_alloc_context3(encoder);
        AVCodecContext* codec = video_.codec;
        codec->width = movie_.width;
        codec->height = movie_.height;
        codec->time_base = {1, movie_.picturesPerSecond};
        codec->framerate = {movie_.picturesPerSecond, 1};
        codec->pix_fmt = encoder->pix_fmts != nullptr ? encoder->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        codec->gop_size = 12;
        if (movie_.bitRate > 0) {
            codec->bit_rate = movie_.bitRate;
        } else {
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = FF_QP2LAMBDA * 2;
        }
        if (!openEncoder(video_, encoder)) return false;
        converter_ = sws_getContext(movie_.width, movie_.height, AV_PIX_FMT_BGR0, movie_.width, movie_.height,
                                    codec->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
        return converter_ != nullptr || fail(path_, "no converter");
    }

    bool addSound() {
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        sound_.codec = avcodec_alloc_context3(encoder);
        sound_.codec->sample_rate = kSoundRate;
        sound_.codec->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&sound_.codec->ch_layout, 2);
        sound_.codec->time_base = {1, kSoundRate};
        return openEncoder(sound_, encoder);
    }

    // Sends a frame (null: the end) and writes what comes out.
    bool encode(Encoding& encoding, AVFrame* frame) {
        if (avcodec_send_frame(encoding.codec, frame) < 0) return fail(path_, "encoding failed");
        while (avcodec_receive_packet(encoding.codec, packet_) == 0) {
            av_packet_rescale_ts(packet_, encoding.codec->time_base, encoding.stream->time_base);
            packet_->stream_index = encoding.stream->index;
            if (av_interleaved_write_frame(output_, packet_) < 0) return fail(path_, "write failed");
        }
        return true;
    }

    bool writePictures() {
        std::vector<uint32_t> rgb(static_cast<size_t>(movie_.width) * movie_.height);
        for (int n = 0; n < movie_.pictures; ++n) {
            for (int y = 0; y < movie_.height; ++y)
                for (int x = 0; x < movie_.width; ++x)
                    rgb[static_cast<size_t>(y) * movie_.width + x] = movie_.colour(n, x, y);
            av_frame_unref(frame_);
            frame_->format = video_.codec->pix_fmt;
            frame_->width = movie_.width;
            frame_->height = movie_.height;
            if (av_frame_get_buffer(frame_, 0) < 0) return fail(path_, "no memory");
            const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(rgb.data())};
            const int stride[1] = {movie_.width * 4};
            sws_scale(converter_, source, stride, 0, movie_.height, frame_->data, frame_->linesize);
            frame_->pts = movie_.firstStamp + n;
            if (!encode(video_, frame_)) return false;
        }
        return encode(video_, nullptr);
    }

    bool writeSound() {
        soundStamp_ = static_cast<int64_t>(
            (static_cast<double>(movie_.firstStamp) / movie_.picturesPerSecond + movie_.soundDelay) * kSoundRate);
        const int64_t samples = int64_t{kSoundRate} * movie_.pictures / movie_.picturesPerSecond;
        for (int64_t at = 0; at < samples; at += kSoundFrameSamples) {
            av_frame_unref(frame_);
            frame_->format = AV_SAMPLE_FMT_S16;
            frame_->sample_rate = kSoundRate;
            av_channel_layout_default(&frame_->ch_layout, 2);
            frame_->nb_samples = static_cast<int>(std::min<int64_t>(kSoundFrameSamples, samples - at));
            if (av_frame_get_buffer(frame_, 0) < 0) return fail(path_, "no memory");
            auto* pcm = reinterpret_cast<int16_t*>(frame_->data[0]);
            for (int i = 0; i < frame_->nb_samples; ++i)
                pcm[2 * i] = pcm[2 * i + 1] =
                    static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(at + i) / kSoundRate));
            frame_->pts = at + soundStamp_;
            if (!encode(sound_, frame_)) return false;
        }
        return encode(sound_, nullptr);
    }

    const std::string path_;
    const TestMovie& movie_;
    AVFormatContext* output_ = nullptr;
    Encoding video_, sound_;
    SwsContext* converter_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int64_t soundStamp_ = 0;
};

}  // namespace

bool writeTestMovie(const std::string& path, const TestMovie& movie) { return Writer(path, movie).write(); }

}  // namespace korva::test
