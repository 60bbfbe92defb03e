// Images and collisions as programs see them, headless: expectations worked
// out from the drawing, placement and resampling rules.
#include <gtest/gtest.h>

#include <cstring>

#include "e2e_support.h"
#include "file_test_folder.h"
#include "screen_recorder.h"

namespace korva::test {
namespace {

class Images : public ::testing::Test {
protected:
    ProcessResult step(const std::string& number, bool withDebugger = true) const {
        return runImage("images", {number, folder_.path()}, withDebugger);
    }
    std::vector<std::string> output(const std::string& number) const {
        ProcessResult run = step(number);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("Runtime error"), std::string::npos) << run.err;
        return lines(run.out);
    }

    TestFolder folder_{"images", 0};
};

// A 64 x 32 picture of 16 x 16 cells: first 3, count 5 walks (48, 0), then
// the second row; a 70-wide picture leaves its partial sixth column unused.
TEST_F(Images, AnimationStripsWalkTheCells) {
    EXPECT_EQ(output("01"), (std::vector<std::string>{
                                "size 1616", "cell 3", "uniform 1", "cell 4", "uniform 1", "cell 5", "uniform 1",
                                "cell 6", "uniform 1", "cell 7", "uniform 1", "cell 3", "uniform 1", "cell 4",
                                "uniform 1", "strip handle 808", "picture handle 3216"}));
}

TEST_F(Images, HandlesPlaceTheFrames) {
    EXPECT_EQ(output("02"), (std::vector<std::string>{"mid handle 1610", "frame 1 corner lit 1", "left of it dark 1",
                                                       "plain handle 0", "top left 51200", "bottom right 51200",
                                                       "beyond 0", "midhandle 1616"}));
}

// A quarter turn of 32 x 16: the cosine's residue adds a transparent column.
// Scaling by 2 without the filter repeats pixels; with it the edges take in
// the black outside: (1 - 0.25)^2 of white at the corner, 0.75 at the edge.
TEST_F(Images, TransformationsKeepTheHandleFixed) {
    EXPECT_EQ(output("03"),
              (std::vector<std::string>{"rotated size 1732", "rotated handle 1600", "red 16711680", "green 65280",
                                        "blue 255", "added column 0", "scaled size 2020", "scaled handle 1010",
                                        "duplicated 1", "filtered corner " + std::to_string(0x8F8F8F),
                                        "filtered edge " + std::to_string(0xBFBFBF),
                                        "filtered inside " + std::to_string(0xFFFFFF), "after scaling by 0 2020", "after scaling too far 2020",
                                        "resized 6408", "front selected 1"}));
}

TEST_F(Images, TilesSitOnTheGridThroughThePosition) {
    EXPECT_EQ(output("04"), (std::vector<std::string>{"at 0: 0 32 64 96", "last column 16777215", "outside 0",
                                                       "at 10: 10 42 74", "left of the first 16777215",
                                                       "viewport from 40: 42 74", "masked: 0 32 64 96",
                                                       "masked background 255"}));
}

TEST_F(Images, FreeingNeverLeavesTheBufferOnAFreedFrame) {
    EXPECT_EQ(output("05"),
              (std::vector<std::string>{"front buffer current 1", "freed twice 1", "after EndGraphics 1"}));
}

TEST_F(Images, ProgramFaultsUnderADebugger) {
    const std::pair<const char*, const char*> faults[] = {
        {"10", "Not enough frames in bitmap"}, {"11", "Not enough frames in bitmap"},
        {"12", "Illegal frame count"},         {"13", "Illegal first frame"},
        {"14", "Illegal cell size"},           {"15", "Image does not exist"},
        {"16", "Image frame out of range"},    {"17", "Image frame out of range"},
        {"18", "Image does not exist"},        {"19", "Image frame out of range"},
    };
    for (auto [number, message] : faults) EXPECT_EQ(step(number).err, runtimeError(message)) << number;
    // LoadAnimImage's checks hold without a debugger too.
    EXPECT_EQ(step("10", false).err, std::string("Error!: Not enough frames in bitmap\n"));
    EXPECT_EQ(step("14", false).err, std::string("Error!: Illegal cell size\n"));
}

// Width 0, no collision, no copy, no buffer for frame 1 of a one-frame image.
TEST_F(Images, FramelessImagesAreHarmlessWithoutADebugger) {
    EXPECT_EQ(step("20", false).err, "Error!: 00000\n");
}

// Under a magenta mask, (250, 2, 252) truncates to the mask's native value
// in 565 and vanishes; so does (7, 3, 7) under black. In 32 bits both draw.
TEST_F(Images, MaskColourAliasesInSixteenBits) {
    EXPECT_EQ(output("21"), (std::vector<std::string>{"masked 248", "solid " + std::to_string(0xF800F8),
                                                       "dark on black mask 248"}));
    EXPECT_EQ(output("22"), (std::vector<std::string>{"masked " + std::to_string(0xFA02FC),
                                                       "solid " + std::to_string(0xFA02FC),
                                                       "dark on black mask " + std::to_string(0x070307)}));
}

TEST_F(Images, CopiesGrabsSavesAndParts) {
    EXPECT_EQ(output("23"),
              (std::vector<std::string>{"copy handle 203", "copy pixel 65280", "copy transparent 0",
                                        "grabbed 16776960", "grabbed elsewhere 0", "saved 1",
                                        "saved into a missing folder 0", "rect part 65280",
                                        "rect beside 16711935", "masked rect part 65280",
                                        "masked rect transparent 0"}));
    // 8 x 8 at 24 bits: rows of 24 bytes after the 54 header bytes.
    EXPECT_EQ(readBytes(folder_ / "frame.bmp").size(), 54u + 8 * 24);
}

std::vector<uint8_t> bitmapHeader(int32_t width, int32_t height, uint16_t bitsPerPixel) {
    std::vector<uint8_t> header(54, 0);
    const uint32_t fields[][2] = {{2, 54}, {10, 54}, {14, 40}, {18, static_cast<uint32_t>(width)},
                                  {22, static_cast<uint32_t>(height)}};
    header[0] = 'B';
    header[1] = 'M';
    for (auto [offset, value] : fields) std::memcpy(&header[offset], &value, 4);
    header[26] = 1;
    std::memcpy(&header[28], &bitsPerPixel, 2);
    return header;
}

TEST_F(Images, DamagedPicturesLoadNothing) {
    ASSERT_EQ(step("01").status, 0);
    const std::vector<uint8_t> whole = readBytes(folder_ / "cells.bmp");
    std::vector<std::vector<uint8_t>> damaged = {bitmapHeader(100000, 100000, 24), bitmapHeader(0, 10, 24),
                                                 bitmapHeader(4, 4, 7), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}};
    for (size_t length : {size_t{40}, size_t{54}, size_t{1000}, whole.size() - 1})
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(length));
    for (const std::vector<uint8_t>& bytes : damaged) {
        writeBytes(folder_ / "damaged.bmp", bytes);
        EXPECT_EQ(output("24"), (std::vector<std::string>{"image 0", "strip 0", "missing 0"})) << bytes.size();
    }
}

// A sprite with a magenta margin drawn masked about its handle, and tiles
// on the grid through the viewport's corner, shown by Flip.
TEST_F(Images, WhatReachesTheScreen) {
    const ScreenImage shot = screensOf("images", "25 " + folder_.path())["shown"];
    ASSERT_EQ(shot.width, 64);
    const uint32_t blue = 0x0000FF, white = 0xFFFFFF, red = 0xFF0000, green = 0x00FF00;
    EXPECT_EQ(shot.rgbAt(8, 8), white);
    EXPECT_EQ(shot.rgbAt(11, 11), white);
    EXPECT_EQ(shot.rgbAt(7, 8), blue);
    EXPECT_EQ(shot.rgbAt(12, 12), blue);
    EXPECT_EQ(shot.rgbAt(6, 6), blue);
    EXPECT_EQ(shot.rgbAt(32, 24), red);
    EXPECT_EQ(shot.rgbAt(33, 25), green);
    EXPECT_EQ(shot.rgbAt(63, 47), green);
    EXPECT_EQ(shot.rgbAt(31, 23), blue);
}

TEST(Collisions, BoxesAndPixels) {
    ProcessResult run = runImage("collisions");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out),
              (std::vector<std::string>{
                  "touching rects 0", "corner overlap 1", "empty rect inside 1", "far apart, no wrapping 0",
                  "boxes at 15 1", "boxes at 16 0", "pixels at 15 1", "pixels at 16 0", "one column 1",
                  "column transparent 0", "into the second word 1", "short of it 0", "swept hits 1039",
                  "rect in margin, pixels 0", "rect in margin, box 1", "rect on the body 1", "rect beside 0",
                  "before drawing 0", "after WritePixel 1", "after clearing it 0", "after DrawImage 1",
                  "on the brush 1", "on black 0", "on the brush after MaskImage 0", "on black after MaskImage 1",
                  "after Rect 1", "after RotateImage 0", "rotated, moved over 1"}));
}

}  // namespace
}  // namespace korva::test
