#include "graphics/graphics_state.h"

#include "graphics/graphics.h"
#include "startup/error.h"

namespace korva {

GraphicsState graphicsState;

void selectBuffer(Canvas* buffer) {
    graphicsState.buffer = buffer;
    graphicsState.cursorX = graphicsState.cursorY = 0;
    buffer->setOrigin(0, 0);
    buffer->setViewport(0, 0, buffer->width(), buffer->height());
    buffer->setColor(graphicsState.color);
    buffer->setClsColor(graphicsState.clsColor);
    buffer->setFont(graphicsState.font);
}

Canvas* currentOr(int32_t handle) { return handle != 0 ? objectOf<Canvas>(handle) : graphicsState.buffer; }

Canvas* checkedBuffer(int32_t handle) {
    Canvas* canvas = currentOr(handle);
    if (debugMode && graphicsState.graphics->verifyCanvas(canvas) == nullptr)
        raiseRuntimeError("Buffer does not exist");
    return canvas;
}

}  // namespace korva
