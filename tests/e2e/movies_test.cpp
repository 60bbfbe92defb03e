// Movies as programs play them, headless, from files the test makes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e_support.h"
#include "file_test_folder.h"
#include "screen_recorder.h"
#include "sound_files.h"
#include "test_movie.h"
#include "virtual_x_server.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korva::test {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

class Movies : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TestFolder("movies", 0);
        TestMovie numbered;
        numbered.colour = [](int n, int, int) { return static_cast<uint32_t>(20 * n + 40) << 16 | 0x4040; };
        TestMovie quarters;
        quarters.colour = [](int, int x, int y) { return x < 16 ? (y < 12 ? kRed : kGreen) : (y < 12 ? kBlue : 0xFFFFFFu); };
        TestMovie sound;
        sound.colour = nullptr;
        sound.sound = true;
        TestMovie toned = numbered;
        toned.sound = true;
        ASSERT_TRUE(writeTestMovie(*folder_ / "toned.avi", toned));
        ASSERT_TRUE(writeTestMovie(*folder_ / "numbered.avi", numbered));
        ASSERT_TRUE(writeTestMovie(*folder_ / "quarters.avi", quarters));
        ASSERT_TRUE(writeTestMovie(*folder_ / "sound.avi", sound));
        std::vector<uint8_t> damaged = readBytes(*folder_ / "numbered.avi");
        for (size_t i = 200; i < damaged.size(); ++i) damaged[i] ^= static_cast<uint8_t>(i * 131);
        writeBytes(*folder_ / "damaged.avi", damaged);
    }
    static void TearDownTestSuite() { delete folder_; }

    std::vector<std::string> output(const std::string& step) const {
        ProcessResult run = runImage("movies", {step, folder_->path()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("Runtime error"), std::string::npos) << run.err;
        return lines(run.out);
    }

    static TestFolder* folder_;
};

TestFolder* Movies::folder_ = nullptr;

// A second of pictures at the pace of the clock: the first at once, then
// later ones only, to the last; afterwards nothing is drawn.
TEST_F(Movies, PlayToTheEndInTimeWithTheClock) {
    EXPECT_EQ(output("01"), (std::vector<std::string>{"size 3224", "playing 1", "first draw 1", "first picture 0",
                                                       "took a second 1", "drew many times 1",
                                                       "never backwards 1", "last picture 9", "playing 0",
                                                       "after the end 0", "left alone 255"}));
}

TEST_F(Movies, DrawnAtTheirSizeOrStretchedWhereAskedOnly) {
    EXPECT_EQ(output("02"), (std::vector<std::string>{"own size 10", "stretched 10", "one source pixel 1", "next quarter 1",
                                                       "height by default 10", "origin and viewport ignored 10",
                                                       "clipped 10"}));
}

// Nothing without a picture opens; closed and unknown movies are ignored.
TEST_F(Movies, WhatCannotPlayGivesZero) {
    EXPECT_EQ(output("03"), (std::vector<std::string>{"missing 0", "damaged 0", "sound only 0", "folder 0",
                                                       "closed 0"}));
}

// The program still holds the handle of a movie the mode change closed.
TEST_F(Movies, ModeChangesAndTheEndCloseMovies) {
    EXPECT_EQ(output("04"), (std::vector<std::string>{"after the mode change 0", "sixteen bits 1", "red near 40 1",
                                                       "after EndGraphics 0"}));
}

bool near(uint32_t rgb, uint32_t expected) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>(rgb >> shift & 0xFF) - static_cast<int>(expected >> shift & 0xFF)) > 24)
            return false;
    return true;
}

// The quarters.avi picture stretched over a 64 x 48 window: red, blue above
// green, white.
template <class PixelAt>
void expectQuarters(PixelAt rgbAt) {
    EXPECT_TRUE(near(rgbAt(10, 10), kRed));
    EXPECT_TRUE(near(rgbAt(10, 40), kGreen));
    EXPECT_TRUE(near(rgbAt(50, 10), kBlue));
    EXPECT_TRUE(near(rgbAt(50, 40), 0xFFFFFF));
}

TEST_F(Movies, TheWindowShowsTheFlippedPicture) {
    const ScreenImage shot = screensOf("movies", "05 " + folder_->path())["shown"];
    ASSERT_EQ(shot.width, 64);
    expectQuarters([&shot](int x, int y) { return shot.rgbAt(x, y); });
}

// What the mixer sent to SDL's disk driver: the tone for the movie's second,
// then for the 0.3 s the second showing lasted before CloseMovie.
TEST_F(Movies, TheSoundTrackPlaysWithThePictures) {
    const std::string captured = folder_->path() + "/output.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", captured.c_str(), 1);
    const std::vector<std::string> played = output("06");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(played, (std::vector<std::string>{"played 1", "closed early 1"}));
    const StereoRecording recording(captured);
    const auto spans = recording.sounding(300, 4410);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(spans[0].seconds(), 1.0, 0.1);
    EXPECT_NEAR(recording.frequency(spans[0]), 440, 10);
    EXPECT_NEAR(spans[1].seconds(), 0.3, 0.1);
    // Without a sound device the movie plays all the same.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(output("06"), played);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// At "shown", reads the 64 x 48 window, centred on the 4K screen, once the
// server has drawn it.
class CentredWindowReader final : public QuietDebugger {
public:
    void debugLog(const char*) override {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            if (image_ != nullptr) XDestroyImage(image_);
            image_ = XGetImage(display, DefaultRootWindow(display), kLeft, kTop, 64, 48, AllPlanes, ZPixmap);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (rgbAt(10, 10) == 0 && std::chrono::steady_clock::now() < deadline);
        XCloseDisplay(display);
    }
    ~CentredWindowReader() {
        if (image_ != nullptr) XDestroyImage(image_);
    }
    uint32_t rgbAt(int x, int y) const {
        return image_ != nullptr ? static_cast<uint32_t>(XGetPixel(image_, x, y) & 0xFFFFFF) : 0;
    }

private:
    static constexpr int kLeft = (3840 - 64) / 2, kTop = (2160 - 48) / 2;
    XImage* image_ = nullptr;
};

TEST_F(Movies, AMoviePlaysInARealWindow) {
    VirtualXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start (scripts/setup installs it)";
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    CentredWindowReader reader;
    runtimeGetRuntime()->execute(linkImage("movies"), ("05 " + folder_->path()).c_str(), &reader);
    expectQuarters([&reader](int x, int y) { return reader.rgbAt(x, y); });
}

}  // namespace
}  // namespace korva::test
