// A movie played as fast as it decodes, beside FFmpeg doing the same work
// by itself: every picture of a 10-second 640 x 480 MPEG-4 movie (25 per
// second, 2 Mbit/s, moving gradients and rings) decoded and drawn into a
// 640 x 480 XRGB8888 buffer through a Movie whose clock steps from picture
// to picture, against avformat/avcodec decoding the same file with the same
// decoder settings and sws_scale converting each picture into one buffer.
// Both sides open the file in every iteration.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "comparison.h"
#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/movie.h"
#include "test_movie.h"

namespace {

using namespace korva;

constexpr int kWidth = 640, kHeight = 480, kPerSecond = 25, kPictures = 10 * kPerSecond;
constexpr int64_t kPictureMicroseconds = 1000000 / kPerSecond;

// Made once per run.
const std::string& moviePath() {
    static const std::string path = [] {
        std::string made = std::string(std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp") +
                           "/korva_bench_movie_640x480.avi";
        test::TestMovie movie;
        movie.width = kWidth;
        movie.height = kHeight;
        movie.pictures = kPictures;
        movie.picturesPerSecond = kPerSecond;
        movie.bitRate = 2000000;
        movie.colour = [](int n, int x, int y) {
            const double dx = x - 320 - 200 * std::sin(n * 0.05), dy = y - 240 - 150 * std::cos(n * 0.07);
            const auto ring = static_cast<uint32_t>(127.5 + 127.5 * std::sin(std::sqrt(dx * dx + dy * dy) * 0.1 - n * 0.3));
            return ring << 16 | static_cast<uint32_t>((x + 2 * n) & 0xFF) << 8 | static_cast<uint32_t>((y + n) & 0xFF);
        };
        if (!test::writeTestMovie(made, movie)) std::abort();
        return made;
    }();
    return path;
}

void BM_MovieDecodeAndDraw(benchmark::State& state) {
    const PixelFormat layout = PixelFormat::xrgb8888();
    Graphics graphics(Surface::create(layout, kWidth, kHeight), Surface::create(layout, kWidth, kHeight));
    Canvas& buffer = *graphics.backCanvas();
    const std::string& path = moviePath();
    for (auto _ : state) {
        std::atomic<int64_t> now{0};
        std::unique_ptr<Movie> movie =
            Movie::open(openMovieDecoder(path, layout), layout, [&now] { return now.load(); });
        int drawn = 0;
        for (;; now += kPictureMicroseconds) {
            movie->waitForPicture(now);
            if (!movie->draw(buffer, 0, 0, kWidth, kHeight)) break;
            ++drawn;
        }
        if (drawn != kPictures) state.SkipWithError("a picture was missed");
    }
    state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_MovieDecodeAndDraw)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// FFmpeg by itself, with the settings the movie decoder uses.
void BM_FfmpegDecodeAndScale(benchmark::State& state) {
    const std::string& path = moviePath();
    std::vector<uint8_t> target(static_cast<size_t>(kWidth) * kHeight * 4);
    for (auto _ : state) {
        AVFormatContext* format = nullptr;
        if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0 ||
            avformat_find_stream_info(format, nullptr) < 0)
            return state.SkipWithError("cannot open the movie");
        const AVCodec* decoder = nullptr;
        const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        AVCodecContext* codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
        codec->thread_count = 0;
        avcodec_open2(codec, decoder, nullptr);
        SwsContext* converter = sws_getContext(kWidth, kHeight, codec->pix_fmt, kWidth, kHeight, AV_PIX_FMT_BGR0,
                                               SWS_BILINEAR, nullptr, nullptr, nullptr);
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        uint8_t* const targets[4] = {target.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {kWidth * 4, 0, 0, 0};
        int converted = 0;
        auto receive = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) {
                sws_scale(converter, frame->data, frame->linesize, 0, kHeight, targets, strides);
                benchmark::DoNotOptimize(target.data());
                ++converted;
            }
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            receive();
        }
        avcodec_send_packet(codec, nullptr);
        receive();
        av_frame_free(&frame);
        av_packet_free(&packet);
        sws_freeContext(converter);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (converted != kPictures) state.SkipWithError("a picture was missed");
    }
    state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_FfmpegDecodeAndScale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

KORVA_COMPARISON("movie_decode", "BM_MovieDecodeAndDraw/process_time/real_time",
                 "BM_FfmpegDecodeAndScale/process_time/real_time");
