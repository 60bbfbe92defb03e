#include "graphics/image_commands.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "core/handle.h"
#include "graphics/bitmap_file.h"
#include "graphics/buffer_commands.h"
#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/image.h"
#include "platform/host_path.h"
#include "startup/error.h"

namespace korva {
namespace {

// RotateImage's degrees-to-radians factor, a single-precision constant.
constexpr float kRadiansPerDegree = 0.017453292f;

Graphics& graphics() { return *graphicsState.graphics; }

Image* checkedImage(int32_t handle) {
    Image* image = objectOf<Image>(handle);
    if (debugMode && graphicsState.images.count(image) == 0) raiseRuntimeError("Image does not exist");
    return image;
}

// Commands on the whole image are checked against its frame 0; null when
// there is none (a frameless image, or image 0 without a debugger).
Image* checkedImageWithFrames(int32_t handle) {
    return checkedFrame(handle, 0) != nullptr ? objectOf<Image>(handle) : nullptr;
}

// New images from files and CreateImage get their handles in the middle
// while AutoMidHandle is on.
std::unique_ptr<Image> placeHandles(std::unique_ptr<Image> image) {
    if (image != nullptr && graphicsState.autoMidHandle) image->midHandle();
    return image;
}

// A size or handle of the image, read from frame 0; 0 when there is none.
int32_t ofFrameZero(int32_t image, int32_t (Canvas::*property)() const) {
    const Canvas* frame = checkedFrame(image, 0);
    return frame != nullptr ? (frame->*property)() : 0;
}

// Makes the image live and returns its handle; 0 for none, and when memory
// runs out anywhere on the way (the image is freed then).
template <class Make>
int32_t liveImage(Make make) {
    try {
        std::unique_ptr<Image> image = make();
        if (image == nullptr) return 0;
        graphicsState.images.insert(image.get());
        return handleOf(image.release());
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void freeImage(Image* image) {
    if (image->holds(graphicsState.buffer)) selectBuffer(graphics().frontCanvas());
    graphicsState.images.erase(image);
    delete image;
}

// The string argument is released here, so that a caller may raise an error
// afterwards without leaving a copy of its text behind.
Canvas* loadPicture(qyStr* file, int32_t flags) { return graphics().loadCanvas(strTake(file), flags); }

void drawFrame(int32_t image, int32_t x, int32_t y, int32_t frame, bool solid) {
    if (Canvas* source = checkedFrame(image, frame))
        graphicsState.buffer->blit(x, y, *source, 0, 0, source->width(), source->height(), solid);
}

void drawFrameRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                   int32_t rectHeight, int32_t frame, bool solid) {
    if (Canvas* source = checkedFrame(image, frame))
        graphicsState.buffer->blit(x, y, *source, rectX, rectY, rectWidth, rectHeight, solid);
}

// Where the tile grid starts within one tile of the viewport's edge: in
// 0..size, size included, for any distance between position and start.
int64_t gridOffset(int64_t position, int64_t start, int64_t size) {
    return position >= start ? (position - start) % size : size - (start - position) % size;
}

bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// Tiles on the grid through the position where DrawImage would place the
// frame, from one tile before the viewport's corner until it is covered.
void tileFrame(int32_t image, int32_t x, int32_t y, int32_t frame, bool solid) {
    Canvas* tile = checkedFrame(image, frame);
    if (tile == nullptr) return;
    Canvas& buffer = *graphicsState.buffer;
    const Rect& viewport = buffer.viewport();
    const int64_t width = tile->width(), height = tile->height();
    const int64_t startX = int64_t{viewport.x0} + tile->handleX() - buffer.originX();
    const int64_t startY = int64_t{viewport.y0} + tile->handleY() - buffer.originY();
    const int64_t left = startX + gridOffset(x, startX, width), top = startY + gridOffset(y, startY, height);
    for (int64_t gy = -height; gy < viewport.height(); gy += height)
        for (int64_t gx = -width; gx < viewport.width(); gx += width)
            buffer.blit(left + gx, top + gy, *tile, 0, 0, tile->width(), tile->height(), solid);
}

// A transformation never leaves the current buffer on a frame it replaces.
void transformImage(Image& image, float a, float b, float c, float d) {
    if (image.holds(graphicsState.buffer)) selectBuffer(graphics().frontCanvas());
    try {
        image.transform(a, b, c, d, graphicsState.tformFilter);
    } catch (const std::bad_alloc&) {
        // The old frames stay.
    }
}

}  // namespace

Canvas* checkedFrame(int32_t handle, int32_t index) {
    Image* image = checkedImage(handle);
    Canvas* frame = image != nullptr ? image->frame(static_cast<uint32_t>(index)) : nullptr;
    if (frame == nullptr && debugMode) raiseRuntimeError("Image frame out of range");
    return frame;
}

void freeAllImages() {
    while (!graphicsState.images.empty()) freeImage(*graphicsState.images.begin());
}

int32_t cmdLoadImage(qyStr* file) {
    return liveImage([file] {
        auto image = std::make_unique<Image>(graphics());
        Canvas* picture = loadPicture(file, 0);
        if (picture == nullptr) return std::unique_ptr<Image>();
        image->adopt(picture);
        return placeHandles(std::move(image));
    });
}

int32_t cmdCopyImage(int32_t image) {
    Image* original = checkedImageWithFrames(image);
    if (original == nullptr) return 0;
    return liveImage([original] { return original->copy(); });
}

int32_t cmdCreateImage(int32_t width, int32_t height, int32_t frames) {
    return liveImage([=] { return placeHandles(Image::create(graphics(), width, height, frames)); });
}

int32_t cmdLoadAnimImage(qyStr* file, int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t count) {
    if (count <= 0) raiseRuntimeError("Illegal frame count");
    if (first < 0) raiseRuntimeError("Illegal first frame");
    if (cellWidth <= 0 || cellHeight <= 0) raiseRuntimeError("Illegal cell size");
    Canvas* picture = loadPicture(file, Canvas::kSystemMemory);
    if (picture == nullptr) return 0;
    const int64_t cells = int64_t{picture->width() / cellWidth} * (picture->height() / cellHeight);
    if (cells < int64_t{first} + count) {
        graphics().freeCanvas(picture);
        raiseRuntimeError("Not enough frames in bitmap");
    }
    const int32_t image = liveImage([&] {
        return placeHandles(Image::fromCells(graphics(), *picture, cellWidth, cellHeight, first, count));
    });
    graphics().freeCanvas(picture);
    return image;
}

// Images that are not live are ignored, under a debugger too.
void cmdFreeImage(int32_t image) {
    Image* freed = objectOf<Image>(image);
    if (graphicsState.images.count(freed) != 0) freeImage(freed);
}

int32_t cmdSaveImage(int32_t image, qyStr* file, int32_t frame) {
    Canvas* source = checkedFrame(image, frame);
    const std::string path = hostPath(strTake(file).c_str());
    return source != nullptr && saveBitmapFile(*source, path) ? 1 : 0;
}

// The frame receives the area DrawBlock(image, x, y) would cover: pixel
// (0, 0) comes from the buffer's point (x + origin - handle). Neither the
// frame's own origin nor an image handle of the buffer moves the copy.
void cmdGrabImage(int32_t image, int32_t x, int32_t y, int32_t frame) {
    Canvas* target = checkedFrame(image, frame);
    if (target == nullptr) return;
    Canvas& buffer = *graphicsState.buffer;
    const int64_t sourceX = int64_t{x} + buffer.originX() - target->handleX();
    const int64_t sourceY = int64_t{y} + buffer.originY() - target->handleY();
    target->setViewport(0, 0, target->width(), target->height());
    if (!fitsInt32(sourceX) || !fitsInt32(sourceY)) return;
    const int32_t originX = target->originX(), originY = target->originY();
    const int32_t handleX = buffer.handleX(), handleY = buffer.handleY();
    target->setOrigin(0, 0);
    buffer.setHandle(0, 0);
    target->blit(0, 0, buffer, static_cast<int32_t>(sourceX), static_cast<int32_t>(sourceY), target->width(),
                 target->height(), true);
    buffer.setHandle(handleX, handleY);
    target->setOrigin(originX, originY);
}

int32_t cmdImageBuffer(int32_t image, int32_t frame) { return handleOf(checkedFrame(image, frame)); }

void cmdDrawImage(int32_t image, int32_t x, int32_t y, int32_t frame) { drawFrame(image, x, y, frame, false); }
void cmdDrawBlock(int32_t image, int32_t x, int32_t y, int32_t frame) { drawFrame(image, x, y, frame, true); }
void cmdTileImage(int32_t image, int32_t x, int32_t y, int32_t frame) { tileFrame(image, x, y, frame, false); }
void cmdTileBlock(int32_t image, int32_t x, int32_t y, int32_t frame) { tileFrame(image, x, y, frame, true); }

void cmdDrawImageRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                      int32_t rectHeight, int32_t frame) {
    drawFrameRect(image, x, y, rectX, rectY, rectWidth, rectHeight, frame, false);
}

void cmdDrawBlockRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                      int32_t rectHeight, int32_t frame) {
    drawFrameRect(image, x, y, rectX, rectY, rectWidth, rectHeight, frame, true);
}

void cmdMaskImage(int32_t image, int32_t red, int32_t green, int32_t blue) {
    if (Image* masked = checkedImageWithFrames(image)) masked->setMask(composeRgb(red, green, blue));
}

void cmdHandleImage(int32_t image, int32_t x, int32_t y) {
    if (Image* handled = checkedImageWithFrames(image)) handled->setHandle(x, y);
}

void cmdMidHandle(int32_t image) {
    if (Image* handled = checkedImageWithFrames(image)) handled->midHandle();
}

void cmdAutoMidHandle(int32_t enable) { graphicsState.autoMidHandle = enable != 0; }

int32_t cmdImageWidth(int32_t image) { return ofFrameZero(image, &Canvas::width); }
int32_t cmdImageHeight(int32_t image) { return ofFrameZero(image, &Canvas::height); }
int32_t cmdImageXHandle(int32_t image) { return ofFrameZero(image, &Canvas::handleX); }
int32_t cmdImageYHandle(int32_t image) { return ofFrameZero(image, &Canvas::handleY); }

void cmdTFormImage(int32_t image, float a, float b, float c, float d) {
    if (Image* transformed = checkedImageWithFrames(image)) transformImage(*transformed, a, b, c, d);
}

void cmdScaleImage(int32_t image, float xScale, float yScale) { cmdTFormImage(image, xScale, 0, 0, yScale); }

void cmdResizeImage(int32_t image, float width, float height) {
    const Canvas* frame = checkedFrame(image, 0);
    if (frame == nullptr) return;
    cmdTFormImage(image, width / static_cast<float>(frame->width()), 0, 0,
                  height / static_cast<float>(frame->height()));
}

// The angle times the constant, and its cosine and sine, are evaluated in
// double precision and rounded to single only at the end, as the language's
// compiled arithmetic does: a quarter turn's cosine is then about 1.2e-8,
// which the bounding box's outward rounding turns into an extra column.
void cmdRotateImage(int32_t image, float angle) {
    const double radians = -(static_cast<double>(angle) * static_cast<double>(kRadiansPerDegree));
    const auto cosine = static_cast<float>(std::cos(radians)), sine = static_cast<float>(std::sin(radians));
    cmdTFormImage(image, cosine, -sine, sine, cosine);
}

void cmdTFormFilter(int32_t enable) { graphicsState.tformFilter = enable != 0; }

}  // namespace korva
