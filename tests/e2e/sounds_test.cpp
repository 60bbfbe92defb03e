// Sounds, channels and music as programs use them, with what the mixer sent
// to the sound device captured through SDL's disk driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "file_test_folder.h"
#include "sound_files.h"

namespace korva::test {
namespace {

// Sets an environment variable for the programs a test runs.
class Environment {
public:
    Environment(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
    ~Environment() { setenv(name_, "dummy", 1); }

private:
    const char* name_;
};

std::vector<uint8_t> firstBytes(const std::string& path, size_t count) {
    std::vector<uint8_t> bytes = readBytes(path);
    bytes.resize(std::min(bytes.size(), count));
    return bytes;
}

// The sound files of the program in a fresh folder.
void writeSoundFiles(const TestFolder& folder) {
    const std::string sounds = std::string(KORVA_SOURCE_DIR) + "/tests/e2e/sounds";
    writeToneWav(folder / "short.wav", 880, 0.05, 22050);
    writeToneWav(folder / "tone.wav", 440, 0.4, 22050);
    writeToneWav(folder / "long.wav", 440, 2.0, 22050, 2);
    writeToneWav(folder / "MUSIC.WAV", 440, 0.3, 22050);
    for (const char* name : {"tone.ogg", "tone.mp3"}) std::filesystem::copy_file(sounds + "/" + name, folder / name);
    std::filesystem::copy_file(sounds + "/tone.ogg", folder / "doomed.ogg");
    writeModule(folder / "song.mod");
    writeMidi(folder / "song.mid");

    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
    writeBytes(folder / "damaged.mod", garbage);
    garbage.insert(garbage.begin(), {'R', 'I', 'F', 'F', 0, 1, 0, 0, 'W', 'A', 'V', 'E'});
    writeBytes(folder / "damaged.wav", garbage);
    writeBytes(folder / "cut.wav", firstBytes(folder / "tone.wav", 40));
    writeBytes(folder / "damaged.ogg", firstBytes(folder / "tone.ogg", 120));
    writeBytes(folder / "damaged.mp3", firstBytes(folder / "tone.mp3", 60));
    writeBytes(folder / "damaged.mid", firstBytes(folder / "song.mid", 30));
}

// Runs the program on SDL's disk driver; what it played is then in FOLDER/output.raw.
StereoRecording runRecorded(const TestFolder& folder, const std::vector<std::string>& expectedLines = {}) {
    const std::string captured = folder / "output.raw";
    Environment driver("SDL_AUDIODRIVER", "disk");
    setenv("SDL_DISKAUDIOFILE", captured.c_str(), 1);
    ProcessResult run = folder.run("sounds");
    EXPECT_EQ(run.status, 0) << run.err;
    if (!expectedLines.empty()) EXPECT_EQ(lines(run.out), expectedLines);
    return StereoRecording(captured);
}

TEST(Sounds, ChannelsStreamsMusicAndDamagedFiles) {
    TestFolder folder("sounds", 0);
    writeSoundFiles(folder);
    ProcessResult run = folder.run("sounds");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "loaded 1", "playing 1", "ended 0", "reused 1", "handles 1",
        "old playing 0", "music playing 1",  // the music took the ended sound's voice
        "stopped music 0", "same channel 1", "restarted 1", "played once 0", "mp3 1",
        "started 32", "thirty-third 0", "after free 1", "channel 0 0", "wild 1",
        "module 1", "midi 1", "capital wav 1", "cd 1",
        "bad wav 0", "cut wav 0", "bad ogg 0", "bad mp3 0", "bad module 0", "bad midi 0", "missing 0",
        "deleted still playing 1", "same name again 1", "done"};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(Sounds, WhatTheMixerOutputs) {
    TestFolder folder("sounds-mixed", 1);
    writeSoundFiles(folder);
    const StereoRecording output = runRecorded(folder);
    EXPECT_NEAR(output.frames() / 44100.0, 5.4, 1.0);  // as long as the program ran
    const auto spans = output.sounding(300, 4410);
    ASSERT_EQ(spans.size(), 7u);
    const auto& centre = spans[0];
    EXPECT_NEAR(centre.seconds(), 0.4, 0.02);
    EXPECT_NEAR(output.frequency(centre), 440, 10);
    EXPECT_NEAR(output.level(centre, 0), 11585, 600);  // a sine at half scale, full volume, centre: both sides whole
    EXPECT_NEAR(output.level(centre, 1), output.level(centre, 0), 50);
    // Panned left just after it started: the right side hears at most a few milliseconds.
    EXPECT_LT(output.level(spans[1], 1), output.level(spans[1], 0) * 0.1);
    EXPECT_NEAR(output.level(spans[2], 0) / output.level(centre, 0), 63 / 255.0, 0.02);  // SoundVolume 0.25
    EXPECT_NEAR(spans[3].seconds(), 0.2, 0.02);  // twice its rate
    EXPECT_NEAR(output.frequency(spans[3]), 880, 20);
    EXPECT_NEAR(spans[4].seconds(), 0.7, 0.15);  // the module until StopChannel
    EXPECT_NEAR(spans[5].seconds(), 0.2, 0.08);  // paused
    EXPECT_NEAR((spans[6].start - spans[5].end) / 44100.0, 0.5, 0.08);
    EXPECT_NEAR(spans[6].seconds(), 0.2, 0.08);  // resumed, then stopped
}

TEST(Sounds, MidiIsHeard) {
    TestFolder folder("sounds-midi", 5);
    writeSoundFiles(folder);
    const auto spans = runRecorded(folder, {"midi playing 1", "done"}).sounding(100, 4410);
    ASSERT_FALSE(spans.empty());
    EXPECT_GT(spans[0].seconds(), 0.5);
}

TEST(Sounds, DebuggerChecksSoundHandles) {
    for (int scenario : {2, 3}) {
        SCOPED_TRACE(scenario);
        TestFolder folder("sounds-checks", scenario);
        writeToneWav(folder / "tone.wav", 440, 0.4, 22050);
        ProcessResult run = folder.run("sounds");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, runtimeError("Sound does not exist"));
    }
}

TEST(Sounds, PlayWithoutAnySoundDevice) {
    TestFolder folder("sounds-no-device", 4);
    writeToneWav(folder / "tone.wav", 440, 0.4, 22050);
    Environment driver("SDL_AUDIODRIVER", "no-such-driver");
    ProcessResult run = folder.run("sounds");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"played 1", "done"}));
}

}  // namespace
}  // namespace korva::test
