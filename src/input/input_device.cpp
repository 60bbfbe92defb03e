#include "input/input_device.h"

namespace korva {

bool InputDevice::keyDown(int32_t code) {
    update();
    return isDown(code);
}

int32_t InputDevice::keyHit(int32_t code) {
    update();
    if (!isCode(code)) return 0;
    const int32_t hits = hits_[static_cast<std::size_t>(code)];
    hits_[static_cast<std::size_t>(code)] = 0;
    return hits;
}

int32_t InputDevice::getKey() {
    update();
    if (put_ == get_) return 0;
    return queue_[get_++ % kQueueSize];
}

float InputDevice::axis(int32_t index) {
    update();
    return index >= 0 && index < kAxes ? axes_[static_cast<std::size_t>(index)] : 0.0f;
}

void InputDevice::flush() {
    update();
    hits_.fill(0);
    put_ = get_ = 0;
}

void InputDevice::downEvent(int32_t code) {
    if (!isCode(code)) return;
    down_[static_cast<std::size_t>(code)] = 1;
    ++hits_[static_cast<std::size_t>(code)];
    if (put_ - get_ < kQueueSize) queue_[put_++ % kQueueSize] = code;
}

void InputDevice::upEvent(int32_t code) {
    if (isCode(code)) down_[static_cast<std::size_t>(code)] = 0;
}

void InputDevice::setDownState(int32_t code, bool down) {
    if (isDown(code) == down) return;
    if (down)
        downEvent(code);
    else
        upEvent(code);
}

void InputDevice::reset() {
    down_.fill(0);
    axes_.fill(0.0f);
    hits_.fill(0);
    put_ = get_ = 0;
}

}  // namespace korva
