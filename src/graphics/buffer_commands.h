// Commands on buffers: selection, loading and saving, locking, pixels,
// origin and viewport, colours, and the drawing primitives.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

// A colour from its components, in 32-bit arithmetic without clamping: a
// value above 255 spills into the next channel.
uint32_t composeRgb(int32_t red, int32_t green, int32_t blue);

void cmdSetBuffer(int32_t buffer);
int32_t cmdGraphicsBuffer();
int32_t cmdLoadBuffer(int32_t buffer, qyStr* file);
int32_t cmdSaveBuffer(int32_t buffer, qyStr* file);
void cmdLockBuffer(int32_t buffer);
void cmdUnlockBuffer(int32_t buffer);
int32_t cmdReadPixel(int32_t x, int32_t y, int32_t buffer);
void cmdWritePixel(int32_t x, int32_t y, int32_t argb, int32_t buffer);
int32_t cmdReadPixelFast(int32_t x, int32_t y, int32_t buffer);
void cmdWritePixelFast(int32_t x, int32_t y, int32_t argb, int32_t buffer);
void cmdCopyPixel(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer);
void cmdCopyPixelFast(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY,
                      int32_t destBuffer);
void cmdOrigin(int32_t x, int32_t y);
void cmdViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void cmdColor(int32_t red, int32_t green, int32_t blue);
void cmdGetColor(int32_t x, int32_t y);
int32_t cmdColorRed();
int32_t cmdColorGreen();
int32_t cmdColorBlue();
void cmdClsColor(int32_t red, int32_t green, int32_t blue);
void cmdCls();
void cmdPlot(int32_t x, int32_t y);
void cmdRect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid);
void cmdOval(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid);
void cmdLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void cmdCopyRect(int32_t sourceX, int32_t sourceY, int32_t width, int32_t height, int32_t destX, int32_t destY,
                 int32_t srcBuffer, int32_t destBuffer);

}  // namespace korva
