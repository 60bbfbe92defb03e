// The directly read devices on SDL. Keyboard and mouse share SDL's one event
// queue with the window, so they buffer their own copy of the input events:
// an event watch sees every event as it enters the queue (on the thread that
// adds it) and keeps it while the device is acquired. Controllers come from
// SDL's game-controller and joystick API, updated only when polled.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <mutex>

#include "platform/clock.h"
#include "platform/input_system.h"
#include "platform/sdl_input_codes.h"

namespace korva {
namespace {

constexpr int32_t kKeyBufferSize = 32;

// The devices' buffers; the event watch fills them from any thread.
struct DeviceBuffers {
    std::mutex mutex;
    bool keyboardAcquired = false;
    bool mouseAcquired = false;
    std::array<KeyRecord, kKeyBufferSize> keys{};
    int32_t keyCount = 0;
    MouseReading mouse;

    void recordKey(const SDL_KeyboardEvent& key) {
        const int32_t code = keyCodeOf(key.keysym.scancode);
        if (!keyboardAcquired || key.repeat != 0 || code == 0 || keyCount == kKeyBufferSize) return;
        keys[static_cast<size_t>(keyCount++)] = {code, key.state == SDL_PRESSED, lockTogglesOf(key)};
    }

    void recordMouse(const SDL_Event& event) {
        if (!mouseAcquired) return;
        switch (event.type) {
            case SDL_MOUSEMOTION:
                mouse.dx += event.motion.xrel;
                mouse.dy += event.motion.yrel;
                break;
            case SDL_MOUSEWHEEL:
                mouse.dz += wheelUnitsOf(event.wheel);
                break;
            default: {
                const int32_t button = mouseButtonOf(event.button.button);
                if (button != 0) mouse.buttons[button - 1] = event.type == SDL_MOUSEBUTTONDOWN;
            }
        }
    }

    static int watch(void* self, SDL_Event* event) {
        auto& buffers = *static_cast<DeviceBuffers*>(self);
        if (event->type != SDL_KEYDOWN && event->type != SDL_KEYUP && event->type != SDL_MOUSEMOTION &&
            event->type != SDL_MOUSEBUTTONDOWN && event->type != SDL_MOUSEBUTTONUP && event->type != SDL_MOUSEWHEEL)
            return 1;
        std::lock_guard lock(buffers.mutex);
        if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
            buffers.recordKey(event->key);
        else
            buffers.recordMouse(*event);
        return 1;
    }
};

// Brings the system's newest input through the watch, asking the system at
// most about once per millisecond (as the window does). While a device reads
// directly, the window does not take keys and mouse from the queue, so they
// are dropped there instead of piling up.
void pumpDirectInput() {
    static RoughInterval pumpInterval(20);
    if (!pumpInterval.elapsed()) return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);
}

class SdlKeyboard final : public KeyboardDevice {
public:
    explicit SdlKeyboard(DeviceBuffers& buffers) : buffers_(buffers) {}
    ~SdlKeyboard() override { release(); }

    bool acquire() override {
        std::lock_guard lock(buffers_.mutex);
        buffers_.keyboardAcquired = true;
        buffers_.keyCount = 0;
        return true;
    }

    void release() override {
        std::lock_guard lock(buffers_.mutex);
        buffers_.keyboardAcquired = false;
    }

    int32_t read(KeyRecord* records, int32_t max) override {
        pumpDirectInput();
        std::lock_guard lock(buffers_.mutex);
        if (!buffers_.keyboardAcquired) return 0;
        const int32_t count = std::min(std::max(max, 0), buffers_.keyCount);
        std::copy_n(buffers_.keys.begin(), count, records);
        std::copy(buffers_.keys.begin() + count, buffers_.keys.begin() + buffers_.keyCount, buffers_.keys.begin());
        buffers_.keyCount -= count;
        return count;
    }

private:
    DeviceBuffers& buffers_;
};

// Relative mouse mode hides the pointer and reports unbounded motion; where
// the video driver has none, motion still arrives from ordinary events.
class SdlMouse final : public MouseDevice {
public:
    explicit SdlMouse(DeviceBuffers& buffers) : buffers_(buffers) {}
    ~SdlMouse() override { release(); }

    bool acquire() override {
        {
            std::lock_guard lock(buffers_.mutex);
            if (buffers_.mouseAcquired) return true;
            buffers_.mouseAcquired = true;
            buffers_.mouse = {};
        }
        SDL_SetRelativeMouseMode(SDL_TRUE);
        return true;
    }

    void release() override {
        {
            std::lock_guard lock(buffers_.mutex);
            if (!buffers_.mouseAcquired) return;
            buffers_.mouseAcquired = false;
        }
        SDL_SetRelativeMouseMode(SDL_FALSE);
    }

    bool read(MouseReading& reading) override {
        pumpDirectInput();
        std::lock_guard lock(buffers_.mutex);
        if (!buffers_.mouseAcquired) return false;
        reading = buffers_.mouse;
        buffers_.mouse.dx = buffers_.mouse.dy = buffers_.mouse.dz = 0;
        return true;
    }

private:
    DeviceBuffers& buffers_;
};

// The buttons of a recognised game pad, in the order game pads number them.
constexpr SDL_GameControllerButton kPadButtons[] = {
    SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,         SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,          SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,       SDL_CONTROLLER_BUTTON_START,     SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK, SDL_CONTROLLER_BUTTON_GUIDE,     SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,  SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_MISC1,      SDL_CONTROLLER_BUTTON_PADDLE1,   SDL_CONTROLLER_BUTTON_PADDLE2,
    SDL_CONTROLLER_BUTTON_PADDLE3,    SDL_CONTROLLER_BUTTON_PADDLE4,   SDL_CONTROLLER_BUTTON_TOUCHPAD,
};

class SdlControllerSystem;

// One controller port. The SDL device behind it may go (unplugged) and come
// back under a new instance; acquire finds it again by its GUID.
class SdlController final : public ControllerDevice {
public:
    SdlController(SdlControllerSystem& system, int deviceIndex);
    ~SdlController() override;

    bool isOpen() const { return joystick_ != nullptr; }
    bool isLost() const { return joystick_ == nullptr; }
    SDL_JoystickGUID guid() const { return guid_; }
    SDL_JoystickID instance() const { return isOpen() ? SDL_JoystickInstanceID(joystick_) : -1; }

    int32_t type() const override { return type_; }
    void fieldRange(int32_t, int32_t& minimum, int32_t& maximum) const override {
        minimum = SDL_JOYSTICK_AXIS_MIN;
        maximum = SDL_JOYSTICK_AXIS_MAX;
    }
    bool acquire() override;
    void release() override { acquired_ = false; }
    bool poll() override;
    bool read(ControllerReading& reading) override {
        if (!acquired_ || !isOpen()) return false;
        reading = reading_;
        return true;
    }

private:
    bool open(int deviceIndex);
    void close();
    void readPad();
    void readJoystick();

    SdlControllerSystem& system_;
    SDL_JoystickGUID guid_{};
    int32_t type_ = 2;
    SDL_GameController* pad_ = nullptr;
    SDL_Joystick* joystick_ = nullptr;
    bool acquired_ = false;
    ControllerReading reading_;
};

// SDL's controller subsystem, started with the first enumeration. Joysticks
// are updated only by the ports' polls, not by every pump of the event queue.
class SdlControllerSystem {
public:
    ~SdlControllerSystem() {
        if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    std::vector<std::unique_ptr<ControllerDevice>> openNew() {
        std::vector<std::unique_ptr<ControllerDevice>> opened;
        if (!start()) return opened;
        SDL_JoystickUpdate();
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (isClaimed(SDL_JoystickGetDeviceInstanceID(index)) || awaitedByLostPort(index)) continue;
            auto controller = std::make_unique<SdlController>(*this, index);
            if (controller->isOpen()) opened.push_back(std::move(controller));
        }
        return opened;
    }

    // The device that a lost port with this GUID can take again, or -1.
    int findReturned(SDL_JoystickGUID guid) const {
        for (int index = 0; index < SDL_NumJoysticks(); ++index)
            if (!isClaimed(SDL_JoystickGetDeviceInstanceID(index)) && sameGuid(SDL_JoystickGetDeviceGUID(index), guid))
                return index;
        return -1;
    }

    void add(SdlController* controller) { controllers_.push_back(controller); }
    void remove(SdlController* controller) { std::erase(controllers_, controller); }

private:
    bool start() {
        if (started_) return true;
        SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
        if (started_) {
            SDL_JoystickEventState(SDL_IGNORE);
            SDL_GameControllerEventState(SDL_IGNORE);
        }
        return started_;
    }

    static bool sameGuid(SDL_JoystickGUID a, SDL_JoystickGUID b) { return std::equal(a.data, a.data + 16, b.data); }

    bool isClaimed(SDL_JoystickID instance) const {
        return std::any_of(controllers_.begin(), controllers_.end(),
                           [&](const SdlController* c) { return c->instance() == instance; });
    }

    bool awaitedByLostPort(int index) const {
        const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(index);
        return std::any_of(controllers_.begin(), controllers_.end(),
                           [&](const SdlController* c) { return c->isLost() && sameGuid(c->guid(), guid); });
    }

    bool started_ = false;
    std::vector<SdlController*> controllers_;
};

SdlController::SdlController(SdlControllerSystem& system, int deviceIndex) : system_(system) {
    guid_ = SDL_JoystickGetDeviceGUID(deviceIndex);
    if (open(deviceIndex)) system_.add(this);
}

SdlController::~SdlController() {
    close();
    system_.remove(this);
}

bool SdlController::open(int deviceIndex) {
    if (SDL_IsGameController(deviceIndex)) {
        pad_ = SDL_GameControllerOpen(deviceIndex);
        joystick_ = pad_ != nullptr ? SDL_GameControllerGetJoystick(pad_) : nullptr;
    } else {
        joystick_ = SDL_JoystickOpen(deviceIndex);
    }
    type_ = pad_ != nullptr || SDL_JoystickGetDeviceType(deviceIndex) == SDL_JOYSTICK_TYPE_GAMECONTROLLER ? 1 : 2;
    return joystick_ != nullptr;
}

void SdlController::close() {
    if (pad_ != nullptr)
        SDL_GameControllerClose(pad_);
    else if (joystick_ != nullptr)
        SDL_JoystickClose(joystick_);
    pad_ = nullptr;
    joystick_ = nullptr;
}

bool SdlController::acquire() {
    if (!isOpen()) {
        const int returned = system_.findReturned(guid_);
        if (returned < 0 || !open(returned)) return false;
    }
    acquired_ = true;
    return true;
}

bool SdlController::poll() {
    if (!acquired_ || !isOpen()) return false;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick_)) {
        close();
        return false;
    }
    reading_ = {};
    if (pad_ != nullptr)
        readPad();
    else
        readJoystick();
    return true;
}

void SdlController::readPad() {
    auto axis = [this](SDL_GameControllerAxis which) { return int32_t{SDL_GameControllerGetAxis(pad_, which)}; };
    reading_.fields[0] = axis(SDL_CONTROLLER_AXIS_LEFTX);
    reading_.fields[1] = axis(SDL_CONTROLLER_AXIS_LEFTY);
    reading_.fields[2] = std::clamp(axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT) - axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT),
                                    int32_t{SDL_JOYSTICK_AXIS_MIN}, int32_t{SDL_JOYSTICK_AXIS_MAX});
    reading_.fields[3] = axis(SDL_CONTROLLER_AXIS_RIGHTX);
    reading_.fields[4] = axis(SDL_CONTROLLER_AXIS_RIGHTY);
    for (size_t i = 0; i < std::size(kPadButtons); ++i)
        reading_.buttons[i] = SDL_GameControllerGetButton(pad_, kPadButtons[i]) != 0;
}

void SdlController::readJoystick() {
    // SDL numbers a joystick's axes in the order of the fields.
    const int32_t axes = std::min(SDL_JoystickNumAxes(joystick_), kControllerFields);
    for (int32_t i = 0; i < axes; ++i) reading_.fields[i] = SDL_JoystickGetAxis(joystick_, i);
    const int32_t buttons = std::min(SDL_JoystickNumButtons(joystick_), kControllerButtons);
    for (int32_t i = 0; i < buttons; ++i) reading_.buttons[i] = SDL_JoystickGetButton(joystick_, i) != 0;
}

class SdlInputSystem final : public InputSystem {
public:
    SdlInputSystem() {
        SDL_StopTextInput();  // keys are never translated into text events
        SDL_AddEventWatch(&DeviceBuffers::watch, &buffers_);
    }
    ~SdlInputSystem() override { SDL_DelEventWatch(&DeviceBuffers::watch, &buffers_); }

    std::unique_ptr<KeyboardDevice> openKeyboard() override { return std::make_unique<SdlKeyboard>(buffers_); }
    std::unique_ptr<MouseDevice> openMouse() override { return std::make_unique<SdlMouse>(buffers_); }
    std::vector<std::unique_ptr<ControllerDevice>> openNewControllers() override { return controllers_.openNew(); }

private:
    DeviceBuffers buffers_;
    SdlControllerSystem controllers_;
};

}  // namespace

std::unique_ptr<InputSystem> openSdlInputSystem() { return std::make_unique<SdlInputSystem>(); }

}  // namespace korva
