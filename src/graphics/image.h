// An image, the language's sprite: an ordered list of frames of one size,
// each a canvas of the display's Graphics with its own handle, mask colour
// and collision mask. Commands that need one size or handle read frame 0.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace korva {

class Canvas;
class Graphics;

class Image {
public:
    // An image without frames; frames join it with adopt.
    explicit Image(Graphics& graphics) : graphics_(graphics) {}
    // Frees every frame canvas.
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // count frames of width x height, cleared to black; none for a count of 0
    // or less. Null when a canvas cannot be made (those made are freed).
    static std::unique_ptr<Image> create(Graphics& graphics, int32_t width, int32_t height, int32_t count);

    // count cells of cellWidth x cellHeight copied from picture, starting at
    // cell first: left to right, then top to bottom, a partial cell at the
    // right edge never used. The picture must hold first + count whole cells.
    // Null when a frame cannot be made.
    static std::unique_ptr<Image> fromCells(Graphics& graphics, const Canvas& picture, int32_t cellWidth,
                                            int32_t cellHeight, int32_t first, int32_t count);

    // Frame for frame: the pixels, handles and mask colours. Null when a
    // frame cannot be made.
    std::unique_ptr<Image> copy();

    // The image takes over the canvas (a canvas of its Graphics).
    void adopt(Canvas* frame) { frames_.push_back(frame); }

    std::span<Canvas* const> frames() const { return frames_; }
    // Null for an index (compared unsigned) beyond the frames.
    Canvas* frame(uint32_t index) const { return index < frames_.size() ? frames_[index] : nullptr; }
    bool holds(const Canvas* canvas) const;

    void setHandle(int32_t x, int32_t y);
    void midHandle();  // every frame's handle at (width / 2, height / 2)
    void setMask(uint32_t argb);

    // Replaces every frame by its transformation about its own handle (see
    // transformCanvas). All or nothing: when the matrix is singular or any
    // new frame cannot be made, the old frames stay and the result is false.
    bool transform(float a, float b, float c, float d, bool filter);

private:
    Graphics& graphics_;
    std::vector<Canvas*> frames_;
};

}  // namespace korva
