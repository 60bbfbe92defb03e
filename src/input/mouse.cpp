#include "input/mouse.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "platform/platform_runtime.h"

namespace korva {

Mouse::Mouse(PlatformRuntime& platform, std::unique_ptr<MouseDevice> device)
    : DirectlyReadDevice(*device), platform_(platform), device_(std::move(device)) {}

// Read directly, the motion moves the position within the display.
void Mouse::update() {
    if (!isAcquired()) {
        platform_.idle();
        return;
    }
    MouseReading reading;
    if (!device_->read(reading)) return;
    if (const Graphics* graphics = platform_.graphics()) {
        const Canvas& front = *graphics->frontCanvas();
        auto moved = [](float position, int32_t motion, int32_t size) {
            const auto target = static_cast<int64_t>(position) + motion;
            return static_cast<float>(std::clamp<int64_t>(target, 0, size - 1));
        };
        setAxis(0, moved(axisValue(0), reading.dx, front.width()));
        setAxis(1, moved(axisValue(1), reading.dy, front.height()));
        setAxis(2, axisValue(2) + static_cast<float>(reading.dz));
    }
    for (int32_t button = 1; button <= 3; ++button) setDownState(button, reading.buttons[button - 1]);
}

}  // namespace korva
