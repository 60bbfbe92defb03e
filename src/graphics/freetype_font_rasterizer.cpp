// Fonts through FreeType and fontconfig: fontconfig turns a face name into a
// font file (a name it does not know still gets its closest face), FreeType
// scales the face to a cell height and renders each Latin-1 character in
// monochrome.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "graphics/font_rasterizer.h"

namespace korva {
namespace {

constexpr int32_t kDefaultCellHeight = 12;
constexpr int kCharacterCodes = 256;
constexpr const char* kTrueType = "TrueType";  // fontconfig's name of the format

struct FaceDone {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePointer = std::unique_ptr<FT_FaceRec_, FaceDone>;

struct FcPatternDestroyer {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPointer = std::unique_ptr<FcPattern, FcPatternDestroyer>;

struct FaceLocation {
    std::string file;
    int index = 0;
};

// Pixel rows of the character cell, from its top.
struct CellLayout {
    int32_t height = 0;
    int32_t baseline = 0;
    int32_t underlineTop = 0, underlineRows = 0;
};

const FcChar8* fcText(const char* text) { return reinterpret_cast<const FcChar8*>(text); }

int64_t roundedPixels(FT_Long fontUnits, FT_Fixed scale) { return (FT_MulFix(fontUnits, scale) + 32) >> 6; }

int64_t roundedAdvance(FT_Pos advance) { return (int64_t{advance} + 32) >> 6; }

// Symbol fonts have no Unicode map; their characters sit at 0xF000 + code.
FT_UInt glyphIndexOf(FT_Face face, int code) {
    const bool symbol = face->charmap != nullptr && face->charmap->encoding == FT_ENCODING_MS_SYMBOL;
    return FT_Get_Char_Index(face, symbol ? 0xF000u | static_cast<FT_ULong>(code) : static_cast<FT_ULong>(code));
}

bool selectCharacterMap(FT_Face face) {
    return FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0 || FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
}

// Windows sizes a cell by the OS/2 table's ascent and descent, which can
// exceed the typographic ones; fonts without that table use their own.
void verticalExtent(FT_Face face, FT_Long& ascent, FT_Long& descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    } else {
        ascent = face->ascender;
        descent = -face->descender;
    }
}

// Scales the face so that its cell is `height` pixels high (an em of -height
// pixels when negative) and lays the cell out; nullopt when it cannot be scaled.
std::optional<CellLayout> scaleFace(FT_Face face, int32_t height) {
    if (height == 0) height = kDefaultCellHeight;
    if (height > FontLimits::kMaxHeight || height < -FontLimits::kMaxHeight) return std::nullopt;
    FT_Long ascent, descent;
    verticalExtent(face, ascent, descent);
    if (ascent + descent <= 0 || face->units_per_EM == 0) return std::nullopt;
    const int64_t emSize = height > 0 ? int64_t{height} * 64 * face->units_per_EM / (ascent + descent)
                                      : int64_t{-height} * 64;
    if (emSize <= 0 || FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(emSize), 72, 72) != 0) return std::nullopt;
    const FT_Fixed scale = face->size->metrics.y_scale;
    CellLayout cell;
    cell.height = height > 0 ? height : static_cast<int32_t>(roundedPixels(ascent + descent, scale));
    cell.baseline = static_cast<int32_t>(roundedPixels(ascent, scale));
    cell.underlineRows = std::max<int32_t>(1, static_cast<int32_t>(roundedPixels(face->underline_thickness, scale)));
    const int32_t underlineCentre =
        cell.baseline - static_cast<int32_t>(roundedPixels(face->underline_position, scale));
    cell.underlineTop = std::clamp(underlineCentre - cell.underlineRows / 2, 0,
                                   std::max(cell.height - cell.underlineRows, 0));
    if (cell.height <= 0 || cell.height > FontLimits::kMaxHeight ||
        roundedAdvance(face->size->metrics.max_advance) > FontLimits::kMaxGlyphWidth)
        return std::nullopt;
    return cell;
}

bool bitmapInk(const FT_Bitmap& bitmap, unsigned x, unsigned y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x >> 3] & (0x80u >> (x & 7))) != 0;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) return row[x] >= 128;
    return false;
}

// Copies the rendered bitmap into the cell, with its top-left pixel at
// (left, top); what falls outside the cell is cut off.
void copyInk(const FT_Bitmap& bitmap, int32_t left, int32_t top, RasterGlyph& glyph, int32_t cellHeight) {
    if (bitmap.buffer == nullptr || bitmap.pitch < 0) return;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
        const int32_t cellY = top + static_cast<int32_t>(y);
        if (cellY < 0 || cellY >= cellHeight) continue;
        for (unsigned x = 0; x < bitmap.width; ++x) {
            const int32_t cellX = left + static_cast<int32_t>(x);
            if (cellX >= 0 && cellX < glyph.width && bitmapInk(bitmap, x, y))
                glyph.ink[static_cast<size_t>(cellY * glyph.width + cellX)] = 1;
        }
    }
}

void drawUnderline(const CellLayout& cell, RasterGlyph& glyph) {
    const auto rowBytes = static_cast<size_t>(glyph.width);
    const auto first = glyph.ink.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(cell.underlineTop) * rowBytes);
    const int32_t rows = std::min(cell.underlineRows, cell.height - cell.underlineTop);
    std::fill(first, first + static_cast<ptrdiff_t>(static_cast<size_t>(rows) * rowBytes), 1);
}

// Loads a character's outline with the styles the face lacks synthesised,
// as Windows does; its advance is then known, nothing is rendered yet.
bool loadStyledGlyph(FT_Face face, int code, const FontRequest& request) {
    if (FT_Load_Glyph(face, glyphIndexOf(face, code), FT_LOAD_TARGET_MONO) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (request.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0) FT_GlyphSlot_Oblique(slot);
    if (request.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0) FT_GlyphSlot_Embolden(slot);
    return true;
}

// Renders the glyph loadStyledGlyph left in the face's slot into a cell of
// width pixels.
RasterGlyph renderGlyph(FT_Face face, int32_t width, const CellLayout& cell, const FontRequest& request) {
    RasterGlyph glyph;
    glyph.width = width;
    glyph.ink.assign(static_cast<size_t>(glyph.width) * static_cast<size_t>(cell.height), 0);
    FT_GlyphSlot slot = face->glyph;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0)
        copyInk(slot->bitmap, slot->bitmap_left, cell.baseline - slot->bitmap_top, glyph, cell.height);
    if (request.underline && glyph.width > 0) drawUnderline(cell, glyph);
    return glyph;
}

// The range runs from the first to the last covered code. Codes inside it
// without a glyph of their own draw the face's missing-character glyph; the
// first of them is the default character, so codes outside the range look
// the same. A face covering its whole range defaults to its first character.
// A character that cannot be loaded keeps an empty cell of width 0; one wider
// than the limits, or one that takes the cells past them, ends the font.
std::optional<RasterizedFont> rasterizeCoverage(FT_Face face, const CellLayout& cell, const FontRequest& request) {
    std::array<bool, kCharacterCodes> covered{};
    for (int code = 0; code < kCharacterCodes; ++code) covered[code] = glyphIndexOf(face, code) != 0;
    const auto first = std::find(covered.begin(), covered.end(), true);
    if (first == covered.end()) return std::nullopt;
    const auto end = std::find(covered.rbegin(), covered.rend(), true).base();
    const auto uncovered = std::find(first, end, false);
    RasterizedFont font;
    font.height = cell.height;
    font.firstChar = static_cast<int32_t>(first - covered.begin());
    font.endChar = static_cast<int32_t>(end - covered.begin());
    font.defaultChar = uncovered != end ? static_cast<int32_t>(uncovered - covered.begin()) : font.firstChar;
    int64_t cellPixels = 0;
    for (int code = font.firstChar; code < font.endChar; ++code) {
        if (!loadStyledGlyph(face, code, request)) {
            font.glyphs.emplace_back();
            continue;
        }
        const int64_t width = std::max<int64_t>(0, roundedAdvance(face->glyph->advance.x));
        cellPixels += width * cell.height;
        if (width > FontLimits::kMaxGlyphWidth || cellPixels > FontLimits::kMaxCellPixels) return std::nullopt;
        font.glyphs.push_back(renderGlyph(face, static_cast<int32_t>(width), cell, request));
    }
    return font;
}

class FreeTypeFontRasterizer final : public FontRasterizer {
public:
    FreeTypeFontRasterizer() {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
        fontconfigReady_ = FcInit() == FcTrue;
    }
    ~FreeTypeFontRasterizer() override {
        if (library_ != nullptr) FT_Done_FreeType(library_);
    }

    bool addFontFile(const std::string& fullPath) override {
        if (!fontconfigReady_) return false;
        int& uses = fileUses_[fullPath];
        if (uses == 0 && FcConfigAppFontAddFile(nullptr, fcText(fullPath.c_str())) != FcTrue) {
            fileUses_.erase(fullPath);
            return false;
        }
        ++uses;
        return true;
    }

    // fontconfig can only forget all application fonts at once, so the
    // files still in use are added again.
    void removeFontFile(const std::string& fullPath) override {
        auto found = fileUses_.find(fullPath);
        if (found == fileUses_.end() || --found->second > 0) return;
        fileUses_.erase(found);
        FcConfigAppFontClear(nullptr);
        for (const auto& [path, uses] : fileUses_)
            FcConfigAppFontAddFile(nullptr, fcText(path.c_str()));
    }

    std::optional<RasterizedFont> rasterize(const FontRequest& request) override {
        if (library_ == nullptr) return std::nullopt;
        const std::optional<FaceLocation> location =
            request.filePath.empty() ? matchFace(request) : FaceLocation{request.filePath, 0};
        if (!location) return std::nullopt;
        FT_Face opened = nullptr;
        if (FT_New_Face(library_, location->file.c_str(), location->index, &opened) != 0) return std::nullopt;
        FacePointer face(opened);
        if (!FT_IS_SCALABLE(face) || !selectCharacterMap(face.get())) return std::nullopt;
        const std::optional<CellLayout> cell = scaleFace(face.get(), request.height);
        if (!cell) return std::nullopt;
        return rasterizeCoverage(face.get(), *cell, request);
    }

private:
    // Hinted TrueType outlines stay legible in monochrome at small sizes,
    // PostScript outlines often do not. So a face in PostScript outlines is
    // taken only when it bears the very family name asked for; a stand-in
    // face (courier for instance) is a TrueType one when the system has any.
    std::optional<FaceLocation> matchFace(const FontRequest& request) const {
        if (!fontconfigReady_) return std::nullopt;
        PatternPointer best = bestMatch(request, false);
        if (!best) return std::nullopt;
        if (!hasValue(*best, FC_FONTFORMAT, kTrueType) && !hasValue(*best, FC_FAMILY, request.faceName.c_str())) {
            PatternPointer trueType = bestMatch(request, true);
            if (trueType && hasValue(*trueType, FC_FONTFORMAT, kTrueType)) best = std::move(trueType);
        }
        return locationOf(*best);
    }

    static PatternPointer bestMatch(const FontRequest& request, bool trueTypeOnly) {
        PatternPointer pattern(FcPatternCreate());
        if (!pattern) return nullptr;
        FcPatternAddString(pattern.get(), FC_FAMILY, fcText(request.faceName.c_str()));
        FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
        if (trueTypeOnly) FcPatternAddString(pattern.get(), FC_FONTFORMAT, fcText(kTrueType));
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        return PatternPointer(FcFontMatch(nullptr, pattern.get(), &result));
    }

    static bool hasValue(const FcPattern& pattern, const char* property, const char* wanted) {
        FcChar8* value = nullptr;
        for (int n = 0; FcPatternGetString(&pattern, property, n, &value) == FcResultMatch; ++n)
            if (FcStrCmpIgnoreCase(value, fcText(wanted)) == 0) return true;
        return false;
    }

    static std::optional<FaceLocation> locationOf(const FcPattern& match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(&match, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
        FaceLocation location{reinterpret_cast<const char*>(file), 0};
        FcPatternGetInteger(&match, FC_INDEX, 0, &location.index);
        return location;
    }

    FT_Library library_ = nullptr;
    bool fontconfigReady_ = false;
    std::map<std::string, int> fileUses_;  // added files and how many owners added them
};

}  // namespace

FontRasterizer& systemFontRasterizer() {
    static FreeTypeFontRasterizer rasterizer;
    return rasterizer;
}

}  // namespace korva
