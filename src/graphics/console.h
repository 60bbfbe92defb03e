// The text console: Print, Write, Locate and Input on the front buffer,
// whatever buffer the program draws on, with a cursor that scrolls the
// screen up at the bottom and a line editor with a blinking block caret.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

void cmdWrite(qyStr* string);
void cmdPrint(qyStr* string);
qyStr* cmdInput(qyStr* prompt);
void cmdLocate(int32_t x, int32_t y);

// The line editor's canvas goes with every display mode change.
void freeLineCanvas();

}  // namespace korva
