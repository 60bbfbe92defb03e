#include "input/input_commands.h"

#include <cmath>
#include <memory>

#include "input/input.h"
#include "platform/platform_runtime.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr float kWheelNotchesPerUnit = 0.008333334f;  // one notch is 120 units
constexpr float kDirectionThreshold = 0.33333334f;
constexpr int32_t kWaitPoll = 20;  // milliseconds between looks at a queue

std::unique_ptr<Input> input;
// The values the speed commands reported last.
int32_t lastMouseX = 0, lastMouseY = 0, lastMouseZ = 0;

Keyboard& keyboard() { return input->keyboard(); }
Mouse& mouse() { return input->mouse(); }

// Waits for the next code of a device's queue that convert makes non-zero.
template <class Convert>
int32_t waitForCode(InputDevice& device, Convert convert) {
    for (;;) {
        idleOrEnd();
        if (const int32_t code = device.getKey()) {
            if (const int32_t converted = convert(code)) return converted;
        }
        delayOrEnd(kWaitPoll);
    }
}

int32_t asIs(int32_t code) { return code; }

int32_t speedOf(int32_t now, int32_t& last) {
    const int32_t speed = now - last;
    last = now;
    return speed;
}

float joystickAxis(int32_t port, int32_t axis) {
    Joystick* joystick = input->joystick(port);
    return joystick != nullptr ? joystick->axis(axis) : 0.0f;
}

float joystickAngle(int32_t port, int32_t axis) { return joystickAxis(port, axis) * 180.0f; }

// Not a number counts as pushed towards the minimum.
int32_t joystickDirection(int32_t port, int32_t axis) {
    const float value = joystickAxis(port, axis);
    if (std::isnan(value) || value < -kDirectionThreshold) return -1;
    return value > kDirectionThreshold ? 1 : 0;
}

}  // namespace

int32_t cmdKeyDown(int32_t key) { return keyboard().keyDown(key) ? 1 : 0; }
int32_t cmdKeyHit(int32_t key) { return keyboard().keyHit(key); }

int32_t cmdGetKey() {
    const int32_t code = keyboard().getKey();
    return code != 0 ? keyboard().characterOf(code) : 0;
}

int32_t cmdWaitKey() {
    return waitForCode(keyboard(), [](int32_t code) { return keyboard().characterOf(code); });
}

void cmdFlushKeys() { keyboard().flush(); }

int32_t cmdMouseDown(int32_t button) { return mouse().keyDown(button) ? 1 : 0; }
int32_t cmdMouseHit(int32_t button) { return mouse().keyHit(button); }
int32_t cmdGetMouse() { return mouse().getKey(); }
int32_t cmdWaitMouse() { return waitForCode(mouse(), asIs); }

int32_t cmdMouseX() { return static_cast<int32_t>(mouse().axis(0)); }
int32_t cmdMouseY() { return static_cast<int32_t>(mouse().axis(1)); }
int32_t cmdMouseZ() { return static_cast<int32_t>(mouse().axis(2) * kWheelNotchesPerUnit); }
int32_t cmdMouseXSpeed() { return speedOf(cmdMouseX(), lastMouseX); }
int32_t cmdMouseYSpeed() { return speedOf(cmdMouseY(), lastMouseY); }
int32_t cmdMouseZSpeed() { return speedOf(cmdMouseZ(), lastMouseZ); }
void cmdFlushMouse() { mouse().flush(); }

void cmdMoveMouse(int32_t x, int32_t y) {
    lastMouseX = x;
    lastMouseY = y;
    input->setMousePosition(x, y);
}

int32_t cmdJoyType(int32_t port) { return input->joystickType(port); }

int32_t cmdJoyDown(int32_t button, int32_t port) {
    Joystick* joystick = input->joystick(port);
    return joystick != nullptr && joystick->keyDown(button) ? 1 : 0;
}

int32_t cmdJoyHit(int32_t button, int32_t port) {
    Joystick* joystick = input->joystick(port);
    return joystick != nullptr ? joystick->keyHit(button) : 0;
}

int32_t cmdGetJoy(int32_t port) {
    Joystick* joystick = input->joystick(port);
    return joystick != nullptr ? joystick->getKey() : 0;
}

int32_t cmdWaitJoy(int32_t port) {
    Joystick* joystick = input->joystick(port);
    return joystick != nullptr ? waitForCode(*joystick, asIs) : 0;
}

float cmdJoyX(int32_t port) { return joystickAxis(port, 0); }
float cmdJoyY(int32_t port) { return joystickAxis(port, 1); }
float cmdJoyZ(int32_t port) { return joystickAxis(port, 2); }
float cmdJoyU(int32_t port) { return joystickAxis(port, 3); }
float cmdJoyV(int32_t port) { return joystickAxis(port, 4); }
float cmdJoyPitch(int32_t port) { return joystickAngle(port, 5); }
float cmdJoyYaw(int32_t port) { return joystickAngle(port, 6); }
float cmdJoyRoll(int32_t port) { return joystickAngle(port, 7); }
int32_t cmdJoyXDir(int32_t port) { return joystickDirection(port, 0); }
int32_t cmdJoyYDir(int32_t port) { return joystickDirection(port, 1); }
int32_t cmdJoyZDir(int32_t port) { return joystickDirection(port, 2); }
int32_t cmdJoyUDir(int32_t port) { return joystickDirection(port, 3); }
int32_t cmdJoyVDir(int32_t port) { return joystickDirection(port, 4); }

void cmdFlushJoy() {
    for (const auto& joystick : input->joysticks()) joystick->flush();
}

bool openInputCommands() {
    input = Input::open(*PlatformRuntime::current());
    lastMouseX = lastMouseY = lastMouseZ = 0;
    return input != nullptr;
}

void closeInputCommands() { input.reset(); }

}  // namespace korva
