#include "input/input.h"

#include "platform/platform_runtime.h"

namespace korva {
namespace {

// A missing port searches for newly attached controllers again once the
// window has asked the system for events this often since the last search:
// after a fraction of a second in a program that queries constantly, about
// a second in one that idles once per frame.
constexpr uint32_t kPumpsBetweenSearches = 64;

}  // namespace

std::unique_ptr<Input> Input::open(PlatformRuntime& platform) {
    if (platform.input() != nullptr) return nullptr;
    std::unique_ptr<Input> input(new Input(platform, platform.openInputSystem()));
    platform.attachInput(input.get());
    if (platform.windowMode() == WindowMode::fullScreen) input->setDirectInputMode(true);
    return input;
}

Input::Input(PlatformRuntime& platform, std::unique_ptr<InputSystem> system)
    : platform_(platform),
      system_(std::move(system)),
      keyboard_(platform, system_->openKeyboard()),
      mouse_(platform, system_->openMouse()) {}

// The pointer is left visible, whatever the program did with it.
Input::~Input() {
    if (platform_.windowMode() == WindowMode::fullScreen) setDirectInputMode(false);
    joysticks_.clear();
    platform_.detachInput(this);
    platform_.showSystemCursor(true);
}

// The system is asked for controllers on the first question about one, and
// again now and then while a port the program asks for is missing.
void Input::findControllers() {
    const uint32_t pumps = platform_.systemPumps();
    if (controllersSearched_ && pumps - searchedAtPump_ < kPumpsBetweenSearches) return;
    controllersSearched_ = true;
    searchedAtPump_ = pumps;
    for (auto& device : system_->openNewControllers())
        joysticks_.push_back(std::make_unique<Joystick>(platform_, std::move(device)));
}

int32_t Input::joystickType(int32_t port) {
    const Joystick* found = joystick(port);
    return found != nullptr ? found->type() : 0;
}

void Input::setMousePosition(int32_t x, int32_t y) {
    mouse_.setAxis(0, static_cast<float>(x));
    mouse_.setAxis(1, static_cast<float>(y));
    if (!directInputMode_) platform_.moveMouse(x, y);
}

void Input::keyEvent(int32_t code, bool down, uint32_t locks) { keyboard_.keyEvent(code, down, locks); }

void Input::mouseMoved(int32_t x, int32_t y) {
    mouse_.setAxis(0, static_cast<float>(x));
    mouse_.setAxis(1, static_cast<float>(y));
}

void Input::buttonEvent(int32_t button, bool down) {
    if (down)
        mouse_.downEvent(button);
    else
        mouse_.upEvent(button);
}

void Input::wheelMoved(int32_t delta) { mouse_.setAxis(2, mouse_.axisValue(2) + static_cast<float>(delta)); }

void Input::setDirectInputMode(bool on) {
    if (on) {
        platform_.showSystemCursor(false);
        mouse_.acquire();
        keyboard_.acquire();
        directInputMode_ = true;
    } else {
        directInputMode_ = false;
        keyboard_.release();
        mouse_.release();
        platform_.showSystemCursor(true);
    }
}

// Outside direct input mode keyboard and mouse stay with the window.
void Input::acquireDevices() {
    if (!directInputMode_) return;
    mouse_.acquire();
    keyboard_.acquire();
}

void Input::releaseDevices() {
    keyboard_.release();
    mouse_.release();
}

}  // namespace korva
