// The mouse: axes 0 and 1 are its position in display pixels, axis 2 the
// wheel (120 per notch); buttons 1 left, 2 right, 3 middle. Fed by the
// window's events, or read directly (relative motion) in full screen.
#pragma once

#include <memory>

#include "input/direct_device.h"

namespace korva {

class PlatformRuntime;

class Mouse final : public DirectlyReadDevice {
public:
    Mouse(PlatformRuntime& platform, std::unique_ptr<MouseDevice> device);

protected:
    void update() override;

private:
    PlatformRuntime& platform_;
    std::unique_ptr<MouseDevice> device_;
};

}  // namespace korva
