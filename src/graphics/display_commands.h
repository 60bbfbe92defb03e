// Commands of the display: drivers and modes, Graphics/EndGraphics, buffers,
// Flip, VWait, ScanLine, the display's size and the pointer.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

int32_t cmdCountGfxDrivers();
qyStr* cmdGfxDriverName(int32_t driver);
void cmdSetGfxDriver(int32_t driver);
int32_t cmdCountGfxModes();
int32_t cmdGfxModeExists(int32_t width, int32_t height, int32_t depth);
int32_t cmdGfxModeWidth(int32_t mode);
int32_t cmdGfxModeHeight(int32_t mode);
int32_t cmdGfxModeDepth(int32_t mode);
int32_t cmdAvailVidMem();
int32_t cmdTotalVidMem();
void cmdGraphics(int32_t width, int32_t height, int32_t depth, int32_t mode);
void cmdEndGraphics();
int32_t cmdFrontBuffer();
int32_t cmdBackBuffer();
int32_t cmdScanLine();
void cmdVWait(int32_t frames);
void cmdFlip(int32_t vwait);
int32_t cmdGraphicsWidth();
int32_t cmdGraphicsHeight();
int32_t cmdGraphicsDepth();
void cmdShowPointer();
void cmdHidePointer();

// Opens the default 400 x 300 window, as at start-up; false on failure.
bool openDefaultDisplay();
void closeDisplay();

}  // namespace korva
