#include "graphics/graphics.h"

#include <filesystem>
#include <new>

#include "platform/host_path.h"
#include "graphics/font.h"
#include "graphics/movie.h"
#include "graphics/picture_decoder.h"

namespace korva {

Graphics::Graphics(std::shared_ptr<Surface> front, std::shared_ptr<Surface> back, FontRasterizer& fontRasterizer)
    : fontRasterizer_(fontRasterizer),
      front_(std::make_unique<Canvas>(this, std::move(front), 0)),
      back_(std::make_unique<Canvas>(this, std::move(back), 0)),
      displayFormat_(front_->format()) {
    front_->cls();
    back_->cls();
    defaultFont_ = loadFont("courier", 12, 0);
    front_->setFont(defaultFont_);
    back_->setFont(defaultFont_);
}

// Movies stop first; fonts go before the canvases: they free theirs through
// this object.
Graphics::~Graphics() {
    for (Movie* movie : movies_) delete movie;
    for (Font* font : fonts_) delete font;
    for (Canvas* canvas : canvases_) delete canvas;
    for (const std::string& path : addedFontFiles_) fontRasterizer_.removeFontFile(path);
}

Canvas* Graphics::createCanvas(int32_t width, int32_t height, int32_t flags) {
    std::shared_ptr<Surface> surface = Surface::create(displayFormat_, width, height);
    if (!surface) return nullptr;
    auto* canvas = new Canvas(this, std::move(surface), flags);
    canvases_.insert(canvas);
    canvas->cls();
    return canvas;
}

// Each pixel goes through the display format's plot routine, so colours
// are truncated to the display's depth exactly as drawing would.
Canvas* Graphics::loadCanvas(const std::string& path, int32_t flags) {
    std::unique_ptr<DecodedPicture> picture = decodePicture(hostPath(path.c_str()));
    if (!picture) return nullptr;
    std::shared_ptr<Surface> surface = Surface::create(displayFormat_, picture->width(), picture->height());
    if (!surface) return nullptr;
    LockedPixels target = surface->lock();
    for (int32_t y = 0; y < picture->height(); ++y) {
        const uint32_t* from = picture->row(y);
        uint8_t* to = target.bits + static_cast<ptrdiff_t>(y) * target.pitch;
        for (int32_t x = 0; x < picture->width(); ++x)
            displayFormat_.plot(to + x * displayFormat_.bytesPerPixel, from[x] | 0xFF000000u);
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

// The absolute, normalised path, so that one file named two ways is added
// to the system once.
std::string fullFontPath(const std::string& name) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(hostPath(name.c_str()), error);
    return error ? name : absolute.lexically_normal().string();
}

FontRequest fontRequestOf(int32_t height, int32_t style) {
    FontRequest request;
    request.height = height;
    request.bold = (style & Graphics::kFontBold) != 0;
    request.italic = (style & Graphics::kFontItalic) != 0;
    request.underline = (style & Graphics::kFontUnderline) != 0;
    return request;
}

}  // namespace

std::unique_ptr<Font> Graphics::createFont(const std::string& name, int32_t height, int32_t style) {
    FontRequest request = fontRequestOf(height, style);
    if (name.find('.') != std::string::npos) {
        request.filePath = fullFontPath(name);
        if (addedFontFiles_.count(request.filePath) == 0 && fontRasterizer_.addFontFile(request.filePath))
            addedFontFiles_.insert(request.filePath);
    } else {
        request.faceName = name;
    }
    const std::optional<RasterizedFont> glyphs = fontRasterizer_.rasterize(request);
    return glyphs ? Font::create(*this, *glyphs) : nullptr;
}

// Programs see a font that cannot be had, memory included, as a result.
Font* Graphics::loadFont(const std::string& name, int32_t height, int32_t style) {
    try {
        std::unique_ptr<Font> font = createFont(name, height, style);
        if (font == nullptr) return nullptr;
        fonts_.insert(font.get());
        return font.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Graphics::freeFont(Font* font) {
    if (font != defaultFont_ && fonts_.erase(font) != 0) delete font;
}

Font* Graphics::verifyFont(Font* font) const { return fonts_.count(font) != 0 ? font : nullptr; }

// A movie that cannot be had, memory included, is a result for programs.
Movie* Graphics::openMovie(const std::string& path, AudioDevice* audio) {
    try {
        const std::string file = hostPath(path.c_str());
        std::unique_ptr<MovieDecoder> decoder = openMovieDecoder(file, displayFormat_);
        if (!decoder) return nullptr;
        std::unique_ptr<SoundTrack> sound =
            audio != nullptr && decoder->soundStart() ? audio->openSoundTrack(file) : nullptr;
        std::unique_ptr<Movie> movie =
            Movie::open(std::move(decoder), displayFormat_, Movie::steadyMicroseconds, std::move(sound));
        if (!movie) return nullptr;
        movies_.insert(movie.get());
        return movie.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Graphics::closeMovie(Movie* movie) {
    if (movies_.erase(movie) != 0) delete movie;
}

Movie* Graphics::verifyMovie(Movie* movie) const { return movies_.count(movie) != 0 ? movie : nullptr; }

namespace {

int64_t bytesOf(const Canvas& canvas) {
    return static_cast<int64_t>(canvas.width()) * canvas.height() * canvas.format().bytesPerPixel;
}

}  // namespace

int64_t Graphics::surfaceBytes() const {
    int64_t bytes = bytesOf(*front_);
    if (&back_->surface() != &front_->surface()) bytes += bytesOf(*back_);
    for (const Canvas* canvas : canvases_) bytes += bytesOf(*canvas);
    for (const Movie* movie : movies_) bytes += movie->pictureBytes();
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
