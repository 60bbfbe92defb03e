#include "platform/gfx_driver.h"

#include <algorithm>

#include "platform/window_system.h"

namespace korva {
namespace {

using Resolution = DisplayDescription::Resolution;

// What games of the CRT era and after ask for; today's displays often offer
// only their native resolution (always so under Wayland).
constexpr Resolution kClassicResolutions[] = {
    {320, 240},   {400, 300},   {512, 384},   {640, 400},   {640, 480},   {800, 600},
    {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},  {1280, 960},  {1280, 1024},
    {1366, 768},  {1440, 900},  {1600, 900},  {1680, 1050}, {1920, 1080},
};

constexpr int32_t kModeDepths[] = {16, 24, 32};

bool fitsOn(const Resolution& resolution, const Resolution& desktop) {
    return resolution.width <= desktop.width && resolution.height <= desktop.height;
}

}  // namespace

GfxDriver gfxDriverOf(const DisplayDescription& display, int32_t index) {
    std::vector<Resolution> resolutions = display.resolutions;
    for (const Resolution& classic : kClassicResolutions)
        if (fitsOn(classic, display.desktop)) resolutions.push_back(classic);
    const auto order = [](const Resolution& a, const Resolution& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    };
    std::sort(resolutions.begin(), resolutions.end(), order);
    resolutions.erase(std::unique(resolutions.begin(), resolutions.end()), resolutions.end());

    GfxDriver driver{display.name, {}, index, display.refreshRate};
    for (const Resolution& resolution : resolutions)
        for (int32_t depth : kModeDepths) driver.modes.push_back({resolution.width, resolution.height, depth});
    return driver;
}

}  // namespace korva
