// Keyboard, mouse and joysticks fed by synthetic SDL events, headless: the
// events take the same road as a person's (SDL's queue, the window's events,
// or the devices read directly in full screen).
#include <gtest/gtest.h>

#include "input_feeder.h"

namespace korva::test {
namespace {

using Lines = std::vector<std::string>;

TEST(Input, KeysHeldHitQueuedFlushedAndTranslated) {
    InputFeeder feeder;
    feeder.at("held", [] {
        pushKey(SDL_SCANCODE_A, true);
        for (int i = 0; i < 3; ++i) pushKey(SDL_SCANCODE_A, true, KMOD_NONE, true);  // auto-repeat
    });
    feeder.at("forty", [] {
        pushKey(SDL_SCANCODE_A, false);
        for (int i = 0; i < 40; ++i) tapKey(SDL_SCANCODE_B);
    });
    feeder.at("flush", [] { pushKey(SDL_SCANCODE_C, true); });
    feeder.at("shift", [] {
        pushKey(SDL_SCANCODE_C, false);
        tapKey(SDL_SCANCODE_UP);
        pushKey(SDL_SCANCODE_LSHIFT, true);
        tapKey(SDL_SCANCODE_A, KMOD_LSHIFT);
        tapKey(SDL_SCANCODE_2, KMOD_LSHIFT);
    });
    feeder.at("control", [] {
        pushKey(SDL_SCANCODE_LSHIFT, false);
        pushKey(SDL_SCANCODE_RCTRL, true);
        tapKey(SDL_SCANCODE_C, KMOD_RCTRL);
        tapKey(SDL_SCANCODE_RETURN, KMOD_RCTRL);
    });
    feeder.at("locks", [] {
        pushKey(SDL_SCANCODE_RCTRL, false);
        const Uint16 locks = KMOD_CAPS | KMOD_NUM;
        for (SDL_Scancode key : {SDL_SCANCODE_A, SDL_SCANCODE_KP_7, SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_KP_DIVIDE,
                                 SDL_SCANCODE_F1, SDL_SCANCODE_DELETE})
            tapKey(key, locks);
    });
    feeder.at("extended", [] {
        pushKey(SDL_SCANCODE_RCTRL, true);
        pushKey(SDL_SCANCODE_UP, true);
    });
    feeder.at("keypad", [] { pushKey(SDL_SCANCODE_KP_8, true); });
    EXPECT_EQ(feeder.run("input", "1"), (Lines{
                                            "held 1 1 97 0",
                                            "forty 40 32",
                                            "flushed 1 0 0",
                                            "characters 28 0 65 64 0 3 10 65 55 13 47 0 4",
                                            "extended 1 0 1 0 1 1",
                                            "outside 0 0 0 0 0",
                                        }));
    EXPECT_TRUE(feeder.errors().empty());
}

// The default 400 x 300 window; SDL's middle button is its second.
TEST(Input, MouseClampedButtonsWheelAndMoveMouse) {
    InputFeeder feeder;
    feeder.at("far", [] { pushMouseMotion(5000, -20); });
    feeder.at("near", [] { pushMouseMotion(123, 45); });
    feeder.at("buttons", [] {
        pushMouseButton(SDL_BUTTON_LEFT, true);
        pushMouseButton(SDL_BUTTON_RIGHT, true);
        pushMouseButton(SDL_BUTTON_MIDDLE, true);
        pushMouseButton(SDL_BUTTON_RIGHT, false);
        pushMouseButton(SDL_BUTTON_X1, true);
    });
    feeder.at("wheel", [] { pushWheel(1); });
    feeder.at("wheel back", [] { pushWheel(-2); });
    EXPECT_EQ(feeder.run("input", "2"), (Lines{
                                            "far 399 0",
                                            "near 123 45 123 45",
                                            "buttons 1 0 1 1 1 2 3 0",
                                            "wheel 1 1 -1 -2",
                                            "moved 0 0 50 60",
                                        }));
}

// 200 x 150 shown stretched over the 400 x 300 client area.
TEST(Input, TheScaledWindowMapsThePointerToGraphicsPixels) {
    InputFeeder feeder;
    feeder.at("scaled", [] { pushMouseMotion(100, 51); });
    feeder.at("corner", [] { pushMouseMotion(399, 299); });
    EXPECT_EQ(feeder.run("input", "3"), (Lines{"scaled 50 25 199 149 20 30"}));
}

// In full screen keyboard and mouse are read directly, with relative mouse
// motion (read at once: 30 - 100 + 25 stops at the left edge); keys and
// buttons held across a suspension read as up afterwards.
TEST(Input, FullScreenReadsTheDevicesAndForgetsWhatWasHeldAcrossASuspension) {
    InputFeeder feeder;
    feeder.at("direct", [] {
        pushKey(SDL_SCANCODE_A, true);
        pushKey(SDL_SCANCODE_A, true, KMOD_NONE, true);
        pushMouseMotion(0, 0, 30, 40);
        pushMouseMotion(0, 0, -100, 0);
        pushMouseMotion(0, 0, 25, 0);
        pushMouseButton(SDL_BUTTON_LEFT, true);
        pushWheel(2);
    });
    feeder.at("suspend", [] {
        pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
        pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    });
    feeder.at("windowed", [] {
        pushKey(SDL_SCANCODE_D, true);
        pushMouseMotion(7, 8);
    });
    EXPECT_EQ(feeder.run("input", "4"), (Lines{
                                            "direct 1 1 97 0 40 1 2",
                                            "resumed 0 0 0",
                                            "windowed 1 7",
                                        }));
}

TEST(Input, AMissingJoystickPortReadsZeroEverywhere) {
    InputFeeder feeder;
    EXPECT_EQ(feeder.run("input", "5"), (Lines{"missing 0 0 0 0 0 0 0 0 0 0 0 0 0"}));
}

// A virtual game pad, attached before the program first asks for one, then
// unplugged and plugged in again while the program runs.
TEST(Input, AGamePadOnPortZeroUnpluggedAndBack) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    SDL_Joystick* pad = nullptr;
    auto plugIn = [&pad] {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
        pad = SDL_JoystickOpen(index);
    };
    auto unplug = [&pad] {
        SDL_JoystickClose(pad);
        SDL_JoystickDetachVirtual(0);
    };
    plugIn();
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    InputFeeder feeder;
    feeder.at("pad", [&] {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -32768);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, -32768);
        SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
        SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    });
    feeder.at("unplug", unplug);
    feeder.at("replug", [&] {
        plugIn();
        SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    });
    EXPECT_EQ(feeder.run("input", "6"), (Lines{
                                            "pad 1 0 100 -100 0 -180 1 -1 1 1 1 1 12",
                                            "unplugged 1 0 0",
                                            "back 1 1 0",
                                        }));
    unplug();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

// Closing the window while a command waits for input ends the program
// quietly.
TEST(Input, ClosingTheWindowEndsAWait) {
    for (const char* part : {"7", "8", "9"}) {
        SCOPED_TRACE(part);
        InputFeeder feeder;
        feeder.at("close", [] { pushQuit(); });
        EXPECT_EQ(feeder.run("input", part), Lines{});
        EXPECT_TRUE(feeder.errors().empty());
    }
}

}  // namespace
}  // namespace korva::test
