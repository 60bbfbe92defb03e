#include "platform/input_system.h"

namespace korva {
namespace {

// Devices that are always there and never report anything.
class NullKeyboard final : public KeyboardDevice {
public:
    bool acquire() override { return true; }
    void release() override {}
    int32_t read(KeyRecord*, int32_t) override { return 0; }
};

class NullMouse final : public MouseDevice {
public:
    bool acquire() override { return acquired_ = true; }
    void release() override { acquired_ = false; }
    bool read(MouseReading& reading) override {
        reading = {};
        return acquired_;
    }

private:
    bool acquired_ = false;
};

class NullInputSystem final : public InputSystem {
public:
    std::unique_ptr<KeyboardDevice> openKeyboard() override { return std::make_unique<NullKeyboard>(); }
    std::unique_ptr<MouseDevice> openMouse() override { return std::make_unique<NullMouse>(); }
    std::vector<std::unique_ptr<ControllerDevice>> openNewControllers() override { return {}; }
};

}  // namespace

std::unique_ptr<InputSystem> openNullInputSystem() { return std::make_unique<NullInputSystem>(); }

}  // namespace korva
