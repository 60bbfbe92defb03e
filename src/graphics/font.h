// A loaded font: every character drawn once, white on black, into a glyph
// atlas canvas, so that drawing a string is only blits. Fonts belong to the
// Graphics object that loaded them (Graphics::loadFont, Graphics::freeFont).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "graphics/font_rasterizer.h"

namespace korva {

class Canvas;
class Graphics;

class Font {
public:
    // Lays the glyphs out in an atlas whose rows wrap at the front buffer's
    // width. Null when the atlas or the scratch strip cannot be created.
    static std::unique_ptr<Font> create(Graphics& graphics, const RasterizedFont& glyphs);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    int32_t width() const { return width_; }  // the widest character
    int32_t height() const { return height_; }
    int32_t firstChar() const { return firstChar_; }
    int32_t endChar() const { return endChar_; }
    int32_t defaultChar() const { return defaultChar_; }
    const Canvas& atlas() const { return *atlas_; }

    // Bytes are character codes 0-255; a code the font lacks is measured and
    // drawn as the default character.
    int32_t charWidth(uint8_t code) const { return widths_[glyphIndex(code)]; }
    // 64 bits: a long string of wide characters passes 2^31 pixels.
    int64_t stringWidth(std::string_view text) const;

    // Draws text in argb with its top-left corner at (x, y) of canvas, as one
    // masked blit: canvas origin, viewport and modification count apply.
    void draw(Canvas& canvas, uint32_t argb, int64_t x, int64_t y, std::string_view text);

private:
    Font(Graphics& graphics, Canvas* atlas, Canvas* scratch, const RasterizedFont& glyphs,
         std::vector<int32_t> offsets);

    size_t glyphIndex(uint8_t code) const;
    bool scratchFits(int32_t width);

    Graphics& graphics_;
    Canvas* atlas_;
    Canvas* scratch_;  // one line of text is coloured here; null after a failed widening
    int32_t width_, height_;
    int32_t firstChar_, endChar_, defaultChar_;
    std::vector<int32_t> offsets_;  // (x << 16) | y of each glyph's cell in the atlas
    std::vector<int32_t> widths_;
};

}  // namespace korva
