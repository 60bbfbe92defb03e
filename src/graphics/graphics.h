// The graphics object of one display mode: its front and back buffers, the
// canvases created for the program (images, fonts, loaded pictures) and the
// display's pixel format. A mode change destroys it with everything it owns.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "graphics/canvas.h"

namespace korva {

class Graphics {
public:
    // Over the display's surfaces; a window passes one surface for both.
    Graphics(std::shared_ptr<Surface> front, std::shared_ptr<Surface> back);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Canvas* frontCanvas() const { return front_.get(); }
    Canvas* backCanvas() const { return back_.get(); }
    const PixelFormat& displayFormat() const { return displayFormat_; }

    // A new canvas in the display's format, cleared to black; null on failure.
    Canvas* createCanvas(int32_t width, int32_t height, int32_t flags);
    // A new canvas holding the picture file, upright, converted to the
    // display's format; null when the file cannot be decoded.
    Canvas* loadCanvas(const std::string& path, int32_t flags);
    // Ignores canvases this object did not create.
    void freeCanvas(Canvas* canvas);
    // The canvas when it is one of ours or a display buffer, else null.
    Canvas* verifyCanvas(Canvas* canvas) const;

    // Bytes of pixel storage held by the display and every canvas.
    int64_t surfaceBytes() const;

    void backupAll();
    void restoreAll();

private:
    std::unique_ptr<Canvas> front_, back_;
    std::set<Canvas*> canvases_;
    PixelFormat displayFormat_;
};

}  // namespace korva
