// The state every input device keeps, whatever feeds it: which keys or
// buttons are down, how often each was hit, its axes, and a short queue of
// the codes hit. Keyboard, Mouse and Joystick add where their input comes
// from; each public query first brings the device up to date.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korva {

class InputDevice {
public:
    static constexpr int32_t kCodes = 256;  // key and button codes 0 ... 255
    static constexpr int32_t kAxes = 32;
    static constexpr int32_t kQueueSize = 32;

    virtual ~InputDevice() = default;

    // Queries: codes and axis indexes outside their tables read 0.
    bool keyDown(int32_t code);
    // The hits since the last keyHit of the code or flush; restarts the count.
    int32_t keyHit(int32_t code);
    // The oldest queued code, or 0 when the queue is empty.
    int32_t getKey();
    float axis(int32_t index);
    // Forgets the hits and the queue; down states and axes stay.
    void flush();

    // What the device's sources report. A down event counts a hit even when
    // the queue is full and the code is dropped.
    void downEvent(int32_t code);
    void upEvent(int32_t code);
    void setDownState(int32_t code, bool down);
    // Everything back to nothing held, hit or moved.
    void reset();

    bool isDown(int32_t code) const { return isCode(code) && down_[static_cast<std::size_t>(code)] != 0; }
    float axisValue(int32_t index) const { return axes_[static_cast<std::size_t>(index)]; }
    void setAxis(int32_t index, float value) { axes_[static_cast<std::size_t>(index)] = value; }

protected:
    // Brings in what happened since the last query.
    virtual void update() = 0;

private:
    static bool isCode(int32_t code) { return code >= 0 && code < kCodes; }

    std::array<float, kAxes> axes_{};
    std::array<int32_t, kCodes> hits_{};
    std::array<uint8_t, kCodes> down_{};
    std::array<int32_t, kQueueSize> queue_{};
    uint32_t put_ = 0, get_ = 0;  // running counts; a slot is count % kQueueSize
};

}  // namespace korva
