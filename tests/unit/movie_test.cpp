// Movies decoded from files the tests make with FFmpeg's encoders, drawn
// with a clock the tests set, so that which picture shows when is exact.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/movie.h"
#include "test_movie.h"

namespace korva {
namespace {

using test::TestMovie;

std::string moviePath(const std::string& name) { return ::testing::TempDir() + "korva_movie_" + name; }

std::string made(const std::string& name, const TestMovie& movie) {
    const std::string path = moviePath(name);
    EXPECT_TRUE(test::writeTestMovie(path, movie)) << name;
    return path;
}

// Picture n is one colour, its red part 20 * n + 40: which picture shows is
// read from any pixel, through the codec's small colour errors.
TestMovie numberedPictures() {
    TestMovie movie;
    movie.colour = [](int n, int, int) { return static_cast<uint32_t>(20 * n + 40) << 16 | 0x4040; };
    return movie;
}

int pictureNumberAt(Canvas& canvas, int32_t x, int32_t y) {
    const int red = static_cast<int>(canvas.readPixel(x, y) >> 16 & 0xFF);
    return (red - 30) / 20;  // the middle between two pictures' reds
}

struct FakeClock {
    std::atomic<int64_t> now{1000000};
    Movie::Clock clock() {
        return [this] { return now.load(); };
    }
};

// Notes the movie's time when the movie starts it.
class RecordedSoundTrack final : public SoundTrack {
public:
    RecordedSoundTrack(const FakeClock& clock, int64_t& startedAt) : clock_(clock), startedAt_(startedAt) {}
    void start() override { startedAt_ = clock_.now; }

private:
    const FakeClock& clock_;
    int64_t& startedAt_;
};

class Movies : public ::testing::Test {
protected:
    std::unique_ptr<Movie> open(const std::string& path, const PixelFormat& layout = PixelFormat::xrgb8888(),
                                std::unique_ptr<SoundTrack> sound = nullptr) {
        clock_.now = kOpenedAt;
        std::unique_ptr<MovieDecoder> decoder = openMovieDecoder(path, layout);
        return decoder ? Movie::open(std::move(decoder), layout, clock_.clock(), std::move(sound)) : nullptr;
    }
    // Opens the movie with a sound track that notes when it starts.
    std::unique_ptr<Movie> openWithSound(const std::string& path) {
        return open(path, PixelFormat::xrgb8888(), std::make_unique<RecordedSoundTrack>(clock_, soundStartedAt_));
    }
    int64_t soundStartedAt_ = -1;
    // Sets the clock to `milliseconds` after opening and draws once.
    bool drawAt(Movie& movie, int64_t milliseconds, int32_t x = 0, int32_t y = 0, int32_t width = -1,
                int32_t height = -1) {
        clock_.now = kOpenedAt + milliseconds * 1000;
        movie.waitForPicture(milliseconds * 1000);
        return movie.draw(*screen_, x, y, width < 0 ? movie.width() : width, height < 0 ? movie.height() : height);
    }

    static constexpr int64_t kOpenedAt = 1000000;
    FakeClock clock_;
    std::unique_ptr<Graphics> graphics_ = std::make_unique<Graphics>(
        Surface::create(PixelFormat::xrgb8888(), 80, 60), Surface::create(PixelFormat::xrgb8888(), 80, 60));
    Canvas* screen_ = graphics_->frontCanvas();
};

TEST_F(Movies, SolidColoursReadBackInEveryDisplayLayout) {
    TestMovie movie;
    movie.colour = [](int, int, int) { return 0x3080C0u; };
    const std::string path = made("solid.avi", movie);
    for (const PixelFormat& layout : {PixelFormat::xrgb8888(), PixelFormat::rgb888(), PixelFormat::rgb565()}) {
        SCOPED_TRACE(layout.depth);
        Graphics graphics(Surface::create(layout, 40, 30), Surface::create(layout, 40, 30));
        Canvas& canvas = *graphics.frontCanvas();
        std::unique_ptr<Movie> opened = open(path, layout);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->width(), 32);
        EXPECT_EQ(opened->height(), 24);
        EXPECT_TRUE(opened->draw(canvas, 0, 0, 32, 24));
        for (auto [x, y] : {std::pair{0, 0}, {31, 23}, {16, 12}}) {
            const uint32_t argb = canvas.readPixel(x, y);
            EXPECT_EQ(argb >> 24, 0xFFu);
            EXPECT_NEAR(static_cast<int>(argb >> 16 & 0xFF), 0x30, 10);
            EXPECT_NEAR(static_cast<int>(argb >> 8 & 0xFF), 0x80, 10);
            EXPECT_NEAR(static_cast<int>(argb & 0xFF), 0xC0, 10);
        }
        EXPECT_EQ(canvas.readPixel(32, 0), 0xFF000000u);
    }
}

// Drawn pictures are the canvas's own native pixels: in 32 bits without
// alpha the unused byte is 0, as drawing leaves it, so a movie picture
// masked with its own black is transparent and collides as drawn.
TEST_F(Movies, PicturesAreNativePixels) {
    TestMovie movie;
    movie.colour = [](int, int x, int) { return x < 16 ? 0x000000u : 0xFFFFFFu; };
    std::unique_ptr<Movie> opened = open(made("halves.avi", movie));
    ASSERT_TRUE(opened);
    Canvas& frame = *graphics_->createCanvas(32, 24, 0);
    ASSERT_TRUE(opened->draw(frame, 0, 0, 32, 24));
    frame.lock();
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(frame.bits()), 0u);
    frame.unlock();
    EXPECT_TRUE(frame.rectCollide(0, 0, 20, 0, 4, 4, false));
    EXPECT_FALSE(frame.rectCollide(0, 0, 0, 0, 12, 24, false));
}

TEST_F(Movies, TheWallClockChoosesThePicture) {
    std::unique_ptr<Movie> opened = open(made("numbered.avi", numberedPictures()));
    ASSERT_TRUE(opened);
    const std::pair<int64_t, int> moments[] = {{0, 0}, {99, 0}, {100, 1}, {350, 3}, {850, 8}, {850, 8}, {999, 9}};
    for (auto [milliseconds, picture] : moments) {
        EXPECT_TRUE(drawAt(*opened, milliseconds)) << milliseconds;
        EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), picture) << milliseconds;
    }
    // The last picture has had its tenth of a second: the movie has ended,
    // and nothing is drawn any more.
    screen_->cls();
    const int32_t modified = screen_->modCount();
    EXPECT_FALSE(drawAt(*opened, 1000));
    EXPECT_FALSE(opened->playing());
    EXPECT_FALSE(drawAt(*opened, 500));
    EXPECT_EQ(screen_->modCount(), modified);
    EXPECT_EQ(screen_->readPixel(5, 5), 0xFF000000u);
}

// A picture over before the decoder reaches it is never converted: the
// first one returned is the one still to be shown.
TEST_F(Movies, LatePicturesArePassedOver) {
    const PixelFormat layout = PixelFormat::xrgb8888();
    std::unique_ptr<MovieDecoder> decoder = openMovieDecoder(made("numbered.avi", numberedPictures()), layout);
    ASSERT_TRUE(decoder);
    Graphics graphics(Surface::create(layout, pictureRowPixels(32), 24), Surface::create(layout, 8, 8));
    Canvas& picture = *graphics.frontCanvas();
    picture.lock();
    const std::optional<PictureTime> time = decoder->decodeNext(picture.bits(), picture.pitch(), 450000);
    picture.unlock();
    ASSERT_TRUE(time);
    EXPECT_EQ(time->start, 400000);
    EXPECT_EQ(time->duration, 100000);
    EXPECT_EQ(pictureNumberAt(picture, 5, 5), 4);
}

// A stream whose pictures grow midway keeps its first size: the larger
// pictures are scaled down to it.
TEST_F(Movies, PicturesKeepTheFirstSize) {
    TestMovie small, large;
    small.codec = large.codec = "mpeg2video";
    small.container = large.container = "mpeg2video";
    small.pictures = large.pictures = 5;
    large.width = 64;
    large.height = 48;
    large.colour = [](int, int, int) { return 0x0000FFu; };
    std::ifstream first(made("small.m2v", small), std::ios::binary), second(made("large.m2v", large), std::ios::binary);
    const std::string joined = moviePath("joined.m2v");
    std::ofstream(joined, std::ios::binary) << first.rdbuf() << second.rdbuf();
    const PixelFormat layout = PixelFormat::xrgb8888();
    std::unique_ptr<MovieDecoder> decoder = openMovieDecoder(joined, layout);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->width(), 32);
    Graphics graphics(Surface::create(layout, pictureRowPixels(32), 24), Surface::create(layout, 8, 8));
    Canvas& picture = *graphics.frontCanvas();
    picture.lock();
    int pictures = 0;
    while (decoder->decodeNext(picture.bits(), picture.pitch(), std::numeric_limits<int64_t>::min())) ++pictures;
    picture.unlock();
    EXPECT_GE(pictures, 9);  // the decoder may drop the one at the joint
    EXPECT_EQ(decoder->width() * 100 + decoder->height(), 3224);
    EXPECT_NEAR(static_cast<int>(picture.readPixel(31, 23) & 0xFF), 0xFF, 10);
    EXPECT_EQ(picture.readPixel(32, 0) & 0xFFFFFF, 0u);
}

// An MPEG stream may start its clock at 0.5 s: its first picture still shows
// at once, and the rest keep their distance from it.
TEST_F(Movies, TimeCountsFromTheFirstPicture) {
    TestMovie late = numberedPictures();
    late.firstStamp = 5;
    late.container = "mpegts";
    std::unique_ptr<Movie> opened = open(made("late.ts", late));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(drawAt(*opened, 0));
    EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), 0);
    EXPECT_TRUE(drawAt(*opened, 150));
    EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), 1);
    EXPECT_TRUE(drawAt(*opened, 950));
    EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), 9);
    EXPECT_FALSE(drawAt(*opened, 1000));
}

// The clock counts from whichever of pictures and sound starts first, and
// the sound starts when the clock reaches it.
TEST_F(Movies, PicturesAndSoundKeepInStep) {
    TestMovie early = numberedPictures();
    early.container = "matroska";
    early.sound = true;
    early.soundDelay = -0.5;
    std::unique_ptr<Movie> opened = openWithSound(made("early-sound.mkv", early));
    ASSERT_TRUE(opened);
    EXPECT_EQ(soundStartedAt_, kOpenedAt);
    for (auto [milliseconds, picture] : {std::pair{0, 0}, {550, 0}, {650, 1}, {1450, 9}}) {
        EXPECT_TRUE(drawAt(*opened, milliseconds)) << milliseconds;
        EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), picture) << milliseconds;
    }
    EXPECT_FALSE(drawAt(*opened, 1500));

    TestMovie late = numberedPictures();
    late.container = "matroska";
    late.sound = true;
    late.soundDelay = 0.3;
    soundStartedAt_ = -1;
    opened = openWithSound(made("late-sound.mkv", late));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(drawAt(*opened, 250));
    EXPECT_EQ(soundStartedAt_, -1);
    EXPECT_TRUE(drawAt(*opened, 320));
    EXPECT_EQ(soundStartedAt_, kOpenedAt + 320000);
    EXPECT_EQ(pictureNumberAt(*screen_, 5, 5), 3);

    // No sound in the file: the track is not used.
    soundStartedAt_ = -1;
    opened = openWithSound(made("silent.mkv", numberedPictures()));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(drawAt(*opened, 500));
    EXPECT_EQ(soundStartedAt_, -1);
}

// A picture of four quarters, stretched to twice its size, shows each of
// its pixels as a 2 x 2 block; shrunk, every other pixel.
TEST_F(Movies, StretchingRepeatsOrSkipsPixels) {
    TestMovie movie;
    movie.colour = [](int, int x, int y) { return (x < 16 ? 0xFF0000u : 0x0000FFu) | (y < 12 ? 0x00FF00u : 0u); };
    std::unique_ptr<Movie> opened = open(made("quarters.avi", movie));
    ASSERT_TRUE(opened);
    Canvas& native = *graphics_->createCanvas(32, 24, 0);
    ASSERT_TRUE(opened->draw(native, 0, 0, 32, 24));
    ASSERT_TRUE(drawAt(*opened, 0, 0, 0, 64, 48));
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x) ASSERT_EQ(screen_->readPixel(x, y), native.readPixel(x / 2, y / 2));
    ASSERT_TRUE(drawAt(*opened, 0, 0, 0, 16, 12));
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(screen_->readPixel(x, y), native.readPixel(2 * x + 1, 2 * y + 1));
}

// Rectangles reaching past any edge draw their visible part, the same
// pixels as where the canvas is large enough; origin and viewport play no
// part; the collision mask follows.
TEST_F(Movies, RectanglesAreClippedToTheCanvas) {
    TestMovie movie;
    movie.colour = [](int, int x, int y) {
        return static_cast<uint32_t>(x * 8 + 8) << 16 | static_cast<uint32_t>(y * 8 + 8);
    };
    std::unique_ptr<Movie> opened = open(made("gradient.avi", movie));
    ASSERT_TRUE(opened);
    Canvas& whole = *graphics_->createCanvas(200, 150, 0);
    ASSERT_TRUE(opened->draw(whole, 50, 50, 96, 72));
    screen_->collisionMask();
    for (auto [x, y] : {std::pair{-40, -30}, {50, 20}, {-20, 40}, {60, 50}}) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        screen_->setOrigin(0, 0);
        screen_->setViewport(0, 0, 80, 60);
        screen_->cls();
        screen_->setOrigin(7, 7);
        screen_->setViewport(20, 20, 10, 10);
        ASSERT_TRUE(drawAt(*opened, 0, x, y, 96, 72));
        screen_->lock();
        whole.lock();
        for (int32_t row = 0; row < 60; ++row)
            for (int32_t column = 0; column < 80; ++column) {
                const bool inside = column >= x && column < x + 96 && row >= y && row < y + 72;
                const uint32_t expected = inside ? whole.readPixelFast(column - x + 50, row - y + 50) : 0xFF000000u;
                ASSERT_EQ(screen_->readPixelFast(column, row), expected) << column << ", " << row;
            }
        whole.unlock();
        screen_->unlock();
        EXPECT_TRUE(screen_->rectCollide(0, 0, std::max(x, 0), std::max(y, 0), 1, 1, false));
        EXPECT_FALSE(screen_->rectCollide(0, 0, x > 0 ? 0 : 79, y > 0 ? 0 : 59, 1, 1, false));
    }
    const int32_t modified = screen_->modCount();
    for (auto [x, y, width] : {std::tuple{80, 0, 96}, {0, -72, 96}, {0, 0, 0}})
        EXPECT_TRUE(drawAt(*opened, 0, x, y, width, 72));
    EXPECT_EQ(screen_->modCount(), modified);
}

TEST_F(Movies, FilesWithoutPicturesDoNotOpen) {
    const std::string good = made("good.avi", numberedPictures());
    std::ifstream in(good, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 400u);
    auto writeFile = [](const std::string& path, const std::vector<char>& content) {
        std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        return path;
    };
    std::vector<char> damaged = bytes;
    for (size_t i = 300; i < damaged.size(); ++i) damaged[i] = static_cast<char>(i * 7919 >> 3);
    TestMovie sound;
    sound.colour = nullptr;
    sound.sound = true;
    const std::string files[] = {
        moviePath("missing.avi"),
        writeFile(moviePath("truncated.avi"), std::vector<char>(bytes.begin(), bytes.begin() + 300)),
        writeFile(moviePath("damaged.avi"), damaged),
        writeFile(moviePath("empty.avi"), {}),
        made("sound.avi", sound),
        std::filesystem::path(good).parent_path().string(),
    };
    for (const std::string& path : files) EXPECT_EQ(graphics_->openMovie(path, nullptr), nullptr) << path;
    EXPECT_NE(graphics_->openMovie(good, nullptr), nullptr);
}

size_t threadCount() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                             std::filesystem::directory_iterator{}));
}

size_t bytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Opening and closing, with and without having played, leaves nothing
// behind: no thread, no memory.
TEST_F(Movies, OpenAndCloseCyclesLeaveNothingBehind) {
    TestMovie movie = numberedPictures();
    movie.width = 320;
    movie.height = 240;
    movie.pictures = 30;
    movie.picturesPerSecond = 30;
    const std::string path = made("cycles.avi", movie);
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            Movie* opened = graphics_->openMovie(path, nullptr);
            ASSERT_NE(opened, nullptr);
            if (i % 2 == 0) opened->draw(*screen_, 0, 0, 80, 60);
            graphics_->closeMovie(opened);
        }
    };
    cycle(10);
    const size_t threads = threadCount(), bytes = bytesInUse();
    cycle(50);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_LT(bytesInUse(), bytes + 256 * 1024);
}

}  // namespace
}  // namespace korva
