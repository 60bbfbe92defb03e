// Display drivers' mode lists, and how the in-memory window system shows a
// frame and maps positions back to it.
#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "platform/gfx_driver.h"
#include "platform/window_system.h"

namespace korva {
namespace {

TEST(GfxDriver, ADisplayOffersItsOwnAndTheClassicResolutionsThatFitAtThreeDepths) {
    const GfxDriver fourK = gfxDriverOf({"4K", {3840, 2160}, {{3840, 2160}, {1920, 1080}, {1280, 720}}, 60}, 0);
    ASSERT_EQ(fourK.modes.size(), 18u * 3);  // 17 classic ones, two of them also the display's own
    EXPECT_EQ(fourK.modes[0], (GfxMode{320, 240, 16}));
    EXPECT_EQ(fourK.modes[14], (GfxMode{640, 480, 32}));
    EXPECT_EQ(fourK.modes.back(), (GfxMode{3840, 2160, 32}));

    const GfxDriver laptop = gfxDriverOf({"Laptop", {1366, 768}, {{1366, 768}}, 60}, 1);
    ASSERT_EQ(laptop.modes.size(), 9u * 3);  // up to 1024 x 768, 1280 x 720 and its own
    EXPECT_EQ(laptop.modes[20], (GfxMode{1024, 768, 32}));
    EXPECT_EQ(laptop.modes[21], (GfxMode{1280, 720, 16}));
}

TEST(NullWindowSystem, FullScreenLetterboxesAndMapsPositionsBack) {
    auto window = openNullWindowSystem();
    auto frame = Surface::create(PixelFormat::xrgb8888(), 4, 3);
    frame->fillRect({0, 0, 1, 1}, 0xFF0000);
    frame->fillRect({3, 2, 4, 3}, 0x00FF00);
    ASSERT_TRUE(window->showFullScreen(0));
    window->present(*frame, frame->bounds());
    const ScreenImage screen = window->screen();
    ASSERT_EQ(screen.width, 1920);
    EXPECT_EQ(screen.presents, 1);
    // 1440 x 1080 from x = 240, the frame's pixels 360 wide.
    EXPECT_EQ(screen.rgbAt(239, 0), 0u);
    EXPECT_EQ(screen.rgbAt(240, 0), 0xFF0000u);
    EXPECT_EQ(screen.rgbAt(599, 359), 0xFF0000u);
    EXPECT_EQ(screen.rgbAt(1679, 1079), 0x00FF00u);
    EXPECT_EQ(screen.rgbAt(1680, 1079), 0u);
    int32_t x = 1700, y = 1079;  // on the right bar: the nearest frame pixel
    window->clientToFrame(x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(3, 2));
    x = 600, y = 360;
    window->clientToFrame(x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(1, 1));
}

}  // namespace
}  // namespace korva
