#include "graphics/display_commands.h"

#include "graphics/console.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/image_commands.h"
#include "platform/platform_runtime.h"
#include "startup/error.h"

namespace korva {
namespace {

// Video memory is plain memory here; programs that budget by it see a fixed
// 256 MiB card, less what the current display's canvases take.
constexpr int64_t kVideoMemoryBytes = 256 * 1024 * 1024;

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

const GfxDriver& checkedDriver(int32_t driver) {
    if (debugMode && (driver < 1 || driver > platform().countDrivers()))
        raiseRuntimeError("Illegal graphics driver index");
    return platform().drivers()[static_cast<size_t>(driver - 1)];
}

const GfxMode& checkedMode(int32_t mode) {
    if (debugMode && (mode < 1 || mode > static_cast<int32_t>(graphicsState.modeList.size())))
        raiseRuntimeError("Illegal graphics mode index");
    return graphicsState.modeList[static_cast<size_t>(mode - 1)];
}

const GfxDriver* currentDriver() {
    const auto& drivers = platform().drivers();
    const auto index = static_cast<size_t>(graphicsState.driverIndex);
    return index < drivers.size() ? &drivers[index] : nullptr;
}

// After every mode change: the state's defaults, and the buffer drawing
// starts on.
void resetDrawingState(bool graphicsSet, int32_t flags) {
    Graphics* graphics = platform().graphics();
    graphicsState.graphics = graphics;
    graphicsState.clsColor = 0;
    graphicsState.color = 0xFFFFFFFF;
    graphicsState.graphicsSet = graphicsSet;
    graphicsState.font = graphics->defaultFont();
    selectBuffer((flags & kGraphics3D) != 0 ? graphics->backCanvas() : graphics->frontCanvas());
}

// Images and the console's line canvas go before a mode change.
void freeModeObjects() {
    freeAllImages();
    freeLineCanvas();
}

// Everything else the old Graphics owned (canvases, fonts) goes with it.
void reopenDisplay(int32_t width, int32_t height, int32_t depth, int32_t flags, bool graphicsSet) {
    freeModeObjects();
    platform().closeGraphics(platform().graphics());
    graphicsState.graphics = nullptr;
    Graphics* opened = platform().openGraphics(width, height, depth, graphicsState.driverIndex, flags);
    idleOrEnd();
    if (opened == nullptr) raiseRuntimeError("Unable to set graphics mode");
    resetDrawingState(graphicsSet, flags);
}

}  // namespace

int32_t cmdCountGfxDrivers() { return platform().countDrivers(); }

qyStr* cmdGfxDriverName(int32_t driver) { return strFromText(checkedDriver(driver).description.c_str()); }

void cmdSetGfxDriver(int32_t driver) {
    checkedDriver(driver);
    graphicsState.modeList.clear();
    graphicsState.driverIndex = driver - 1;
}

int32_t cmdCountGfxModes() {
    graphicsState.modeList.clear();
    if (const GfxDriver* driver = currentDriver()) graphicsState.modeList = driver->modes;
    return static_cast<int32_t>(graphicsState.modeList.size());
}

int32_t cmdGfxModeExists(int32_t width, int32_t height, int32_t depth) {
    const GfxDriver* driver = currentDriver();
    if (driver == nullptr) return 0;
    for (const GfxMode& mode : driver->modes)
        if (mode.width == width && mode.height == height && mode.depth == depth) return 1;
    return 0;
}

int32_t cmdGfxModeWidth(int32_t mode) { return checkedMode(mode).width; }
int32_t cmdGfxModeHeight(int32_t mode) { return checkedMode(mode).height; }
int32_t cmdGfxModeDepth(int32_t mode) { return checkedMode(mode).depth; }

int32_t cmdTotalVidMem() { return static_cast<int32_t>(kVideoMemoryBytes); }

int32_t cmdAvailVidMem() {
    const Graphics* graphics = platform().graphics();
    const int64_t used = graphics != nullptr ? graphics->surfaceBytes() : 0;
    return static_cast<int32_t>(std::max<int64_t>(kVideoMemoryBytes - used, 0));
}

void cmdGraphics(int32_t width, int32_t height, int32_t depth, int32_t mode) {
    int32_t flags;
    switch (mode) {
        case 0: flags = debugMode ? kGraphicsWindowed : 0; break;
        case 1: flags = 0; break;
        case 2: flags = kGraphicsWindowed; break;
        case 3: flags = kGraphicsWindowed | kGraphicsScaled; break;
        default: raiseRuntimeError("Illegal Graphics mode");
    }
    reopenDisplay(width, height, depth, flags, true);
}

void cmdEndGraphics() {
    freeModeObjects();
    if (!graphicsState.graphicsSet) return;
    reopenDisplay(400, 300, 0, kGraphicsWindowed, false);
}

bool openDefaultDisplay() {
    graphicsState = GraphicsState{};
    if (platform().openGraphics(400, 300, 0, 0, kGraphicsWindowed) == nullptr) return false;
    resetDrawingState(false, kGraphicsWindowed);
    return true;
}

void closeDisplay() {
    freeModeObjects();
    graphicsState.modeList.clear();
    platform().closeGraphics(platform().graphics());
    graphicsState = GraphicsState{};
}

int32_t cmdFrontBuffer() { return handleOf(graphicsState.graphics->frontCanvas()); }
int32_t cmdBackBuffer() { return handleOf(graphicsState.graphics->backCanvas()); }

int32_t cmdScanLine() { return platform().scanLine(); }

void cmdVWait(int32_t) {
    platform().waitVerticalBlank();
    idleOrEnd();
}

void cmdFlip(int32_t vwait) {
    platform().flip(vwait != 0);
    idleOrEnd();
}

int32_t cmdGraphicsWidth() { return graphicsState.graphics->frontCanvas()->width(); }
int32_t cmdGraphicsHeight() { return graphicsState.graphics->frontCanvas()->height(); }
int32_t cmdGraphicsDepth() { return graphicsState.graphics->frontCanvas()->format().depth; }

void cmdShowPointer() { platform().setPointerVisible(true); }
void cmdHidePointer() { platform().setPointerVisible(false); }

}  // namespace korva
