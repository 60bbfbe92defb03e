// An input device that may also be read directly from the system: the
// full-screen keyboard and mouse, and controllers. Taking it over and giving
// it back both start its state afresh, so that keys held across a switch read
// as up until they are pressed again.
#pragma once

#include "input/input_device.h"
#include "platform/input_system.h"

namespace korva {

class DirectlyReadDevice : public InputDevice {
public:
    void acquire() {
        if (acquired_) return;
        reset();
        acquired_ = system_.acquire();
    }

    void release() {
        system_.release();
        if (acquired_) reset();
        acquired_ = false;
    }

    bool isAcquired() const { return acquired_; }

protected:
    explicit DirectlyReadDevice(DirectDevice& system) : system_(system) {}
    void lose() { acquired_ = false; }

private:
    DirectDevice& system_;
    bool acquired_ = false;
};

}  // namespace korva
