// A game controller port: axes 0 ... 7 (x, y, z, u, v, pitch, yaw, roll)
// each -1 ... 1, buttons 1 ... 31. Read directly, at most every 3 ms however
// often the program asks; acquired on its first read and again after the
// controller was unplugged and comes back.
#pragma once

#include <memory>

#include "input/direct_device.h"

namespace korva {

class PlatformRuntime;

class Joystick final : public DirectlyReadDevice {
public:
    static constexpr uint32_t kPollInterval = 3;  // milliseconds

    Joystick(PlatformRuntime& platform, std::unique_ptr<ControllerDevice> device);

    int32_t type() const { return device_->type(); }

protected:
    void update() override;

private:
    PlatformRuntime& platform_;
    std::unique_ptr<ControllerDevice> device_;
    bool polled_ = false;
    uint32_t lastPoll_ = 0;
};

}  // namespace korva
