// The input object as the platform runtime and the text console reach it.
// The input module's Input implements it and attaches itself to the
// PlatformRuntime while it lives; everything runs on the program thread.
#pragma once

#include <cstdint>

namespace korva {

// Key and mouse events of the runtime window, in the windowed modes and
// without a display: key codes (1 ... 255), pointer positions already in
// frame pixels and clamped to the display, buttons 1 left, 2 right, 3
// middle, wheel motion in units of 120 per notch. The program's input
// object takes them, or a dialog of the runtime's own while it is open.
class WindowInput {
public:
    virtual void keyEvent(int32_t code, bool down, uint32_t locks) = 0;
    virtual void mouseMoved(int32_t x, int32_t y) = 0;
    virtual void buttonEvent(int32_t button, bool down) = 0;
    virtual void wheelMoved(int32_t delta) = 0;

protected:
    ~WindowInput() = default;
};

class InputObject : public WindowInput {
public:
    // Full screen: keyboard and mouse are read directly while the mode is
    // on and the devices are acquired (the program is active).
    virtual void setDirectInputMode(bool on) = 0;
    virtual void acquireDevices() = 0;
    virtual void releaseDevices() = 0;

    // The keyboard as the text console edits with it: the next queued key
    // code (0 when none), whether a key is down, a key's character code (0
    // when it has none), exactly as GetKey, KeyDown and WaitKey see them.
    virtual int32_t takeKey() = 0;
    virtual bool isKeyDown(int32_t code) = 0;
    virtual int32_t characterOf(int32_t code) = 0;

protected:
    ~InputObject() = default;
};

}  // namespace korva
