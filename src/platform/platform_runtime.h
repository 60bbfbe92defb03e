// The one object through which commands reach the operating system during a
// program run: the runtime window and its event loop, suspension and program
// end, debugger forwarding, and (as their modules arrive) the device objects.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "platform/gfx_driver.h"
#include "platform/input_system.h"
#include "platform/window_system.h"

namespace korva {

class Debugger;
class ExternalLibraries;
class PlatformFileSystem;
class Graphics;
class Canvas;
class InputObject;
class WindowInput;
class Timer;

enum class WindowMode { none = 0, scaledWindow = 1, fixedWindow = 2, fullScreen = 3 };

// Flags of openGraphics.
constexpr int32_t kGraphicsWindowed = 1;
constexpr int32_t kGraphicsScaled = 2;
constexpr int32_t kGraphics3D = 4;

class PlatformRuntime {
public:
    // The instance, or null when one already exists or no window could be made.
    static PlatformRuntime* open(const std::string& commandLine, Debugger* debugger);
    // Ignores anything that is not the current instance.
    static void close(PlatformRuntime* platform);
    // The open instance, or null.
    static PlatformRuntime* current() { return current_; }

    // Any thread: queue the stop / run / end request if a program runs.
    static void postRequest(WindowEvent::Kind request);
    // Set by Runtime::execute for the whole of a run: requests posted before
    // the window exists are kept and queued when it opens. Otherwise a
    // request without a window is dropped.
    static void keepEarlyRequests(bool keep);

    // Services the event queue; false means the program must end now. Blocks
    // only while the program is suspended.
    bool idle();
    // How often idle asked the system for new events so far: at most about
    // once per millisecond, and only while the program runs idle.
    uint32_t systemPumps() const { return systemPumps_; }
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

    // Display drivers: the primary one until countDrivers() asks for all.
    int32_t countDrivers();
    const std::vector<GfxDriver>& drivers() const { return drivers_; }

    // The display: null when one is open already or it cannot be opened.
    Graphics* openGraphics(int32_t width, int32_t height, int32_t depth, int32_t driverIndex, int32_t flags);
    void closeGraphics(Graphics* graphics);
    Graphics* graphics() const { return graphics_.get(); }
    // Presents the back buffer (windows: shares it with the front buffer).
    void flip(bool vwait);
    // The display's refresh, kept by a virtual clock at its refresh rate.
    void waitVerticalBlank();
    int32_t scanLine() const;

    // The input object: the input module's Input attaches itself while it
    // lives (false when another one is attached), and detaches before it
    // goes. The window's key and mouse events feed it in the windowed modes;
    // a full-screen display switches it to reading its devices directly.
    bool attachInput(InputObject* input);
    void detachInput(InputObject* input);
    InputObject* input() const { return input_; }

    // A dialog of the runtime's own, drawn over the display while the program
    // waits for it (StartNetGame's). While it is open the window's key and
    // mouse events go to it instead of the program's input (which, in full
    // screen, lets go of its devices) and the pointer shows. showDialog puts
    // the dialog's picture, a canvas of the front buffer's size, in the
    // window in place of the front buffer; closeDialog shows the front buffer
    // again and must come before the picture goes.
    void openDialog(WindowInput* dialog);
    void showDialog(Canvas& picture);
    void closeDialog();
    // The devices read directly, served by the window's system.
    std::unique_ptr<InputSystem> openInputSystem() { return window_->openInputSystem(); }
    WindowMode windowMode() const { return mode_; }
    // Puts the pointer over a pixel of the display (in the scaled window and
    // full screen, where the frame is shown at another size, where it shows).
    void moveMouse(int32_t x, int32_t y);
    // Hidden while keyboard and mouse are read directly.
    void showSystemCursor(bool shown) { window_->setCursorVisible(shown); }

    // The audio object, made by `make` for the runtime window: null while one
    // is open already or when `make` gives none.
    AudioDevice* openAudio(AudioDeviceFactory make);
    // Ignores anything that is not the current audio object.
    void closeAudio(AudioDevice* audio);
    // Null while there is none.
    AudioDevice* audio() const { return audio_.get(); }

    // The file system's operations and directory listings. The filesystem
    // command module opens it when it starts and closes it when it stops.
    // Returns none (null) while one is open already or when there is no
    // memory for it: the module then fails to start.
    PlatformFileSystem* openFileSystem();
    // Closes the listings still open and destroys the file system; anything
    // that is not the open file system (null included) is ignored. Whatever
    // is still open when the platform runtime closes is destroyed then.
    void closeFileSystem(PlatformFileSystem* fileSystem);

    // CallDLL: calls function(in, inSize, out, outSize) in the named shared
    // library and returns its result; 0 ("none") when the library cannot be
    // loaded or has no such function (a function may return 0 as well).
    // Libraries stay loaded, and functions found, until the platform runtime
    // closes; see ExternalLibraries.
    int32_t callDll(const char* library, const char* function, void* in, int32_t inSize, void* out, int32_t outSize);

    // For tests: what the window shows now (see WindowSystem::screen).
    ScreenImage screen() { return window_->screen(); }

private:
    PlatformRuntime(std::unique_ptr<WindowSystem> window, const std::string& commandLine, Debugger* debugger);
    ~PlatformRuntime();

    void dispatch(const WindowEvent& event);
    void dispatchInput(WindowInput& target, const WindowEvent& event);
    void onCloseRequest();
    void notifyDebugger(const char* text, bool serious);
    void suspend();
    void resume();
    void enumerateDrivers(bool all);
    Graphics* openWindowedDisplay(int32_t width, int32_t height, bool scaled);
    Graphics* openFullScreenDisplay(int32_t width, int32_t height, int32_t depth);
    // Shows the front buffer in the window.
    void paint();
    void startRepaintTimer();
    void repaintIfChanged();
    void stopRepaintTimer();
    int32_t refreshPeriodMicroseconds() const;
    void forceSuspend();
    void forceResume();

    static inline PlatformRuntime* current_ = nullptr;
    // Host threads post requests while the program thread may be opening or
    // closing the window: this guards current_ and the requests that arrive
    // while a run starts, before its window exists.
    static inline std::mutex postMutex_;
    static inline bool runStarting_ = false;
    static inline std::vector<WindowEvent::Kind> earlyRequests_;

    std::unique_ptr<WindowSystem> window_;
    Debugger* debugger_;  // none once the end request is taken
    WindowMode mode_ = WindowMode::none;
    bool running_ = true;  // until the end request is taken
    bool suspended_ = false;
    uint32_t systemPumps_ = 0;
    bool busy_ = false;  // set while the runtime itself changes the display, suspends or resumes
    std::string commandLine_;
    bool pointerVisible_ = true;
    std::string appTitle_;
    std::string closePrompt_;
    std::set<Timer*> timers_;
    std::unique_ptr<AudioDevice> audio_;
    std::unique_ptr<PlatformFileSystem> fileSystem_;
    InputObject* input_ = nullptr;
    WindowInput* dialog_ = nullptr;
    Canvas* dialogPicture_ = nullptr;
    std::unique_ptr<ExternalLibraries> libraries_;  // made by the first callDll

    std::vector<GfxDriver> drivers_;
    bool allDriversEnumerated_ = false;
    int32_t currentDriver_ = -1;  // the driver of the open display
    int32_t savedClientWidth_ = 0, savedClientHeight_ = 0;  // the window before full screen
    bool savedResizable_ = false;
    std::unique_ptr<Graphics> graphics_;
    int32_t lastShownModCount_ = 0;
    std::atomic<bool> repaintRunning_{false};
    std::thread repaintTimer_;
};

}  // namespace korva
