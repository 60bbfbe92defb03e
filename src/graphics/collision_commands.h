// The overlap tests of sprites and rectangles: by box, or pixel for pixel.
#pragma once

#include <cstdint>

namespace korva {

int32_t cmdImagesOverlap(int32_t image1, int32_t x1, int32_t y1, int32_t image2, int32_t x2, int32_t y2);
int32_t cmdImagesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2,
                         int32_t y2, int32_t frame2);
int32_t cmdRectsOverlap(int32_t x1, int32_t y1, int32_t width1, int32_t height1, int32_t x2, int32_t y2,
                        int32_t width2, int32_t height2);
int32_t cmdImageRectOverlap(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                            int32_t rectHeight);
int32_t cmdImageRectCollide(int32_t image, int32_t x, int32_t y, int32_t frame, int32_t rectX, int32_t rectY,
                            int32_t rectWidth, int32_t rectHeight);

}  // namespace korva
