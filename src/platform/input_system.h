// The operating system's input devices, read directly: keyboard and mouse
// while a full-screen display owns them ("direct input mode"), and game
// controllers always. In the windowed modes keyboard and mouse input comes
// from the window's events instead (window_system.h).
//
// The input module's Input is the only caller, on the program thread. The
// SDL backend is the real one; the null backend has a keyboard and a mouse
// that never report anything and no controllers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace korva {

// The toggles of the keyboard's lock keys, as reported with each key event.
constexpr uint32_t kCapsLockOn = 1;
constexpr uint32_t kNumLockOn = 2;

// One key going down or up: the program-visible key code (a PC set-1 scan
// code, bit 7 set for extended keys; never 0) and the lock toggles after it.
struct KeyRecord {
    int32_t code;
    bool down;
    uint32_t locks;
};

// A device starts released. Acquiring takes it over for the program (the
// mouse pointer is hidden and captured) and starts its buffer afresh;
// releasing gives it back. Both may be repeated.
class DirectDevice {
public:
    virtual ~DirectDevice() = default;
    // False when the system refuses the device now.
    virtual bool acquire() = 0;
    virtual void release() = 0;
};

class KeyboardDevice : public DirectDevice {
public:
    // The key events since the last read, oldest first, at most max of them
    // (the rest wait for the next read). Auto-repeats are not reported; the
    // device buffers 32 events and drops what arrives while it is full.
    // Nothing while released.
    virtual int32_t read(KeyRecord* records, int32_t max) = 0;
};

struct MouseReading {
    int32_t dx = 0, dy = 0;  // motion since the last read, in mouse units
    int32_t dz = 0;          // wheel motion since the last read, 120 per notch
    bool buttons[3] = {};    // left, right, middle held now
};

class MouseDevice : public DirectDevice {
public:
    // False while released.
    virtual bool read(MouseReading& reading) = 0;
};

// A controller's axis fields: x, y, z, x-, y- and z-rotation, two sliders;
// and 32 buttons. A game pad's sticks are x, y and the x and y rotation, its
// triggers share z (left towards the maximum), its d-pad is buttons 12 to 15
// (up, down, left, right) after A, B, X, Y, the shoulders, back, start, the
// stick buttons and guide. Point-of-view hats are not read.
constexpr int32_t kControllerFields = 8;
constexpr int32_t kControllerButtons = 32;

struct ControllerReading {
    int32_t fields[kControllerFields] = {};
    bool buttons[kControllerButtons] = {};
};

class ControllerDevice : public DirectDevice {
public:
    // 1 for a game pad, 2 for any other controller.
    virtual int32_t type() const = 0;
    // The range of a data field.
    virtual void fieldRange(int32_t field, int32_t& minimum, int32_t& maximum) const = 0;
    // Fetches the controller's present state; false when it is gone
    // (unplugged) or released. Acquiring again finds it once it is back.
    virtual bool poll() = 0;
    // The state fetched by the last poll.
    virtual bool read(ControllerReading& reading) = 0;
};

class InputSystem {
public:
    virtual ~InputSystem() = default;

    // Null when the system has no such device.
    virtual std::unique_ptr<KeyboardDevice> openKeyboard() = 0;
    virtual std::unique_ptr<MouseDevice> openMouse() = 0;
    // The controllers attached now and not opened before, in the system's
    // order; each call after the first finds only newly attached ones.
    virtual std::vector<std::unique_ptr<ControllerDevice>> openNewControllers() = 0;
};

// SDL's devices; needs SDL's video running (the window system's).
std::unique_ptr<InputSystem> openSdlInputSystem();
std::unique_ptr<InputSystem> openNullInputSystem();

}  // namespace korva
