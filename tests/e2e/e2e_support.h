// Running module images the way users do: korva-run and packed games as
// child processes, with their output and exit status captured.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "startup/runtime_api.h"

namespace korva::test {

struct ProcessResult {
    int status = -1;       // exit status; -1 when killed or not started
    bool timedOut = false;
    std::string out, err;
};

// A program running beside the test, headless, whose output can be waited
// for line by line. The environment is the test's own plus the given
// "NAME=value" entries.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {});
    // Kills the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until standard output holds a line that is the text; false when
    // the output ends or the time runs out first.
    bool waitForLine(const std::string& line, int timeoutSeconds = 30);
    void signal(int number);
    // Waits for the end; kills the program after the timeout.
    ProcessResult finish(int timeoutSeconds = 30);

private:
    // Takes what the program wrote, waiting at most until the deadline.
    bool readOutput(std::chrono::steady_clock::time_point deadline);

    int pid_ = -1;
    int out_ = -1, err_ = -1;
    ProcessResult result_;
};

// Runs a program headless; kills it after the timeout. The environment is the
// test's own plus the given "NAME=value" entries.
ProcessResult runProcess(const std::vector<std::string>& argv, int timeoutSeconds = 30,
                         const std::vector<std::string>& environment = {});

// The command line of korva-run [--no-debugger] IMAGE ARGS...
std::vector<std::string> runImageCommand(const std::string& name, const std::vector<std::string>& args = {},
                                         bool withDebugger = true);

std::string binPath(const std::string& tool);     // build/bin/TOOL
std::string imagePath(const std::string& name);   // the image built from programs/NAME.c

// korva-run [extra options] IMAGE ARGS...
ProcessResult runImage(const std::string& name, const std::vector<std::string>& args = {},
                       bool withDebugger = true);

// The image built from programs/NAME.c, linked in this process against the
// runtime, for tests that act as a development host.
EntryRoutine linkImage(const std::string& name);
EntryRoutine linkImageFile(const std::string& path);

// The bundled demo game's image and its sprites' folder.
std::string demoImagePath();
std::string demoAssetsFolder();

// korva-pack IMAGE into a fresh file under the test's temporary folder: a
// stand-alone game.
std::string packGame(const std::string& imageFile, const std::string& name);

// A fresh file under the test's temporary folder.
std::string tempFile(const std::string& name);
std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// What korva-run prints on standard error for a runtime error.
inline std::string runtimeError(const std::string& message) { return "Runtime error: " + message + "\n"; }

// A 32-bit value as a program prints it: signed decimal.
inline std::string signedText(uint32_t value) { return std::to_string(static_cast<int32_t>(value)); }

// The lines of a text, without their newlines.
std::vector<std::string> lines(const std::string& text);

}  // namespace korva::test
