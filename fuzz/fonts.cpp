// libFuzzer harness for font files (scripts/fuzz fonts builds and runs it):
// the input's first byte picks the height (bits 0-4, bit 5 makes it an em
// height) and the style (bit 6 bold, bit 7 italic, both underlined), the
// rest is the file. The file is made known to the system as LoadFont's
// callers do, then rasterised as a font file; every glyph must fit its cell.
// Anything may be refused; nothing may fault, read outside or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/font_rasterizer.h"
#include "input_file.h"

namespace {

korva::FontRequest requestOf(uint8_t choice, const std::string& path) {
    korva::FontRequest request;
    request.filePath = path;
    request.height = choice & 0x20 ? -(choice & 0x1F) : choice & 0x1F;
    request.bold = (choice & 0x40) != 0;
    request.italic = (choice & 0x80) != 0;
    request.underline = request.bold && request.italic;
    return request;
}

void checkCells(const korva::RasterizedFont& font) {
    if (font.height <= 0 || font.height > korva::FontLimits::kMaxHeight) std::abort();
    if (font.firstChar < 0 || font.endChar > 256 || font.firstChar >= font.endChar) std::abort();
    if (font.defaultChar < font.firstChar || font.defaultChar >= font.endChar) std::abort();
    if (font.glyphs.size() != static_cast<size_t>(font.endChar - font.firstChar)) std::abort();
    for (const korva::RasterGlyph& glyph : font.glyphs) {
        if (glyph.width < 0 || glyph.width > korva::FontLimits::kMaxGlyphWidth) std::abort();
        if (glyph.ink.size() != static_cast<size_t>(glyph.width) * static_cast<size_t>(font.height)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string path = inputFile(data + 1, size - 1, "font");
    korva::FontRasterizer& rasterizer = korva::systemFontRasterizer();
    if (rasterizer.addFontFile(path)) rasterizer.removeFontFile(path);
    if (auto font = rasterizer.rasterize(requestOf(data[0], path))) checkCells(*font);
    unlink(path.c_str());
    return 0;
}
