// The graphics object of one display mode: its front and back buffers, the
// canvases created for the program (images, fonts, loaded pictures), the
// fonts and the display's pixel format. A mode change destroys it with
// everything it owns.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "graphics/canvas.h"
#include "graphics/font_rasterizer.h"

namespace korva {

class AudioDevice;
class Font;
class Movie;

class Graphics {
public:
    // Style bits of loadFont.
    static constexpr int32_t kFontBold = 1, kFontItalic = 2, kFontUnderline = 4;

    // Over the display's surfaces; a window passes one surface for both.
    // Both buffers start with the default font ("courier", 12 pixels), or
    // with none when the rasteriser cannot provide it.
    Graphics(std::shared_ptr<Surface> front, std::shared_ptr<Surface> back,
             FontRasterizer& fontRasterizer = systemFontRasterizer());
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

    // A name containing "." is a font file (as the program writes paths);
    // it is made known to the system once per Graphics, and opened directly.
    // Any other name is a face name. Null when the font cannot be rasterised
    // or its atlas not created.
    Font* loadFont(const std::string& name, int32_t height, int32_t style);
    // Ignores fonts this object did not load, and the default font, which
    // buffers fall back on.
    void freeFont(Font* font);
    // The font when it is one of ours, else null.
    Font* verifyFont(Font* font) const;
    Font* defaultFont() const { return defaultFont_; }

    // A movie from the file, playing from now in the display's layout, with
    // its sound on the audio object when there is one; null when the file
    // cannot be played.
    Movie* openMovie(const std::string& path, AudioDevice* audio);
    // Ignores movies this object did not open.
    void closeMovie(Movie* movie);
    // The movie when it is one of ours and open, else null.
    Movie* verifyMovie(Movie* movie) const;

    // Bytes of pixel storage held by the display, every canvas and every movie.
    int64_t surfaceBytes() const;

    void backupAll();
    void restoreAll();

private:
    std::unique_ptr<Font> createFont(const std::string& name, int32_t height, int32_t style);

    FontRasterizer& fontRasterizer_;
    std::unique_ptr<Canvas> front_, back_;
    std::set<Canvas*> canvases_;
    PixelFormat displayFormat_;
    std::set<Font*> fonts_;
    std::set<Movie*> movies_;
    Font* defaultFont_ = nullptr;
    std::set<std::string> addedFontFiles_;  // full paths, removed again on destruction
};

}  // namespace korva
