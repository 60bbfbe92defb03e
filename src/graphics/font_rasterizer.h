// The system's font rasteriser, seen through the little a font needs: the
// glyphs of the 8-bit character set, drawn once, without anti-aliasing.
//
// Graphics::loadFont is the only caller; Font builds its glyph atlas from
// the result and never talks to the font libraries itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva {

struct FontRequest {
    // Exactly one of the two is used: a font file opened directly when
    // filePath is not empty, else a face looked up by name. An unknown face
    // name is no failure: the system picks a face in its place.
    std::string faceName;
    std::string filePath;
    // Positive: the cell height in pixels (ascent + descent). Negative: the
    // em height, -height pixels. 0: the default cell height of 12.
    int32_t height = 12;
    bool bold = false, italic = false, underline = false;
};

// One character's cell: advance width pixels wide, the font's height
// high; ink holds one byte per pixel, row after row, non-zero where the
// glyph is drawn.
struct RasterGlyph {
    int32_t width = 0;
    std::vector<uint8_t> ink;
};

// What a font may cost. A request beyond them is refused before any glyph
// is drawn where the face's metrics tell (the cell height, the widest
// advance), and at the first character that passes them otherwise, so that
// no height and no face, however crafted, costs more than the limits.
struct FontLimits {
    static constexpr int32_t kMaxHeight = 1024;             // cell height (or em), pixels
    static constexpr int32_t kMaxGlyphWidth = 2048;         // one character's advance, pixels
    static constexpr int64_t kMaxCellPixels = 32LL << 20;  // all characters' cells together
};

// The characters firstChar <= code < endChar (codes are Latin-1, 0-255).
// defaultChar lies in that range and stands in for every code outside it.
struct RasterizedFont {
    int32_t height = 0;
    int32_t firstChar = 0, endChar = 0, defaultChar = 0;
    std::vector<RasterGlyph> glyphs;  // glyphs[code - firstChar]
};

class FontRasterizer {
public:
    virtual ~FontRasterizer() = default;

    // Makes the faces of a font file known by their names to later requests
    // of this process. False when the file cannot be read as a font.
    virtual bool addFontFile(const std::string& fullPath) = 0;
    // Forgets one file given to addFontFile; others stay known.
    virtual void removeFontFile(const std::string& fullPath) = 0;

    // The glyphs, or none (nullopt) when the file or face cannot be opened,
    // cannot be scaled to the height, covers no 8-bit character, or passes
    // FontLimits.
    virtual std::optional<RasterizedFont> rasterize(const FontRequest& request) = 0;
};

// FreeType rasterising faces that fontconfig finds; one per process.
FontRasterizer& systemFontRasterizer();

}  // namespace korva
