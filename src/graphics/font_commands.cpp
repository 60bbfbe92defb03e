#include "graphics/font_commands.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "startup/error.h"

namespace korva {
namespace {

// Under a debugger a font unknown to the graphics object is the "Font does
// not exist" error; without one a valid font is the caller's condition.
Font* checkedFont(int32_t handle) {
    Font* font = objectOf<Font>(handle);
    if (debugMode && graphicsState.graphics->verifyFont(font) == nullptr) raiseRuntimeError("Font does not exist");
    return font;
}

void useFont(Font* font) {
    graphicsState.font = font;
    graphicsState.buffer->setFont(font);
}

// The drawing state has no font only when the default font could not be
// loaded; nothing is measured then.
int64_t measuredWidth(std::string_view text) {
    return graphicsState.font != nullptr ? graphicsState.font->stringWidth(text) : 0;
}

int32_t fontHeight() { return graphicsState.font != nullptr ? graphicsState.font->height() : 0; }

}  // namespace

int32_t cmdLoadFont(qyStr* fontName, int32_t height, int32_t bold, int32_t italic, int32_t underline) {
    const std::string name = strTake(fontName);
    const int32_t style = (bold != 0 ? Graphics::kFontBold : 0) | (italic != 0 ? Graphics::kFontItalic : 0) |
                          (underline != 0 ? Graphics::kFontUnderline : 0);
    return handleOf(graphicsState.graphics->loadFont(name, height, style));
}

void cmdSetFont(int32_t font) { useFont(checkedFont(font)); }

void cmdFreeFont(int32_t font) {
    Font* freed = checkedFont(font);
    if (freed == graphicsState.font) useFont(graphicsState.graphics->defaultFont());
    graphicsState.graphics->freeFont(freed);
}

int32_t cmdFontWidth() { return graphicsState.font != nullptr ? graphicsState.font->width() : 0; }
int32_t cmdFontHeight() { return fontHeight(); }

// A width beyond the result's range is reported as its largest value.
int32_t cmdStringWidth(qyStr* string) {
    const int64_t width = std::min<int64_t>(measuredWidth(strView(string)), INT32_MAX);
    strRelease(string);
    return static_cast<int32_t>(width);
}

int32_t cmdStringHeight(qyStr* string) {
    strRelease(string);
    return fontHeight();
}

void cmdText(int32_t x, int32_t y, qyStr* text, int32_t centreX, int32_t centreY) {
    const std::string_view bytes = strView(text);
    const int64_t left = centreX != 0 ? x - measuredWidth(bytes) / 2 : x;
    const int64_t top = centreY != 0 ? y - fontHeight() / 2 : y;
    graphicsState.buffer->text(left, top, bytes);
    strRelease(text);
}

}  // namespace korva
