// Commands on fonts: loading and freeing, the font of the drawing state,
// measuring, and Text on the current buffer.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

int32_t cmdLoadFont(qyStr* fontName, int32_t height, int32_t bold, int32_t italic, int32_t underline);
void cmdSetFont(int32_t font);
void cmdFreeFont(int32_t font);
int32_t cmdFontWidth();
int32_t cmdFontHeight();
int32_t cmdStringWidth(qyStr* string);
int32_t cmdStringHeight(qyStr* string);
void cmdText(int32_t x, int32_t y, qyStr* text, int32_t centreX, int32_t centreY);

}  // namespace korva
