// Fonts a program cannot afford: LoadFont returns 0 before drawing glyphs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "e2e_support.h"

namespace korva::test {
namespace {

uint32_t bigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// A copy of a TrueType face whose Windows ascent and descent add up to one
// font unit: scaled to a 12-pixel cell, every character is thousands of
// pixels wide.
std::vector<uint8_t> hugeAdvanceFont() {
    std::vector<uint8_t> font = readBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    const size_t tables = size_t{font.at(4)} << 8 | font.at(5);
    for (size_t record = 12; record < 12 + 16 * tables; record += 16) {
        if (std::memcmp(&font.at(record), "OS/2", 4) != 0) continue;
        const size_t os2 = bigEndian32(&font.at(record + 8));
        const uint8_t ascentAndDescent[] = {0, 1, 0, 0};  // usWinAscent 1, usWinDescent 0
        std::memcpy(&font.at(os2 + 74), ascentAndDescent, sizeof ascentAndDescent);
    }
    return font;
}

TEST(FontLimits, ImpossibleSizesAndFacesLoadNothingPromptly) {
    const std::string crafted = tempFile("huge-advances.ttf");
    writeBytes(crafted, hugeAdvanceFont());
    ProcessResult run = runImage("font_limits", {crafted});
    ASSERT_EQ(run.status, 0) << run.err;
    // Each attempt: the font (0) and whether it took under three seconds;
    // then a large font that fits still loads.
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"0", "1", "0", "1", "0", "1", "1"}));
    unlink(crafted.c_str());
}

}  // namespace
}  // namespace korva::test
