// Image commands: loading, creating, copying, grabbing, saving and drawing
// images, their handles and masks, and their transformations.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

class Canvas;

int32_t cmdLoadImage(qyStr* file);
int32_t cmdCopyImage(int32_t image);
int32_t cmdCreateImage(int32_t width, int32_t height, int32_t frames);
int32_t cmdLoadAnimImage(qyStr* file, int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t count);
void cmdFreeImage(int32_t image);
int32_t cmdSaveImage(int32_t image, qyStr* file, int32_t frame);
void cmdGrabImage(int32_t image, int32_t x, int32_t y, int32_t frame);
int32_t cmdImageBuffer(int32_t image, int32_t frame);
void cmdDrawImage(int32_t image, int32_t x, int32_t y, int32_t frame);
void cmdDrawBlock(int32_t image, int32_t x, int32_t y, int32_t frame);
void cmdTileImage(int32_t image, int32_t x, int32_t y, int32_t frame);
void cmdTileBlock(int32_t image, int32_t x, int32_t y, int32_t frame);
void cmdDrawImageRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                      int32_t rectHeight, int32_t frame);
void cmdDrawBlockRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                      int32_t rectHeight, int32_t frame);
void cmdMaskImage(int32_t image, int32_t red, int32_t green, int32_t blue);
void cmdHandleImage(int32_t image, int32_t x, int32_t y);
void cmdMidHandle(int32_t image);
void cmdAutoMidHandle(int32_t enable);
int32_t cmdImageWidth(int32_t image);
int32_t cmdImageHeight(int32_t image);
int32_t cmdImageXHandle(int32_t image);
int32_t cmdImageYHandle(int32_t image);
void cmdScaleImage(int32_t image, float xScale, float yScale);
void cmdResizeImage(int32_t image, float width, float height);
void cmdRotateImage(int32_t image, float angle);
void cmdTFormImage(int32_t image, float a, float b, float c, float d);
void cmdTFormFilter(int32_t enable);

// The frame a command names. Under a debugger an image that is not live is
// "Image does not exist" and a frame index (compared unsigned) beyond its
// frames "Image frame out of range". Without one, image 0 and a missing frame
// give null and the command does nothing.
Canvas* checkedFrame(int32_t image, int32_t frame);

// Frees every live image (before the display closes, at EndGraphics); the
// front buffer is selected if a frame was the current buffer.
void freeAllImages();

}  // namespace korva
