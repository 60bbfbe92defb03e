#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

std::vector<uint8_t> bitmap3x2() {
    std::vector<uint8_t> expected = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                     40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    expected.resize(54, 0);
    // Bottom row first: (0,1) (1,1) black, (2,1) blue; then red at (0,0).
    const uint8_t rows[] = {0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0,
                            0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), std::begin(rows), std::end(rows));
    return expected;
}

TEST(GraphicsModes, WindowSizesAndABitmapFile) {
    const std::string file = tempFile("three-by-two.bmp");
    ProcessResult run = runImage("graphics_modes", {"1", file});
    ASSERT_EQ(run.status, 0) << run.err;
    // The headless desktop is 1920 x 1080: every classic resolution fits.
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"drivers=1", "modes=51", "first=320240", "last=1921080",
                                                        "exists 640 x 480 x 24=1", "exists depth 0=0", "exists 16=1",
                                                        "size=302", "saved=1", "back to=400300"}));
    EXPECT_EQ(readBytes(file), bitmap3x2());

    // The file loads back into a buffer, scaled to its size, also when the
    // program writes its path with backslashes.
    std::string backslashed = file;
    for (char& c : backslashed)
        if (c == '/') c = '\\';
    ProcessResult load = runImage("graphics_modes", {"4", backslashed});
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_EQ(lines(load.out)[0], "loaded=1");
    unlink(file.c_str());
}

TEST(GraphicsModes, DamagedPicturesLoadNothing) {
    const std::string file = tempFile("damaged.bmp");
    std::vector<uint8_t> damaged = bitmap3x2();
    damaged.resize(40);  // the header promises pixels that are not there
    writeBytes(file, damaged);
    ProcessResult run = runImage("graphics_modes", {"4", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"loaded=0", "corner=" + signedText(0xFF000000),
                                                        "middle=" + signedText(0xFF000000)}));
    writeBytes(file, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    EXPECT_EQ(lines(runImage("graphics_modes", {"4", file}).out)[0], "loaded=0");
    EXPECT_EQ(lines(runImage("graphics_modes", {"4", tempFile("missing.png")}).out)[0], "loaded=0");
    unlink(file.c_str());
}

TEST(GraphicsModes, SixteenBitFullScreenTruncates) {
    ProcessResult run = runImage("graphics_modes", {"2", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"depth=16", "white=" + signedText(0xFFF8FCF8),
                                                        "rgb=248252248", "flipped=" + signedText(0xFF000000)}));
}

TEST(GraphicsModes, ModeZeroIsAWindowUnderADebuggerAndFullScreenWithout) {
    EXPECT_EQ(runImage("graphics_modes", {"3", "-"}).err, "Runtime error: 32\n");
    EXPECT_EQ(runImage("graphics_modes", {"3", "-"}, false).err, "Error!: 16\n");
    // Nothing named and no display server: headless, without a word from
    // probing for one.
    for (const char* variable : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
        unsetenv(variable);
    EXPECT_EQ(runImage("graphics_modes", {"3", "-"}, false).err, "Error!: 16\n");
}

TEST(GraphicsModes, BadBuffersModesAndIndexes) {
    EXPECT_EQ(runImage("graphics_modes", {"5", "-"}).err, "Runtime error: Buffer does not exist\n");
    EXPECT_EQ(runImage("graphics_modes", {"6", "-"}).err, "Runtime error: Illegal Graphics mode\n");
    EXPECT_EQ(runImage("graphics_modes", {"8", "-"}).err, "Runtime error: Illegal graphics driver index\n");
    EXPECT_EQ(runImage("graphics_modes", {"9", "-"}).err, "Runtime error: Illegal graphics mode index\n");
}

// Wide bounds: the refresh is a 60 Hz clock on a shared, noisy machine.
TEST(GraphicsModes, VerticalBlankAndScanLine) {
    ProcessResult run = runImage("graphics_modes", {"7", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"vwait within a few periods=1", "scan lines on screen=1", "flipped=1"}));
}

}  // namespace
}  // namespace korva::test
