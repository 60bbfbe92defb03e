#include "graphics/movie.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include "graphics/canvas.h"

namespace korva {
namespace {

// A thread with a full queue wakes at least this often to drop what the
// clock has superseded, and at most this often.
constexpr std::chrono::microseconds kLongestSleep{50000}, kShortestSleep{1000};

}  // namespace

int64_t Movie::steadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Movie::Movie(std::unique_ptr<MovieDecoder> decoder, Clock clock)
    : decoder_(std::move(decoder)), clock_(std::move(clock)), width_(decoder_->width()), height_(decoder_->height()) {}

std::unique_ptr<Movie> Movie::open(std::unique_ptr<MovieDecoder> decoder, const PixelFormat& layout, Clock clock,
                                   std::unique_ptr<SoundTrack> sound) {
    std::unique_ptr<Movie> movie(new (std::nothrow) Movie(std::move(decoder), std::move(clock)));
    if (!movie || !movie->allocatePictures(layout)) return nullptr;
    Picture& first = movie->pictures_[movie->shown_];
    const std::optional<PictureTime> time =
        movie->decoder_->decodeNext(first.pixels.bits, first.pixels.pitch, std::numeric_limits<int64_t>::min());
    if (!time) return nullptr;
    first.time = *time;
    movie->firstStart_ = time->start;
    if (const std::optional<int64_t> soundStart = movie->decoder_->soundStart(); sound && soundStart) {
        movie->sound_ = std::move(sound);
        movie->soundStart_ = *soundStart;
        movie->firstStart_ = std::min(movie->firstStart_, *soundStart);
    }
    {
        std::lock_guard lock(movie->mutex_);  // the clock starts before the thread reads it
        try {
            movie->thread_ = std::thread(&Movie::decodeAhead, movie.get());
        } catch (const std::system_error&) {
            return nullptr;  // no thread to be had
        }
        movie->openedAt_ = movie->clock_();
    }
    movie->startSoundAt(movie->firstStart_);
    return movie;
}

void Movie::startSoundAt(int64_t now) {
    if (soundStarted_ || !sound_ || now < soundStart_) return;
    sound_->start();
    soundStarted_ = true;
}

bool Movie::allocatePictures(const PixelFormat& layout) {
    for (Picture& picture : pictures_) {
        picture.surface = Surface::create(layout, pictureRowPixels(width_), height_);
        if (!picture.surface) return false;
        picture.pixels = picture.surface->lock();
        picture.surface->unlock();
    }
    return true;
}

Movie::~Movie() {
    sound_.reset();
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    roomOrStop_.notify_all();
    thread_.join();
}

void Movie::dropQueued(int count) {
    std::copy(queue_ + count, queue_ + queued_, queue_);
    queued_ -= count;
}

// A queued picture is superseded once the one after it is due: the program
// will never be shown it.
int Movie::takeFreeSlot(int64_t now) {
    int superseded = 0;
    while (superseded + 1 < queued_ && pictures_[queue_[superseded + 1]].time.start <= now) ++superseded;
    dropQueued(superseded);
    for (int slot = 0; slot < kPictures; ++slot)
        if (slot != shown_ && std::find(queue_, queue_ + queued_, slot) == queue_ + queued_) return slot;
    return -1;
}

std::chrono::microseconds Movie::untilSuperseded(int64_t now) const {
    if (queued_ < 2) return kLongestSleep;
    const std::chrono::microseconds wait{pictures_[queue_[1]].time.start - now};
    return std::clamp(wait, kShortestSleep, kLongestSleep);
}

// Keeps the queue full of the pictures the clock has not superseded, so
// that a program drawing less often than the movie changes picture still
// sees the one that is due.
void Movie::decodeAhead() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return;
        const int64_t now = streamTime();
        const int slot = takeFreeSlot(now);
        if (slot < 0) {
            roomOrStop_.wait_for(lock, untilSuperseded(now));
            continue;
        }
        decoding_ = slot;
        lock.unlock();
        Picture& picture = pictures_[slot];
        const std::optional<PictureTime> time =
            decoder_->decodeNext(picture.pixels.bits, picture.pixels.pitch, streamTime());
        lock.lock();
        decoding_ = -1;
        if (!time) {
            ended_ = true;
            decoded_.notify_all();
            return;
        }
        picture.time = *time;
        queue_[queued_++] = slot;
        decoded_.notify_all();
    }
}

bool Movie::advanceTo(int64_t now) {
    int due = 0;
    bool lastShown;
    {
        std::lock_guard lock(mutex_);
        while (due < queued_ && pictures_[queue_[due]].time.start <= now) ++due;
        if (due > 0) {
            shown_ = queue_[due - 1];
            dropQueued(due);
        }
        lastShown = ended_ && queued_ == 0;
    }
    if (due > 0) roomOrStop_.notify_one();
    return lastShown;
}

bool Movie::draw(Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!playing_) return false;
    const int64_t now = streamTime();
    startSoundAt(now);
    const bool lastShown = advanceTo(now);
    const Picture& picture = pictures_[shown_];
    if (lastShown && now >= picture.time.start + picture.time.duration) {
        playing_ = false;
        return false;
    }
    canvas.drawPicture(x, y, width, height, *picture.surface, {0, 0, width_, height_});
    return true;
}

void Movie::waitForPicture(int64_t time) {
    const int64_t due = firstStart_ + time;
    std::unique_lock lock(mutex_);
    decoded_.wait(lock, [&] {
        return ended_ || queued_ == kPictures - 1 || (queued_ > 0 && pictures_[queue_[queued_ - 1]].time.start >= due);
    });
}

int64_t Movie::pictureBytes() const { return int64_t{kPictures} * height_ * pictures_[0].pixels.pitch; }

}  // namespace korva
