// What reaches the screen: a program runs in this process under a debugger
// that keeps what the window shows at every line the program logs.
#pragma once

#include <map>
#include <string>

#include "e2e_support.h"
#include "platform/platform_runtime.h"

namespace korva::test {

class ScreenRecorder final : public QuietDebugger {
public:
    void debugLog(const char* text) override { shots[text] = PlatformRuntime::current()->screen(); }
    std::map<std::string, ScreenImage> shots;
};

// The screen at each logged line of the image built from programs/NAME.c.
inline std::map<std::string, ScreenImage> screensOf(const std::string& image, const std::string& arguments) {
    ScreenRecorder recorder;
    runtimeGetRuntime()->execute(linkImage(image), arguments.c_str(), &recorder);
    return recorder.shots;
}

}  // namespace korva::test
