// Print, Write, Locate and Input, with keys typed as synthetic SDL events.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "input_feeder.h"

namespace korva::test {
namespace {

using Lines = std::vector<std::string>;

TEST(Console, PrintOpensTheWindowScrollsAndClearsInTheClsColour) {
    InputFeeder feeder;
    EXPECT_EQ(feeder.run("console", "1"), (Lines{
                                              "window 400 300 8 1 1",
                                              "last line 1 1 1 1 1 1 1",
                                              "locate 1 0",
                                          }));
    EXPECT_TRUE(feeder.errors().empty());
}

void tapKeys(std::initializer_list<SDL_Scancode> keys, Uint16 modifiers = KMOD_NONE) {
    for (SDL_Scancode key : keys) tapKey(key, modifiers);
}

TEST(Console, InputEditsTheLine) {
    InputFeeder feeder;
    feeder.at("shifted", [] {
        pushKey(SDL_SCANCODE_LSHIFT, true);
        tapKeys({SDL_SCANCODE_H, SDL_SCANCODE_I, SDL_SCANCODE_1}, KMOD_LSHIFT);
        tapKey(SDL_SCANCODE_RETURN, KMOD_LSHIFT);
    });
    feeder.at("edited", [] {
        pushKey(SDL_SCANCODE_LSHIFT, false);
        tapKeys({SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_LEFT, SDL_SCANCODE_A, SDL_SCANCODE_B, SDL_SCANCODE_C,
                 SDL_SCANCODE_LEFT, SDL_SCANCODE_LEFT, SDL_SCANCODE_DELETE, SDL_SCANCODE_HOME, SDL_SCANCODE_X,
                 SDL_SCANCODE_END, SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_D, SDL_SCANCODE_RIGHT, SDL_SCANCODE_UP,
                 SDL_SCANCODE_RETURN});
    });
    feeder.at("escaped", [] {
        tapKeys({SDL_SCANCODE_A, SDL_SCANCODE_B, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_RETURN});
    });
    // A key held down repeats after 280 ms, then every 40 ms.
    std::thread typist;
    feeder.at("repeated", [&typist] {
        typist = std::thread([] {
            pushKey(SDL_SCANCODE_Z, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            pushKey(SDL_SCANCODE_Z, false);
            tapKey(SDL_SCANCODE_RETURN);
        });
    });
    const Lines lines = feeder.run("console", "2");
    typist.join();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "shifted [HI!]");
    EXPECT_EQ(lines[1], "shown 1");
    EXPECT_EQ(lines[2], "edited [xad]");
    EXPECT_EQ(lines[3], "escaped []");
    const std::string repeated = lines[4].substr(10, lines[4].size() - 11);
    EXPECT_EQ(repeated.find_first_not_of('z'), std::string::npos) << lines[4];
    EXPECT_GE(repeated.size(), 3u) << lines[4];  // 280, 320, ... ms
    EXPECT_LE(repeated.size(), 20u) << lines[4];
}

}  // namespace
}  // namespace korva::test
