#include "graphics/image.h"

#include <algorithm>

#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/transform.h"

namespace korva {

Image::~Image() {
    for (Canvas* frame : frames_) graphics_.freeCanvas(frame);
}

std::unique_ptr<Image> Image::create(Graphics& graphics, int32_t width, int32_t height, int32_t count) {
    auto image = std::make_unique<Image>(graphics);
    image->frames_.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
        Canvas* frame = graphics.createCanvas(width, height, 0);
        if (frame == nullptr) return nullptr;
        image->adopt(frame);
    }
    return image;
}

std::unique_ptr<Image> Image::fromCells(Graphics& graphics, const Canvas& picture, int32_t cellWidth,
                                        int32_t cellHeight, int32_t first, int32_t count) {
    auto image = std::make_unique<Image>(graphics);
    image->frames_.reserve(static_cast<size_t>(count));
    const int32_t columns = picture.width() / cellWidth;
    int32_t x = first % columns * cellWidth, y = first / columns * cellHeight;
    for (int32_t i = 0; i < count; ++i) {
        Canvas* frame = graphics.createCanvas(cellWidth, cellHeight, 0);
        if (frame == nullptr) return nullptr;
        image->adopt(frame);
        frame->blit(0, 0, picture, x, y, cellWidth, cellHeight, true);
        x += cellWidth;
        if (x > picture.width() - cellWidth) {
            x = 0;
            y += cellHeight;
        }
    }
    return image;
}

// Each frame is drawn solid at the copy's corner with its handle set aside
// for the draw; the copy then takes over handle and mask colour.
std::unique_ptr<Image> Image::copy() {
    auto image = std::make_unique<Image>(graphics_);
    image->frames_.reserve(frames_.size());
    for (Canvas* frame : frames_) {
        Canvas* copied = graphics_.createCanvas(frame->width(), frame->height(), 0);
        if (copied == nullptr) return nullptr;
        image->adopt(copied);
        const int32_t handleX = frame->handleX(), handleY = frame->handleY();
        frame->setHandle(0, 0);
        copied->blit(0, 0, *frame, 0, 0, frame->width(), frame->height(), true);
        frame->setHandle(handleX, handleY);
        copied->setHandle(handleX, handleY);
        copied->setMask(frame->getMask());
    }
    return image;
}

bool Image::holds(const Canvas* canvas) const {
    return std::find(frames_.begin(), frames_.end(), canvas) != frames_.end();
}

void Image::setHandle(int32_t x, int32_t y) {
    for (Canvas* frame : frames_) frame->setHandle(x, y);
}

void Image::midHandle() {
    for (Canvas* frame : frames_) frame->setHandle(frame->width() / 2, frame->height() / 2);
}

void Image::setMask(uint32_t argb) {
    for (Canvas* frame : frames_) frame->setMask(argb);
}

bool Image::transform(float a, float b, float c, float d, bool filter) {
    Image transformed(graphics_);
    transformed.frames_.reserve(frames_.size());
    for (Canvas* frame : frames_) {
        Canvas* replacement = transformCanvas(*frame, a, b, c, d, frame->handleX(), frame->handleY(), filter);
        if (replacement == nullptr) return false;
        transformed.adopt(replacement);
    }
    std::swap(frames_, transformed.frames_);
    return true;
}

}  // namespace korva
