// The input object of a program run: keyboard, mouse and the game
// controllers, and whether keyboard and mouse are read directly (full
// screen) or fed by the window. Attached to the PlatformRuntime while it
// lives, which feeds it window events and switches it with the display.
#pragma once

#include <memory>
#include <vector>

#include "input/joystick.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "platform/input_object.h"

namespace korva {

class PlatformRuntime;

class Input final : public InputObject {
public:
    // Null when the platform has an input object already.
    static std::unique_ptr<Input> open(PlatformRuntime& platform);
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    Keyboard& keyboard() { return keyboard_; }
    Mouse& mouse() { return mouse_; }
    // The controller on a port (0, 1, ... in the system's order, newly
    // attached ones after the others), or null.
    Joystick* joystick(int32_t port) {
        if (port < 0) return nullptr;
        if (static_cast<size_t>(port) >= joysticks_.size()) findControllers();
        return static_cast<size_t>(port) < joysticks_.size() ? joysticks_[static_cast<size_t>(port)].get() : nullptr;
    }
    // 0 for a missing port, 1 for a game pad, 2 for another controller.
    int32_t joystickType(int32_t port);
    // Every port found so far (MoveMouse and FlushJoy need no new ones).
    const std::vector<std::unique_ptr<Joystick>>& joysticks() const { return joysticks_; }

    // The mouse's position as the program sets it: its axes, and the
    // pointer itself unless the mouse is read directly.
    void setMousePosition(int32_t x, int32_t y);

    void keyEvent(int32_t code, bool down, uint32_t locks) override;
    void mouseMoved(int32_t x, int32_t y) override;
    void buttonEvent(int32_t button, bool down) override;
    void wheelMoved(int32_t delta) override;
    void setDirectInputMode(bool on) override;
    void acquireDevices() override;
    void releaseDevices() override;
    int32_t takeKey() override { return keyboard_.getKey(); }
    bool isKeyDown(int32_t code) override { return keyboard_.keyDown(code); }
    int32_t characterOf(int32_t code) override { return keyboard_.characterOf(code); }

private:
    Input(PlatformRuntime& platform, std::unique_ptr<InputSystem> system);
    void findControllers();

    PlatformRuntime& platform_;
    std::unique_ptr<InputSystem> system_;  // outlives the devices it serves
    Keyboard keyboard_;
    Mouse mouse_;
    std::vector<std::unique_ptr<Joystick>> joysticks_;
    bool controllersSearched_ = false;
    uint32_t searchedAtPump_ = 0;
    bool directInputMode_ = false;
};

}  // namespace korva
