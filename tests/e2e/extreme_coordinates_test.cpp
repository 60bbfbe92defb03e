// Drawing at the ends of the 32-bit range, as programs do it: each command
// draws the part the clipping rules leave, worked out by hand, or nothing,
// and returns promptly.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(ExtremeCoordinates, EveryCommandDrawsItsClippedPartOrNothing) {
    ProcessResult run = runImage("extreme_coordinates");
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "lines",
        "0",     // a line whose end points differ by more than 32 bits, passing far off screen
        "400",   // a whole row
        "1",     // the diagonal through the corner...
        "300",   // ...is 300 pixels long
        "1",     // the diagonal clipped to a viewport at (10, 10)...
        "100",   // ...is 100 pixels long
        "0",     // an origin that moves both ends off screen
        "pixels",
        "1",     // ReadPixel beyond the edge is the mask colour
        "1",     // only the pixel plotted before the origin moved
        "rects",
        "1",     // the outline's top and left edges reach the screen's edges
        "679",   // 390 + 290 - 1: the right and bottom edges lie 2^31 pixels away
        "0",     // a rectangle ending at -1
        "ovals",
        "1",     // the middle of an oval 2^31 pixels high, 100 wide...
        "600",   // ...is its two sides
        "1",     // the top of the same oval: the sides meet at x = 49 and 50...
        "600",   // ...in single precision
        "120000",  // a disc of radius 2^30 round the corner covers the screen
        "0",       // and its outline does not touch it
        "text",
        "0",           // an origin that moves the text off screen
        "0",           // centred or at the right end
        "2147483647",  // StringWidth past 2^31 pixels is the largest width
        "1",           // and centring such a string still draws its middle
        "viewports and copies",
        "113100",  // a viewport from (10, 10) as large as can be: 390 x 290
        "0",       // one ending at -1 is empty
        "1",       // CopyRect of the whole buffer, clipped, moves the pixel at (0, 0)...
        "2",       // ...to (10, 10)
    };
    EXPECT_EQ(lines(run.out), expected);
}

}  // namespace
}  // namespace korva::test
