#include <gtest/gtest.h>

#include "input/key_characters.h"

namespace korva {
namespace {

KeyModifiers with(bool shift, bool control = false, bool alt = false, bool capsLock = false, bool numLock = false) {
    return {shift, control, alt, capsLock, numLock};
}

TEST(KeyCharacters, TheUsLayoutWithItsModifiers) {
    const KeyModifiers none;
    EXPECT_EQ(characterOf(0x1E, none), 'a');
    EXPECT_EQ(characterOf(0x1E, with(true)), 'A');
    EXPECT_EQ(characterOf(0x1E, with(false, false, false, true)), 'A');  // Caps Lock
    EXPECT_EQ(characterOf(0x1E, with(true, false, false, true)), 'a');   // Shift undoes it
    EXPECT_EQ(characterOf(0x02, with(false, false, false, true)), '1');  // Caps Lock leaves digits
    EXPECT_EQ(characterOf(0x02, with(true)), '!');
    EXPECT_EQ(characterOf(0x29, with(true)), '~');
    EXPECT_EQ(characterOf(0x56, none), '\\');
    EXPECT_EQ(characterOf(0x1E, with(false, false, true)), 'a');  // Alt alone changes nothing
    EXPECT_EQ(characterOf(0x1E, with(false, true, true)), 0);     // Control + Alt types nothing
}

TEST(KeyCharacters, ControlCharacters) {
    const KeyModifiers control = with(false, true);
    EXPECT_EQ(characterOf(0x1E, control), 1);
    EXPECT_EQ(characterOf(0x2C, with(true, true)), 26);
    EXPECT_EQ(characterOf(0x1A, control), 27);
    EXPECT_EQ(characterOf(0x2B, control), 28);
    EXPECT_EQ(characterOf(0x07, with(true, true)), 30);
    EXPECT_EQ(characterOf(0x07, control), 0);
    EXPECT_EQ(characterOf(0x0E, control), 127);
    EXPECT_EQ(characterOf(0x02, control), 0);
}

TEST(KeyCharacters, FixedCodesKeypadAndKeysWithoutCharacters) {
    const int fixed[][2] = {{199, 1}, {207, 2}, {210, 3}, {211, 4}, {201, 5},
                            {209, 6}, {200, 28}, {208, 29}, {205, 30}, {203, 31}};
    for (const auto& [code, character] : fixed) EXPECT_EQ(characterOf(code, with(true, true, true)), character);
    EXPECT_EQ(characterOf(0x48, KeyModifiers{}), 0);                                 // keypad 8, Num Lock off
    EXPECT_EQ(characterOf(0x48, with(false, false, false, false, true)), '8');
    EXPECT_EQ(characterOf(0x53, with(false, false, false, false, true)), '.');
    EXPECT_EQ(characterOf(0x48, with(true, false, false, false, true)), 0);  // Shift lifts Num Lock
    EXPECT_EQ(characterOf(0x4A, KeyModifiers{}), '-');
    EXPECT_EQ(characterOf(156, KeyModifiers{}), 13);
    EXPECT_EQ(characterOf(156, with(false, true)), 10);
    EXPECT_EQ(characterOf(181, with(true)), '/');
    for (int code : {0, 0x1D, 0x2A, 0x3B, 0x58, 0x7F, 157, 176, 219, 255, 256, -1})
        EXPECT_EQ(characterOf(code, KeyModifiers{}), 0) << code;
}

}  // namespace
}  // namespace korva
