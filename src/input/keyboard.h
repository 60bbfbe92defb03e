// The keyboard: fed by the window's key events, or read directly in full
// screen while acquired. Key codes are PC scan codes, bit 7 for extended keys.
#pragma once

#include <memory>

#include "input/direct_device.h"

namespace korva {

class PlatformRuntime;

class Keyboard final : public DirectlyReadDevice {
public:
    static constexpr int32_t kLeftShift = 42, kRightShift = 54, kLeftControl = 29, kRightControl = 157,
                             kLeftAlt = 56, kRightAlt = 184;

    Keyboard(PlatformRuntime& platform, std::unique_ptr<KeyboardDevice> device);

    // A key event from the window, with the lock toggles after it.
    void keyEvent(int32_t code, bool down, uint32_t locks);
    // The character the key types with the modifiers held and toggled now.
    int32_t characterOf(int32_t code) const;

protected:
    void update() override;

private:
    PlatformRuntime& platform_;
    std::unique_ptr<KeyboardDevice> device_;
    uint32_t locks_ = 0;
};

}  // namespace korva
