// A movie playing into buffers. Its pictures are decoded ahead on a thread
// of its own into a small queue, already in the display's layout, so that
// drawing one costs a blit. Each draw shows the picture the wall clock has
// reached since the movie was opened, timed from the first picture's time
// stamp: pictures a slow program has no time for are skipped, and a program
// faster than the movie draws the same picture again. The program thread
// owns the movie; the thread only fills the queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "graphics/movie_decoder.h"
#include "graphics/surface.h"
#include "platform/audio_device.h"

namespace korva {

class Canvas;

class Movie {
public:
    // Microseconds on a monotonic clock; read by the program thread and the
    // movie's own.
    using Clock = std::function<int64_t()>;
    static int64_t steadyMicroseconds();

    // Decodes the first picture at once (null when there is none or memory
    // runs out) and starts the clock. The sound track, when the file has
    // sound, plays in step: the clock counts from whichever of the first
    // picture and the sound starts first, and the sound starts when the
    // clock reaches it (at the latest at the first draw after that).
    static std::unique_ptr<Movie> open(std::unique_ptr<MovieDecoder> decoder, const PixelFormat& layout,
                                       Clock clock = steadyMicroseconds, std::unique_ptr<SoundTrack> sound = nullptr);
    // Stops the sound and the decoding thread, and waits for the thread.
    ~Movie();
    Movie(const Movie&) = delete;
    Movie& operator=(const Movie&) = delete;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // True until a draw finds the last picture shown for its whole duration.
    bool playing() const { return playing_; }

    // Draws the current picture stretched over the width x height rectangle
    // at (x, y) of the canvas (see Canvas::drawPicture), and starts the
    // sound if its time has come. Once the movie has ended nothing is drawn;
    // the result is playing().
    bool draw(Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height);

    // Waits until the picture due `time` microseconds after opening has
    // been decoded, the stream has ended or the queue is full (with the
    // clock at `time`, the queue holds the picture due then): for callers
    // with a clock of their own that must not miss a picture.
    void waitForPicture(int64_t time);

    // Bytes of the decoded-picture queue.
    int64_t pictureBytes() const;

private:
    // The picture being shown, those decoded ahead of it and the one being
    // decoded.
    static constexpr int kPictures = 4;

    struct Picture {
        std::unique_ptr<Surface> surface;  // pictureRowPixels(width) wide
        LockedPixels pixels;
        PictureTime time;
    };

    Movie(std::unique_ptr<MovieDecoder> decoder, Clock clock);
    // Starts the sound once the clock has reached it.
    void startSoundAt(int64_t now);
    bool allocatePictures(const PixelFormat& layout);
    // On the stream's clock.
    int64_t streamTime() const { return clock_() - openedAt_ + firstStart_; }
    void decodeAhead();
    // With the lock held. A free slot, after dropping the queued pictures that
    // a later one has superseded by now; -1 when there is none.
    int takeFreeSlot(int64_t now);
    // With the lock held: how long the thread may sleep before the first
    // queued picture is superseded.
    std::chrono::microseconds untilSuperseded(int64_t now) const;
    // Moves on to the latest picture due at `now`; true once the stream's
    // last picture is shown.
    bool advanceTo(int64_t now);
    void dropQueued(int count);

    std::unique_ptr<MovieDecoder> decoder_;
    const Clock clock_;
    const int32_t width_, height_;
    Picture pictures_[kPictures];
    int64_t openedAt_ = 0;    // on clock_
    int64_t firstStart_ = 0;  // where the clock starts: the first picture's or the sound's time stamp
    bool playing_ = true;
    std::unique_ptr<SoundTrack> sound_;
    int64_t soundStart_ = 0;
    bool soundStarted_ = false;

    std::mutex mutex_;
    std::condition_variable roomOrStop_;  // the thread waits for it
    std::condition_variable decoded_;     // a picture was decoded, or the stream ended
    // Slots: the one shown belongs to the program thread; the one being
    // decoded (-1 while none) to the decoding thread; the queued ones, in
    // stream order, are shared. Changed with the lock held.
    int shown_ = 0;
    int decoding_ = -1;
    int queue_[kPictures] = {};
    int queued_ = 0;
    bool ended_ = false;     // the thread has decoded its last picture
    bool stopping_ = false;  // the movie is being closed
    std::thread thread_;
};

}  // namespace korva
