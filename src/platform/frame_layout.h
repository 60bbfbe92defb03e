// Where the game's frame lands in the window's client area, and the way
// back from a client position to a frame pixel. Both window systems present
// through it, so that what they show and how they map the mouse agree.
#pragma once

#include <cstdint>

#include "graphics/rect.h"

namespace korva {

struct FrameLayout {
    int32_t frameWidth = 0, frameHeight = 0;
    Rect target;  // client pixels covered by the frame

    // Stretched over the whole client area, or (keepAspect) scaled as far as
    // it fits with its aspect ratio kept and centred, leaving bars.
    static FrameLayout fit(int32_t frameWidth, int32_t frameHeight, int32_t clientWidth, int32_t clientHeight,
                           bool keepAspect);

    // The frame pixel shown at client position (x, y), clamped into the frame.
    void toFrame(int32_t& x, int32_t& y) const;
    // The first client position that shows frame pixel (x, y), so that
    // toFrame leads back to it (unless the frame is shown shrunk).
    void toClient(int32_t& x, int32_t& y) const;
};

}  // namespace korva
