#include "input/keyboard.h"

#include "input/key_characters.h"
#include "platform/platform_runtime.h"

namespace korva {

Keyboard::Keyboard(PlatformRuntime& platform, std::unique_ptr<KeyboardDevice> device)
    : DirectlyReadDevice(*device), platform_(platform), device_(std::move(device)) {}

void Keyboard::keyEvent(int32_t code, bool down, uint32_t locks) {
    locks_ = locks;
    if (down)
        downEvent(code);
    else
        upEvent(code);
}

int32_t Keyboard::characterOf(int32_t code) const {
    KeyModifiers modifiers;
    modifiers.shift = isDown(kLeftShift) || isDown(kRightShift);
    modifiers.control = isDown(kLeftControl) || isDown(kRightControl);
    modifiers.alt = isDown(kLeftAlt) || isDown(kRightAlt);
    modifiers.capsLock = (locks_ & kCapsLockOn) != 0;
    modifiers.numLock = (locks_ & kNumLockOn) != 0;
    return korva::characterOf(code, modifiers);
}

// Unacquired, the window's events bring the keys in.
void Keyboard::update() {
    if (!isAcquired()) {
        platform_.idle();
        return;
    }
    KeyRecord records[kQueueSize];
    const int32_t count = device_->read(records, kQueueSize);
    for (int32_t i = 0; i < count; ++i) keyEvent(records[i].code, records[i].down, records[i].locks);
}

}  // namespace korva
