// Input without a person: a program runs in this process under a debugger
// that answers the lines it logs (DebugLog) by pushing synthetic SDL events
// into the runtime's queue, exactly as SDL's own video driver would. Marker
// lines ("@NAME") only ask for input; every other line is kept as the
// program's output and may ask for input too.
#pragma once

#include <SDL.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "startup/runtime_api.h"

namespace korva::test {

class InputFeeder final : public QuietDebugger {
public:
    // What to do when the program logs the line, or "@" + the line.
    void at(const std::string& line, std::function<void()> action) { actions_[line] = std::move(action); }
    // What to do with every line of output.
    void onEveryLine(std::function<void(const std::string&)> watcher) { watcher_ = std::move(watcher); }

    // Runs the image built from programs/NAME.c (or the image file at a
    // path) with the argument text; the lines it logged, markers left out.
    std::vector<std::string> run(const std::string& image, const std::string& arguments);
    // Serious messages (runtime errors) the run reported.
    const std::vector<std::string>& errors() const { return errors_; }

    void debugLog(const char* text) override;
    void debugMsg(const char* text, bool serious) override {
        if (serious) errors_.push_back(text);
    }

private:
    std::map<std::string, std::function<void()>> actions_;
    std::function<void(const std::string&)> watcher_;
    std::vector<std::string> output_;
    std::vector<std::string> errors_;
};

// Synthetic events.
void pushKey(SDL_Scancode key, bool down, Uint16 modifiers = KMOD_NONE, bool repeat = false);
void tapKey(SDL_Scancode key, Uint16 modifiers = KMOD_NONE);  // down, then up
void pushMouseMotion(int x, int y, int dx = 0, int dy = 0);
void pushMouseButton(Uint8 button, bool down);
void pushWheel(int notches);
void pushWindowEvent(SDL_WindowEventID event);
void pushQuit();

}  // namespace korva::test
