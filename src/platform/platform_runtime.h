// The one object through which commands reach the operating system during a
// program run: the runtime window and its event loop, suspension and program
// end, debugger forwarding, and (as their modules arrive) the device objects.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "platform/window_system.h"

namespace korva {

class Debugger;
class Timer;

enum class WindowMode { none = 0, scaledWindow = 1, fixedWindow = 2, fullScreen = 3 };

class PlatformRuntime {
public:
    // The instance, or null when one already exists or no window could be made.
    static PlatformRuntime* open(void* instance, const std::string& commandLine, Debugger* debugger);
    // Ignores anything that is not the current instance.
    static void close(PlatformRuntime* platform);
    // The open instance, or null.
    static PlatformRuntime* current();

    // Any thread: queue the stop / run / end request if a program runs.
    static void postRequest(WindowEvent::Kind request);

    // Services the event queue; false means the program must end now. Blocks
    // only while the program is suspended.
    bool idle();
    // Waits while servicing the queue at least every 100 ms; false if the
    // program must end.
    bool delay(int milliseconds);
    void stopNow();

    void debugStmt(int a, int b);
    void debugEnter(int a, int b, int c);
    void debugLeave();
    void debugLog(const char* text);
    void debugError(const char* text);
    void debugInfo(const char* text);

    const std::string& commandLine() const { return commandLine_; }
    void setTitle(const std::string& title, const std::string& closePrompt);
    void setPointerVisible(bool visible);
    bool shellExecute(const std::string& command);

    Timer* createTimer(int hertz);
    void freeTimer(Timer* timer);

    bool suspended() const;
    WindowMode windowMode() const;

private:
    PlatformRuntime(void* instance, std::unique_ptr<WindowSystem> window, const std::string& commandLine);
    ~PlatformRuntime();

    void dispatch(const WindowEvent& event);
    void onCloseRequest();
    void notifyDebugger(const char* text, bool serious);
    void suspend();
    void resume();
    void forceSuspend();
    void forceResume();

    [[maybe_unused]] void* instance_;  // for the devices that need the module handle
    std::unique_ptr<WindowSystem> window_;
    std::string commandLine_;
    bool pointerVisible_ = true;
    std::string appTitle_;
    std::string closePrompt_;
    std::set<Timer*> timers_;
};

}  // namespace korva
