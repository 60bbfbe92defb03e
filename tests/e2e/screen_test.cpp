// What reaches the screen: windows, scaled windows, full screen, pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "screen_recorder.h"

namespace korva::test {
namespace {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST(Screen, FlipShowsTheBackBufferOnlyWhenItChangedAndTheTickAFrontBufferDrawnOn) {
    auto shots = screensOf("screen", "1");
    ASSERT_EQ(shots["back drawn"].width, 40);
    EXPECT_EQ(shots["back drawn"].rgbAt(20, 15), kBlack);  // the back buffer waits for Flip
    const ScreenImage& flipped = shots["flipped"];
    EXPECT_EQ(flipped.rgbAt(39, 29), kRed);
    EXPECT_EQ(shots["flipped unchanged"].presents, flipped.presents);
    EXPECT_EQ(shots["front drawn"].rgbAt(5, 5), kBlue);
    EXPECT_EQ(shots["front drawn"].presents, flipped.presents + 1);
}

TEST(Screen, AScaledWindowStretchesTheFrame) {
    const ScreenImage shot = screensOf("screen", "2")["stretched"];
    ASSERT_EQ(shot.width, 400);
    EXPECT_EQ(shot.rgbAt(99, 99), kRed);
    EXPECT_EQ(shot.rgbAt(100, 100), kBlack);
    EXPECT_EQ(shot.rgbAt(299, 199), kBlack);
    EXPECT_EQ(shot.rgbAt(300, 200), kGreen);
}

// 640 x 480 on the headless 1920 x 1080 desktop: 1440 x 1080 from x = 240.
TEST(Screen, FullScreenKeepsTheAspectWithBlackBarsAtEveryDepth) {
    for (const char* depth : {"32", "24", "16"}) {
        SCOPED_TRACE(depth);
        const ScreenImage shot = screensOf("screen", std::string("3 ") + depth)["full screen"];
        ASSERT_EQ(shot.width, 1920);
        ASSERT_EQ(shot.height, 1080);
        EXPECT_EQ(shot.rgbAt(239, 540), kBlack);
        EXPECT_EQ(shot.rgbAt(1680, 540), kBlack);
        EXPECT_EQ(shot.rgbAt(240, 0), kBlue);
        // 16 bits keep 5, 6 and 5 bits of 255, 128, 0; the screen widens them again.
        const uint32_t orange = shot.rgbAt(1679, 1079);
        EXPECT_NEAR(static_cast<int>(orange >> 16), 255, 7);
        EXPECT_NEAR(static_cast<int>((orange >> 8) & 0xFF), 128, 3);
        EXPECT_EQ(orange & 0xFF, 0u);
        EXPECT_EQ(shot.rgbAt(960, 540), orange);
    }
}

// A green picture of the buffer's size fills it from its corner while the
// origin is 10, 10; the plot after it goes through the origin again.
TEST(Screen, LoadBufferDrawsAtTheCornerAndKeepsTheOrigin) {
    const std::string file = tempFile("green.bmp");
    std::vector<uint8_t> bitmap = {'B', 'M', 0x46, 0x0E, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                   40, 0, 0, 0, 40, 0, 0, 0, 30, 0, 0, 0, 1, 0, 24, 0};
    bitmap.resize(54, 0);
    for (int pixel = 0; pixel < 40 * 30; ++pixel) bitmap.insert(bitmap.end(), {0, 255, 0});
    writeBytes(file, bitmap);
    auto shots = screensOf("screen", "4 " + file);
    EXPECT_EQ(shots.count("1"), 1u);
    const ScreenImage& shot = shots["loaded"];
    EXPECT_EQ(shot.rgbAt(0, 0), kGreen);
    EXPECT_EQ(shot.rgbAt(10, 10), kRed);
    std::remove(file.c_str());
}

}  // namespace
}  // namespace korva::test
