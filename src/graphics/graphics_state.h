// The graphics module's drawing state: the buffer every drawing command
// targets, and the colour, Cls colour and font each selected buffer takes over.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "core/handle.h"
#include "platform/gfx_driver.h"

namespace korva {

class Canvas;
class Font;
class Graphics;
class Image;

struct GraphicsState {
    Graphics* graphics = nullptr;
    Canvas* buffer = nullptr;
    uint32_t color = 0xFFFFFFFF;
    uint32_t clsColor = 0;
    Font* font = nullptr;
    int32_t cursorX = 0, cursorY = 0;  // the text console's, on the front buffer
    Canvas* lineCanvas = nullptr;      // the text console's line editor, made by Input
    bool autoMidHandle = false;
    bool tformFilter = true;
    bool graphicsSet = false;  // a display of the program's own Graphics command is open
    int32_t driverIndex = 0;   // 0-based
    std::vector<GfxMode> modeList;  // filled by CountGfxModes
    std::unordered_set<Image*> images;  // the live images; all freed before the display closes
};

extern GraphicsState graphicsState;

// Selects a buffer as SetBuffer does: origin and viewport reset, the state's
// colour, Cls colour and font applied.
void selectBuffer(Canvas* buffer);

// The buffer a command names: 0 is the current buffer. Under a debugger an
// unknown buffer is the "Buffer does not exist" error.
Canvas* checkedBuffer(int32_t handle);
Canvas* currentOr(int32_t handle);  // unchecked

}  // namespace korva
