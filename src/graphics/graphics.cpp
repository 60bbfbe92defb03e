#include "graphics/graphics.h"

#include "graphics/picture_decoder.h"

namespace korva {

Graphics::Graphics(std::shared_ptr<Surface> front, std::shared_ptr<Surface> back)
    : front_(std::make_unique<Canvas>(this, std::move(front), 0)),
      back_(std::make_unique<Canvas>(this, std::move(back), 0)),
      displayFormat_(front_->format()) {
    front_->cls();
    back_->cls();
}

Graphics::~Graphics() {
    for (Canvas* canvas : canvases_) delete canvas;
}

Canvas* Graphics::createCanvas(int32_t width, int32_t height, int32_t flags) {
    std::shared_ptr<Surface> surface = Surface::create(displayFormat_, width, height);
    if (!surface) return nullptr;
    auto* canvas = new Canvas(this, std::move(surface), flags);
    canvases_.insert(canvas);
    canvas->cls();
    return canvas;
}

// The decoded rows run bottom-up; each pixel goes through the picture's
// point routine and the display format's plot routine, so colours are
// truncated to the display's depth exactly as drawing would.
Canvas* Graphics::loadCanvas(const std::string& path, int32_t flags) {
    std::unique_ptr<DecodedPicture> picture = decodePicture(path);
    if (!picture) return nullptr;
    const PixelFormat pictureFormat = PixelFormat::argb8888();
    std::shared_ptr<Surface> surface = Surface::create(displayFormat_, picture->width(), picture->height());
    if (!surface) return nullptr;
    LockedPixels target = surface->lock();
    const int32_t width = picture->width(), height = picture->height();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = picture->bits() + static_cast<ptrdiff_t>(height - 1 - y) * picture->pitch();
        uint8_t* to = target.bits + static_cast<ptrdiff_t>(y) * target.pitch;
        for (int32_t x = 0; x < width; ++x)
            displayFormat_.plot(to + x * displayFormat_.bytesPerPixel,
                                pictureFormat.point(from + x * 4) | 0xFF000000u);
    }
    surface->unlock();
    auto* canvas = new Canvas(this, std::move(surface), flags);
    canvases_.insert(canvas);
    return canvas;
}

void Graphics::freeCanvas(Canvas* canvas) {
    if (canvases_.erase(canvas) != 0) delete canvas;
}

Canvas* Graphics::verifyCanvas(Canvas* canvas) const {
    if (canvas == front_.get() || canvas == back_.get() || canvases_.count(canvas) != 0) return canvas;
    return nullptr;
}

namespace {

int64_t bytesOf(const Canvas& canvas) {
    return static_cast<int64_t>(canvas.width()) * canvas.height() * canvas.format().bytesPerPixel;
}

}  // namespace

int64_t Graphics::surfaceBytes() const {
    int64_t bytes = bytesOf(*front_);
    if (&back_->surface() != &front_->surface()) bytes += bytesOf(*back_);
    for (const Canvas* canvas : canvases_) bytes += bytesOf(*canvas);
    return bytes;
}

void Graphics::backupAll() {
    for (Canvas* canvas : canvases_) canvas->backup();
    if (&back_->surface() != &front_->surface()) back_->backup();
    front_->backup();
}

void Graphics::restoreAll() {
    front_->restore();
    if (&back_->surface() != &front_->surface()) back_->restore();
    for (Canvas* canvas : canvases_) canvas->restore();
}

}  // namespace korva
