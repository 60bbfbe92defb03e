#include "graphics/collision_commands.h"

#include "graphics/canvas.h"
#include "graphics/image_commands.h"

namespace korva {
namespace {

int32_t framesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2, int32_t y2,
                      int32_t frame2, bool boxOnly) {
    Canvas* first = checkedFrame(image1, frame1);
    Canvas* second = checkedFrame(image2, frame2);
    return first != nullptr && second != nullptr && first->collide(x1, y1, *second, x2, y2, boxOnly) ? 1 : 0;
}

int32_t frameMeetsRect(int32_t image, int32_t x, int32_t y, int32_t frame, int32_t rectX, int32_t rectY,
                       int32_t rectWidth, int32_t rectHeight, bool boxOnly) {
    Canvas* canvas = checkedFrame(image, frame);
    return canvas != nullptr && canvas->rectCollide(x, y, rectX, rectY, rectWidth, rectHeight, boxOnly) ? 1 : 0;
}

}  // namespace

int32_t cmdImagesOverlap(int32_t image1, int32_t x1, int32_t y1, int32_t image2, int32_t x2, int32_t y2) {
    return framesCollide(image1, x1, y1, 0, image2, x2, y2, 0, true);
}

int32_t cmdImagesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2,
                         int32_t y2, int32_t frame2) {
    return framesCollide(image1, x1, y1, frame1, image2, x2, y2, frame2, false);
}

// Sizes are taken as given, and the edges computed without wrapping around.
int32_t cmdRectsOverlap(int32_t x1, int32_t y1, int32_t width1, int32_t height1, int32_t x2, int32_t y2,
                        int32_t width2, int32_t height2) {
    return x2 < int64_t{x1} + width1 && x1 < int64_t{x2} + width2 && y2 < int64_t{y1} + height1 &&
                   y1 < int64_t{y2} + height2
               ? 1
               : 0;
}

int32_t cmdImageRectOverlap(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                            int32_t rectHeight) {
    return frameMeetsRect(image, x, y, 0, rectX, rectY, rectWidth, rectHeight, true);
}

int32_t cmdImageRectCollide(int32_t image, int32_t x, int32_t y, int32_t frame, int32_t rectX, int32_t rectY,
                            int32_t rectWidth, int32_t rectHeight) {
    return frameMeetsRect(image, x, y, frame, rectX, rectY, rectWidth, rectHeight, false);
}

}  // namespace korva
