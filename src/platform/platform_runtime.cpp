#include "platform/platform_runtime.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "graphics/graphics.h"
#include "platform/clock.h"
#include "platform/external_libraries.h"
#include "platform/input_object.h"
#include "platform/platform_file_system.h"
#include "platform/system_info.h"
#include "startup/runtime_api.h"
#include "startup/timer.h"

namespace korva {
namespace {

std::unique_ptr<WindowSystem> openWindowSystem() {
    const char* wanted = std::getenv("KORVA_WINDOW_SYSTEM");
    if (wanted != nullptr && std::strcmp(wanted, "null") == 0) return openNullWindowSystem();
    if (auto window = openSdlWindowSystem()) return window;
    return openNullWindowSystem();
}

}  // namespace

PlatformRuntime* PlatformRuntime::open(const std::string& commandLine, Debugger* debugger) {
    if (current_ != nullptr) return nullptr;
    auto* platform = new PlatformRuntime(openWindowSystem(), commandLine, debugger);
    std::lock_guard lock(postMutex_);
    current_ = platform;
    for (WindowEvent::Kind request : earlyRequests_) platform->window_->postRequest(request);
    earlyRequests_.clear();
    return platform;
}

void PlatformRuntime::close(PlatformRuntime* platform) {
    if (platform == nullptr || platform != current_) return;
    {
        std::lock_guard lock(postMutex_);
        current_ = nullptr;
    }
    delete platform;
}

void PlatformRuntime::postRequest(WindowEvent::Kind request) {
    std::lock_guard lock(postMutex_);
    if (current_ != nullptr)
        current_->window_->postRequest(request);
    else if (runStarting_)
        earlyRequests_.push_back(request);
}

void PlatformRuntime::keepEarlyRequests(bool keep) {
    std::lock_guard lock(postMutex_);
    runStarting_ = keep;
    earlyRequests_.clear();
}

PlatformRuntime::PlatformRuntime(std::unique_ptr<WindowSystem> window, const std::string& commandLine,
                                 Debugger* debugger)
    : window_(std::move(window)), debugger_(debugger), commandLine_(commandLine) {
    enumerateDrivers(false);
}

PlatformRuntime::~PlatformRuntime() {
    libraries_.reset();
    for (Timer* timer : timers_) delete timer;
    audio_.reset();
    closeGraphics(graphics_.get());
    fileSystem_.reset();
}

bool PlatformRuntime::idle() {
    using Kind = WindowEvent::Kind;
    const WindowSystem::Pumped pumped = window_->pumpEvents();
    if (pumped.systemAsked) ++systemPumps_;
    if (!pumped.eventsMayWait && !suspended_) return running_;
    for (;;) {
        auto event = window_->nextEvent(suspended_ && running_);
        if (!event) return running_;
        switch (event->kind) {
            case Kind::stopRequest:
                if (!suspended_) forceSuspend();
                break;
            case Kind::runRequest:
                if (suspended_) forceResume();
                break;
            case Kind::endRequest:
                debugger_ = nullptr;
                running_ = false;
                break;
            default:
                dispatch(*event);
        }
    }
}

// The window procedure. In full screen any event of an active program takes
// the input devices back (a no-op while they are held), and its key and
// mouse events are left to them; in the other modes those events feed the
// input object.
void PlatformRuntime::dispatch(const WindowEvent& event) {
    if (busy_) return;
    using Kind = WindowEvent::Kind;
    const bool fullScreen = mode_ == WindowMode::fullScreen;
    switch (event.kind) {
        case Kind::close:
            onCloseRequest();
            return;
        case Kind::focusLost:
            if (fullScreen && !suspended_) suspend();
            return;
        case Kind::focusGained:
            if (fullScreen && suspended_) resume();
            break;
        case Kind::exposed:
            paint();
            break;
        case Kind::repaintTimer:
            repaintIfChanged();
            break;
        default:
            break;
    }
    if (suspended_) return;
    if (dialog_ != nullptr) {
        dispatchInput(*dialog_, event);
    } else if (input_ != nullptr) {
        if (fullScreen)
            input_->acquireDevices();
        else
            dispatchInput(*input_, event);
    }
}

// Auto-repeats of a held key are not presses. The pointer counts only over
// a display, in the display's pixels.
void PlatformRuntime::dispatchInput(WindowInput& target, const WindowEvent& event) {
    using Kind = WindowEvent::Kind;
    switch (event.kind) {
        case Kind::keyDown:
        case Kind::keyUp:
            if (event.code != 0 && !event.repeat) target.keyEvent(event.code, event.kind == Kind::keyDown, event.locks);
            break;
        case Kind::buttonDown:
        case Kind::buttonUp:
            if (event.code != 0) target.buttonEvent(event.code, event.kind == Kind::buttonDown);
            break;
        case Kind::mouseMove:
            if (graphics_) {
                int32_t x = event.x, y = event.y;
                window_->clientToFrame(x, y);
                const Canvas& front = *graphics_->frontCanvas();
                target.mouseMoved(std::clamp(x, 0, front.width() - 1), std::clamp(y, 0, front.height() - 1));
            }
            break;
        case Kind::wheel:
            if (graphics_) target.wheelMoved(event.code);
            break;
        default:
            break;
    }
}

bool PlatformRuntime::attachInput(InputObject* input) {
    if (input_ != nullptr) return false;
    input_ = input;
    return true;
}

void PlatformRuntime::detachInput(InputObject* input) {
    if (input == input_) input_ = nullptr;
}

// Full screen gives the devices back to the window while the dialog is
// open, so that its events come as they do in a window.
void PlatformRuntime::openDialog(WindowInput* dialog) {
    dialog_ = dialog;
    if (mode_ == WindowMode::fullScreen && input_ != nullptr) input_->releaseDevices();
    if (mode_ != WindowMode::none) window_->setCursorVisible(true);
}

void PlatformRuntime::showDialog(Canvas& picture) {
    dialogPicture_ = &picture;
    paint();
}

void PlatformRuntime::closeDialog() {
    dialog_ = nullptr;
    dialogPicture_ = nullptr;
    if (mode_ == WindowMode::scaledWindow || mode_ == WindowMode::fixedWindow) window_->setCursorVisible(pointerVisible_);
    if (mode_ == WindowMode::fullScreen && input_ != nullptr && !suspended_) input_->acquireDevices();
    paint();
}

void PlatformRuntime::moveMouse(int32_t x, int32_t y) {
    if (mode_ != WindowMode::none) window_->moveMouse(x, y);
}

void PlatformRuntime::onCloseRequest() {
    if (!closePrompt_.empty() && !window_->askOkCancel(appTitle_, closePrompt_)) return;
    window_->postRequest(WindowEvent::Kind::endRequest);
}

bool PlatformRuntime::delay(int milliseconds) {
    const uint32_t end = milliClock() + static_cast<uint32_t>(milliseconds);
    for (;;) {
        if (!idle()) return false;
        const auto left = static_cast<int32_t>(end - milliClock());
        if (left < 1) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 100)));
    }
}

void PlatformRuntime::stopNow() {
    if (!suspended_) forceSuspend();
}

void PlatformRuntime::suspend() {
    busy_ = true;
    if (mode_ == WindowMode::fullScreen) {
        if (graphics_) graphics_->backupAll();
        if (input_ != nullptr) input_->releaseDevices();
    }
    busy_ = false;
    suspended_ = true;
    if (debugger_ != nullptr) debugger_->debugStop();
}

void PlatformRuntime::resume() {
    busy_ = true;
    if (mode_ == WindowMode::fullScreen) {
        if (input_ != nullptr && dialog_ == nullptr) input_->acquireDevices();
        if (graphics_) graphics_->restoreAll();
    }
    suspended_ = false;
    busy_ = false;
    if (debugger_ != nullptr) debugger_->debugRun();
}

// In full screen the program suspends by losing the foreground (the focus
// event does the rest); windows suspend directly.
void PlatformRuntime::forceSuspend() {
    if (mode_ == WindowMode::fullScreen)
        window_->minimize();
    else
        suspend();
}

void PlatformRuntime::forceResume() {
    if (mode_ == WindowMode::fullScreen)
        window_->raise();
    else
        resume();
}

void PlatformRuntime::debugStmt(int a, int b) {
    if (debugger_ != nullptr) debugger_->debugStmt(a, b);
}

void PlatformRuntime::debugEnter(int a, int b, int c) {
    if (debugger_ != nullptr) debugger_->debugEnter(a, b, c);
}

void PlatformRuntime::debugLeave() {
    if (debugger_ != nullptr) debugger_->debugLeave();
}

void PlatformRuntime::debugLog(const char* text) {
    if (debugger_ != nullptr) debugger_->debugLog(text);
}

void PlatformRuntime::notifyDebugger(const char* text, bool serious) {
    if (debugger_ == nullptr) return;
    window_->postRequest(WindowEvent::Kind::endRequest);
    if (!suspended_) forceSuspend();
    // Suspension notifies the Debugger, which may have been dropped meanwhile.
    if (debugger_ != nullptr) debugger_->debugMsg(text, serious);
}

void PlatformRuntime::debugError(const char* text) { notifyDebugger(text, true); }

void PlatformRuntime::debugInfo(const char* text) { notifyDebugger(text, false); }

void PlatformRuntime::setTitle(const std::string& title, const std::string& closePrompt) {
    appTitle_ = title;
    closePrompt_ = closePrompt;
    window_->setCaption(title);
}

void PlatformRuntime::setPointerVisible(bool visible) {
    if (visible == pointerVisible_) return;
    pointerVisible_ = visible;
    if (mode_ == WindowMode::scaledWindow || mode_ == WindowMode::fixedWindow) window_->setCursorVisible(visible);
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

// The command is a file (quoted when it holds blanks) followed by its
// parameters.
bool PlatformRuntime::shellExecute(const std::string& command) {
    size_t start = 0;
    while (start < command.size() && isBlank(command[start])) ++start;
    const std::string text = command.substr(start);
    std::string file, parameters;
    size_t closing = text.empty() || text[0] != '"' ? std::string::npos : text.find('"', 1);
    if (!text.empty() && text[0] == '"' && closing != std::string::npos) {
        file = text.substr(1, closing - 1);
        parameters = text.substr(closing + 1);
    } else if (!text.empty() && text[0] == '"') {
        file = text;
    } else {
        size_t blank = text.find_first_of(" \t");
        file = text.substr(0, blank);
        if (blank != std::string::npos) parameters = text.substr(blank + 1);
    }
    // In full screen the program gives up the foreground to whatever starts.
    if (mode_ == WindowMode::fullScreen) window_->minimize();
    return startDetached(file, trimBlanks(parameters));
}

Timer* PlatformRuntime::createTimer(int hertz) {
    Timer* timer = Timer::start(hertz);
    if (timer != nullptr) timers_.insert(timer);
    return timer;
}

void PlatformRuntime::freeTimer(Timer* timer) {
    if (timers_.erase(timer) != 0) delete timer;
}

AudioDevice* PlatformRuntime::openAudio(AudioDeviceFactory make) {
    if (audio_ != nullptr) return nullptr;
    audio_ = make(window_.get());
    return audio_.get();
}

void PlatformRuntime::closeAudio(AudioDevice* audio) {
    if (audio != nullptr && audio == audio_.get()) audio_.reset();
}

PlatformFileSystem* PlatformRuntime::openFileSystem() {
    if (fileSystem_ != nullptr) return nullptr;
    fileSystem_.reset(new (std::nothrow) PlatformFileSystem);
    return fileSystem_.get();
}

void PlatformRuntime::closeFileSystem(PlatformFileSystem* fileSystem) {
    if (fileSystem != nullptr && fileSystem == fileSystem_.get()) fileSystem_.reset();
}

int32_t PlatformRuntime::callDll(const char* library, const char* function, void* in, int32_t inSize, void* out,
                                 int32_t outSize) {
    if (libraries_ == nullptr) libraries_.reset(new (std::nothrow) ExternalLibraries);
    if (libraries_ == nullptr) return 0;
    return libraries_->call(library, function, in, inSize, out, outSize);
}

}  // namespace korva
