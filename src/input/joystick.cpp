#include "input/joystick.h"

#include "platform/clock.h"
#include "platform/platform_runtime.h"

namespace korva {
namespace {

// Which controller field each axis shows: x, y, z, the two sliders, then the
// x, y and z rotation.
constexpr int32_t kAxisFields[] = {0, 1, 2, 6, 7, 3, 4, 5};

}  // namespace

Joystick::Joystick(PlatformRuntime& platform, std::unique_ptr<ControllerDevice> device)
    : DirectlyReadDevice(*device), platform_(platform), device_(std::move(device)) {}

// A poll that finds the controller gone lets the window run once and takes
// it again if it is back. Failed polls are spaced like successful ones.
void Joystick::update() {
    const uint32_t now = milliClock();
    if (polled_ && now - lastPoll_ < kPollInterval) return;
    polled_ = true;
    lastPoll_ = now;
    if (!isAcquired() || !device_->poll()) {
        lose();
        platform_.idle();
        acquire();
        if (!isAcquired() || !device_->poll()) return;
    }
    ControllerReading reading;
    if (!device_->read(reading)) return;
    for (int32_t axis = 0; axis < static_cast<int32_t>(std::size(kAxisFields)); ++axis) {
        const int32_t field = kAxisFields[axis];
        int32_t minimum = 0, maximum = 0;
        device_->fieldRange(field, minimum, maximum);
        const double span = static_cast<double>(maximum) - minimum;
        const double position = span > 0 ? (reading.fields[field] - static_cast<double>(minimum)) / span : 0.5;
        setAxis(axis, static_cast<float>(position * 2 - 1));
    }
    for (int32_t button = 1; button < kControllerButtons; ++button)
        setDownState(button, reading.buttons[button - 1]);
}

}  // namespace korva
