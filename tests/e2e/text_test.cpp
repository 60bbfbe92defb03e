// Fonts and Text as programs see them, on the headless display with the
// fonts the project's set-up installs.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(Text, FontsAndTextOnTheDefaultWindow) {
    ProcessResult run = runImage("text");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "metrics",
        "12",  // "courier" 12 is 12 pixels high
        "1",   // with a width
        "1",   // shared by narrow and wide characters
        "0",   // StringWidth of nothing
        "1",   // StringHeight is the font's height
        "a byte outside the font",
        "1",  // measured as the default character
        "1",  // drawn as something
        "1",  // the same as another byte outside the font
        "empty text",
        "0",
        "centring",
        "1",  // drawn
        "1",  // half the width left, half the height up
        "clipping at the viewport",
        "0",  // nothing outside the viewport
        "1",  // something inside
        "1",  // the same pixels as unclipped text
        "0",  // text wholly outside draws nothing
        "black text",
        "1",  // drawn in 0x000010
        "0",  // not in black
        "loaded fonts",
        "0",   // a missing font file
        "1",   // a font file
        "20",  // its height
        "1",   // proportional
        "1",   // drawn below a 12-pixel cell
        "12",  // freed: back to the default font
        "24",  // a styled face by name
        "1",   // the buffer selected next draws in it
    };
    EXPECT_EQ(lines(run.out), expected);
}

TEST(Text, FontsThatDoNotExistAreFaultsUnderTheDebugger) {
    for (const char* part : {"1", "2"}) {
        ProcessResult run = runImage("text", {part});
        EXPECT_EQ(run.err, "Runtime error: Font does not exist\n") << part;
    }
}

TEST(Text, FreeingAnUnknownFontWithoutTheDebuggerIsIgnored) {
    EXPECT_EQ(runImage("text", {"2"}, false).err, "Error!: not stopped\n");
}

}  // namespace
}  // namespace korva::test
