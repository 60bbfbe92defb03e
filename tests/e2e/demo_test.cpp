// The bundled demo game, headless: nobody there, and a player.
#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e_support.h"
#include "input_feeder.h"

namespace korva::test {
namespace {

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The title, then the game playing itself, shooting saucers, and the end
// without anybody pressing a key; its sounds load, and a run in attract mode
// keeps no score.
TEST(Demo, NobodyThereItPlaysItselfAndEnds) {
    const std::string scores = tempFile("scores");
    const ProcessResult run =
        runProcess({binPath("korva-run"), demoImagePath(), "--scores=" + scores, demoAssetsFolder()}, 60);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out.front(), "title");
    EXPECT_EQ(out[1], "attract");
    EXPECT_TRUE(hasLine(out, "score 100") || hasLine(out, "score 50")) << run.out;
    EXPECT_EQ(out[out.size() - 2].rfind("attract over ", 0), 0u);
    EXPECT_EQ(out.back(), "bye");
    EXPECT_EQ(run.out.find("no sound"), std::string::npos) << run.out;
    EXPECT_NE(access(scores.c_str(), F_OK), 0);
}

// A click starts a game, Space held down fires until a saucer is down,
// Escape gives up, and the pilot's name typed on the console goes into the
// high-score file. Then nobody is there any more.
TEST(Demo, APlayerShootsAndEntersAHighScore) {
    const std::string scores = tempFile("scores");
    InputFeeder feeder;
    bool started = false, scored = false;
    feeder.onEveryLine([&](const std::string& line) {
        if (line == "title" && !started) {
            started = true;
            pushMouseButton(SDL_BUTTON_LEFT, true);
            pushMouseButton(SDL_BUTTON_LEFT, false);
        } else if (line == "wave 1" && !scored) {
            pushKey(SDL_SCANCODE_SPACE, true);
        } else if (line.rfind("score ", 0) == 0 && !scored) {
            scored = true;
            pushKey(SDL_SCANCODE_SPACE, false);
            tapKey(SDL_SCANCODE_ESCAPE);
        } else if (line.rfind("new high score ", 0) == 0) {
            for (SDL_Scancode key : {SDL_SCANCODE_A, SDL_SCANCODE_C, SDL_SCANCODE_E, SDL_SCANCODE_RETURN})
                tapKey(key);
        }
    });
    const std::vector<std::string> out =
        feeder.run(demoImagePath(), "--scores=" + scores + " " + demoAssetsFolder());
    EXPECT_TRUE(feeder.errors().empty());
    auto over = std::find_if(out.begin(), out.end(), [](const std::string& l) { return l.rfind("game over ", 0) == 0; });
    ASSERT_NE(over, out.end());
    const std::string points = over->substr(10);
    EXPECT_GE(std::stoi(points), 100);
    EXPECT_TRUE(hasLine(out, "high score ACE " + points));
    EXPECT_EQ(out.back(), "bye");
    const std::vector<uint8_t> file = readBytes(scores);
    std::string text(file.begin(), file.end());
    std::erase(text, '\r');  // lines end in CR LF
    const std::vector<std::string> saved = lines(text);
    ASSERT_EQ(saved.size(), 10u);
    EXPECT_EQ(saved[0], "ACE");
    EXPECT_EQ(saved[1], points);
    EXPECT_EQ(saved[2], "-----");
    unlink(scores.c_str());
}

}  // namespace
}  // namespace korva::test
