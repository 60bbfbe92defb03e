// Drawing as programs see it, on the headless display, checked against
// pixel sets worked out from the drawing rules.
#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(Graphics, DrawingOnTheDefaultWindow) {
    ProcessResult run = runImage("graphics_drawing");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "400", "300", "32",
        "pixels", signedText(0xFF345678), signedText(0xFF000000),
        "colours", "255255255", "1000",
        "lines", "1", "0",
        "#........",
        ".........",
        ".........",
        ".........",
        ".........",
        "#########",
        ".........",
        ".........",
        "..##.....",
        "....##...",
        "......##.",
        ".........",
        "rect outline in a viewport",
        "............",
        "............",
        "............",
        "............",
        "............",
        ".........#..",
        ".........#..",
        ".........#..",
        ".........#..",
        ".....#####..",
        "............",
        "............",
        "solid rect and origin",
        ".......",
        ".#.....",
        ".......",
        "...###.",
        "...###.",
        ".......",
        "ovals",
        "...####.....",
        ".##....##...",
        ".#......#...",
        "#........#..",
        "#........#..",
        "#........#..",
        "#........#..",
        ".#......#...",
        ".##....##...",
        "...####.....",
        "............",
        "...####.....",
        ".########...",
        ".########...",
        "##########..",
        "##########..",
        "##########..",
        "##########..",
        ".########...",
        ".########...",
        "...####.....",
        "............",
        "#..",
        "...",
        "..............",
        "....######....",
        "..##......##..",
        ".#..........#.",
        ".#..........#.",
        "..##......##..",
        "....######....",
        "..............",
        "copy rect clipped on the left",
        "..##.#",
        "..##..",
    };
    EXPECT_EQ(lines(run.out), expected);
}

}  // namespace
}  // namespace korva::test
