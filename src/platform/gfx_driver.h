// Display drivers as programs see them: one per display, each with the
// graphics modes a program may ask for in full screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva {

struct DisplayDescription;

struct GfxMode {
    int32_t width, height, depth;
    friend bool operator==(const GfxMode&, const GfxMode&) = default;
};

struct GfxDriver {
    std::string description;
    std::vector<GfxMode> modes;
    int32_t display;      // index among the system's displays
    int32_t refreshRate;  // Hz
};

// The driver of a display. Its modes are the display's own resolutions plus
// the classic game resolutions that fit on its desktop (full screen scales
// the game's frame to the desktop, so any of them opens), smallest first,
// each at depths 16, 24 and 32.
GfxDriver gfxDriverOf(const DisplayDescription& display, int32_t index);

}  // namespace korva
