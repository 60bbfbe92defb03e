#include "graphics/font.h"

#include <algorithm>
#include <cstdint>

#include "graphics/canvas.h"
#include "graphics/graphics.h"

namespace korva {
namespace {

constexpr uint32_t kGlyphInk = 0xFFFFFFFF;
// Black is the scratch strip's mask colour, so black text is drawn in the
// nearest blue that no pixel format truncates to black.
constexpr uint32_t kNearBlack = 0x000010;
// A glyph's cell position is packed as (x << 16) | y into a signed word.
constexpr int32_t kAtlasCoordinateLimit = 0x8000;

struct AtlasLayout {
    std::vector<int32_t> offsets;
    int32_t width = 0, height = 0;
};

// Glyphs go left to right; a row ends before a glyph that would pass
// wrapWidth, unless the row is still empty (a glyph wider than wrapWidth
// gets a row of its own).
AtlasLayout layOut(const RasterizedFont& glyphs, int32_t wrapWidth) {
    AtlasLayout layout;
    int32_t x = 0, y = 0;
    for (const RasterGlyph& glyph : glyphs.glyphs) {
        if (x > 0 && x + glyph.width > wrapWidth) {
            x = 0;
            y += glyphs.height;
        }
        layout.offsets.push_back(static_cast<int32_t>((static_cast<uint32_t>(x) << 16) | static_cast<uint32_t>(y)));
        x += glyph.width;
        layout.width = std::max(layout.width, x);
    }
    layout.height = y + glyphs.height;
    return layout;
}

// What a rasteriser hands over must describe its own cells exactly before
// any of it is copied.
bool isConsistent(const RasterizedFont& glyphs) {
    if (glyphs.height <= 0 || glyphs.firstChar < 0 || glyphs.endChar > 256 || glyphs.firstChar >= glyphs.endChar ||
        glyphs.defaultChar < glyphs.firstChar || glyphs.defaultChar >= glyphs.endChar ||
        glyphs.glyphs.size() != static_cast<size_t>(glyphs.endChar - glyphs.firstChar))
        return false;
    return std::all_of(glyphs.glyphs.begin(), glyphs.glyphs.end(), [&](const RasterGlyph& glyph) {
        return glyph.width >= 0 && glyph.ink.size() == static_cast<size_t>(glyph.width) * glyphs.height;
    });
}

void paintGlyphs(Canvas& atlas, const RasterizedFont& glyphs, const std::vector<int32_t>& offsets) {
    atlas.lock();
    for (size_t index = 0; index < glyphs.glyphs.size(); ++index) {
        const RasterGlyph& glyph = glyphs.glyphs[index];
        const int32_t left = offsets[index] >> 16, top = offsets[index] & 0xFFFF;
        for (int32_t y = 0; y < glyphs.height; ++y)
            for (int32_t x = 0; x < glyph.width; ++x)
                if (glyph.ink[static_cast<size_t>(y) * static_cast<size_t>(glyph.width) + static_cast<size_t>(x)])
                    atlas.writePixelFast(left + x, top + y, kGlyphInk);
    }
    atlas.unlock();
}

}  // namespace

std::unique_ptr<Font> Font::create(Graphics& graphics, const RasterizedFont& glyphs) {
    if (!isConsistent(glyphs)) return nullptr;
    const int32_t frontWidth = graphics.frontCanvas()->width();
    AtlasLayout layout = layOut(glyphs, frontWidth);
    if (layout.width <= 0 || layout.width >= kAtlasCoordinateLimit || layout.height >= kAtlasCoordinateLimit)
        return nullptr;
    Canvas* atlas = graphics.createCanvas(layout.width, layout.height, 0);
    if (atlas == nullptr) return nullptr;
    Canvas* scratch = graphics.createCanvas(frontWidth, glyphs.height, 0);
    if (scratch == nullptr) {
        graphics.freeCanvas(atlas);
        return nullptr;
    }
    paintGlyphs(*atlas, glyphs, layout.offsets);
    atlas->setMask(kGlyphInk);
    return std::unique_ptr<Font>(new Font(graphics, atlas, scratch, glyphs, std::move(layout.offsets)));
}

Font::Font(Graphics& graphics, Canvas* atlas, Canvas* scratch, const RasterizedFont& glyphs,
           std::vector<int32_t> offsets)
    : graphics_(graphics),
      atlas_(atlas),
      scratch_(scratch),
      width_(0),
      height_(glyphs.height),
      firstChar_(glyphs.firstChar),
      endChar_(glyphs.endChar),
      defaultChar_(glyphs.defaultChar),
      offsets_(std::move(offsets)) {
    for (const RasterGlyph& glyph : glyphs.glyphs) widths_.push_back(glyph.width);
    width_ = *std::max_element(widths_.begin(), widths_.end());
}

Font::~Font() {
    graphics_.freeCanvas(scratch_);
    graphics_.freeCanvas(atlas_);
}

size_t Font::glyphIndex(uint8_t code) const {
    const int32_t character = code >= firstChar_ && code < endChar_ ? code : defaultChar_;
    return static_cast<size_t>(character - firstChar_);
}

int64_t Font::stringWidth(std::string_view text) const {
    int64_t width = 0;
    for (char code : text) width += charWidth(static_cast<uint8_t>(code));
    return width;
}

bool Font::scratchFits(int32_t width) {
    if (scratch_ != nullptr && scratch_->width() >= width) return true;
    graphics_.freeCanvas(scratch_);
    scratch_ = graphics_.createCanvas(width, height_, 0);
    return scratch_ != nullptr;
}

// The strip is filled with the colour, each glyph's black background is
// blitted over it (its white ink is the atlas's mask colour, so the colour
// shows through there), and the strip goes onto the canvas with its black
// pixels transparent.
void Font::draw(Canvas& canvas, uint32_t argb, int64_t x, int64_t y, std::string_view text) {
    const int64_t measured = stringWidth(text);
    if (measured <= 0 || measured > INT32_MAX || !scratchFits(static_cast<int32_t>(measured))) return;
    const auto width = static_cast<int32_t>(measured);
    scratch_->setColor(argb);
    if ((scratch_->getColor() & 0x00FFFFFF) == 0) scratch_->setColor(kNearBlack);
    scratch_->rect(0, 0, width, height_, true);
    int32_t penX = 0;
    for (char code : text) {
        const size_t glyph = glyphIndex(static_cast<uint8_t>(code));
        scratch_->blit(penX, 0, *atlas_, offsets_[glyph] >> 16, offsets_[glyph] & 0xFFFF, widths_[glyph], height_,
                       false);
        penX += widths_[glyph];
    }
    canvas.blit(x, y, *scratch_, 0, 0, width, height_, false);
}

}  // namespace korva
