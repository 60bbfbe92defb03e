// Fonts: atlas layout, measuring, drawing and clipping of text on glyphs
// made to order, then the system rasteriser on the fonts the set-up
// installs.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "graphics/canvas.h"
#include "graphics/font.h"
#include "graphics/graphics.h"

namespace korva {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// Characters 'a' to 'd', 7, 9, 3 and 4 pixels wide, 5 high; 'c' is the
// default character. Glyph number n is a bar n + 1 pixels high in its cell's
// left column, so each is recognisable on screen, and a dot in its bottom
// right corner, so that a glyph cut at either side shows.
class MadeToOrderRasterizer final : public FontRasterizer {
public:
    std::map<int, int32_t> widths{{'a', 7}, {'b', 9}, {'c', 3}, {'d', 4}};
    bool failing = false;
    bool inkSizeWrong = false;
    std::vector<FontRequest> requests;
    std::vector<std::string> added, removed;

    bool addFontFile(const std::string& fullPath) override {
        added.push_back(fullPath);
        return true;
    }
    void removeFontFile(const std::string& fullPath) override { removed.push_back(fullPath); }

    std::optional<RasterizedFont> rasterize(const FontRequest& request) override {
        requests.push_back(request);
        if (failing) return std::nullopt;
        RasterizedFont font;
        font.height = kHeight;
        font.firstChar = 'a';
        font.endChar = 'e';
        font.defaultChar = 'c';
        for (const auto& [code, width] : widths) {
            RasterGlyph glyph{width, std::vector<uint8_t>(static_cast<size_t>(width * kHeight))};
            for (int32_t y = 0; y <= code - 'a'; ++y) glyph.ink[static_cast<size_t>(y * width)] = 1;
            glyph.ink.back() = 1;
            if (inkSizeWrong) glyph.ink.pop_back();
            font.glyphs.push_back(glyph);
        }
        return font;
    }

    static constexpr int32_t kHeight = 5;
};

std::unique_ptr<Graphics> graphicsWith(FontRasterizer& rasterizer, int32_t width = 64, int32_t height = 16,
                                       const PixelFormat& format = PixelFormat::xrgb8888()) {
    return std::make_unique<Graphics>(Surface::create(format, width, height), Surface::create(format, width, height),
                                      rasterizer);
}

// Rows of '#' (not the background) and '.' over a region of the canvas.
std::vector<std::string> picture(Canvas& canvas, int32_t width, int32_t height, uint32_t background = 0xFF000000) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < height; ++y) {
        std::string row;
        for (int32_t x = 0; x < width; ++x) row += canvas.readPixel(x, y) != background ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

class MadeToOrderFont : public ::testing::Test {
protected:
    MadeToOrderRasterizer rasterizer;
};

TEST_F(MadeToOrderFont, StringWidthSumsTheCharacterWidths) {
    auto graphics = graphicsWith(rasterizer);
    const Font& font = *graphics->defaultFont();
    EXPECT_EQ(font.stringWidth("ab"), 16);
    EXPECT_EQ(font.stringWidth(""), 0);
    EXPECT_EQ(font.width(), 9);  // the widest character, not an average
    EXPECT_EQ(font.height(), 5);
}

TEST_F(MadeToOrderFont, CodesOutsideTheRangeUseTheDefaultCharacter) {
    auto graphics = graphicsWith(rasterizer);
    Font& font = *graphics->defaultFont();
    for (int code : {0x00, 0x41, 0x65, 0xFF}) EXPECT_EQ(font.charWidth(static_cast<uint8_t>(code)), 3) << code;
    Canvas& canvas = *graphics->backCanvas();
    canvas.text(0, 0, "\xFF");
    const std::vector<std::string> outside = picture(canvas, 5, 5);
    canvas.cls();
    canvas.text(0, 0, "c");
    EXPECT_EQ(picture(canvas, 5, 5), outside);
    EXPECT_EQ(outside, (std::vector<std::string>{"#....", "#....", "#....", ".....", "..#.."}));
}

TEST_F(MadeToOrderFont, TextDrawsEachGlyphInTheColourOverTheBackground) {
    auto graphics = graphicsWith(rasterizer);
    Canvas& canvas = *graphics->backCanvas();
    canvas.setClsColor(kBlue);
    canvas.cls();
    canvas.setColor(kRed);
    canvas.text(1, 0, "dab");
    EXPECT_EQ(picture(canvas, 22, 5, kBlue), (std::vector<std::string>{
                                                 ".#...#......#.........",
                                                 ".#..........#.........",
                                                 ".#....................",
                                                 ".#....................",
                                                 "....#......#........#.",
                                             }));
    EXPECT_EQ(canvas.readPixel(1, 3), kRed);
}

TEST_F(MadeToOrderFont, AtlasRowsWrapAtTheFrontBufferWidth) {
    // 7 + 9 + 3 fit in 20 pixels; 'd' starts the second row.
    auto wide = graphicsWith(rasterizer, 20, 8);
    EXPECT_EQ(wide->defaultFont()->atlas().width(), 19);
    EXPECT_EQ(wide->defaultFont()->atlas().height(), 10);
    // 'b' is wider than 8 pixels and gets a row of its own; 'c' and 'd' share one.
    auto narrow = graphicsWith(rasterizer, 8, 8);
    EXPECT_EQ(narrow->defaultFont()->atlas().width(), 9);
    EXPECT_EQ(narrow->defaultFont()->atlas().height(), 15);
    Canvas& canvas = *narrow->backCanvas();
    canvas.text(0, 0, "d");
    EXPECT_EQ(picture(canvas, 4, 5), (std::vector<std::string>{"#...", "#...", "#...", "#...", "...#"}));
}

TEST_F(MadeToOrderFont, BlackTextIsDrawnInTheNearestVisibleBlue) {
    struct Case {
        PixelFormat format;
        uint32_t colour, drawn;
    } cases[] = {
        {PixelFormat::xrgb8888(), 0x000000, 0xFF000010},
        {PixelFormat::xrgb8888(), 0x000004, 0xFF000004},
        {PixelFormat::rgb565(), 0x000000, 0xFF000010},
        {PixelFormat::rgb565(), 0x000004, 0xFF000010},  // truncated to black
    };
    for (const Case& c : cases) {
        auto graphics = graphicsWith(rasterizer, 64, 16, c.format);
        Canvas& canvas = *graphics->backCanvas();
        canvas.setClsColor(kWhite);
        canvas.cls();
        canvas.setColor(c.colour);
        canvas.text(0, 0, "a");
        EXPECT_EQ(canvas.readPixel(0, 0), c.drawn) << c.format.depth << " " << c.colour;
        EXPECT_EQ(canvas.readPixel(1, 0), canvas.readPixel(0, 1));  // the background is left alone
    }
}

TEST_F(MadeToOrderFont, ClippedTextShowsWhatUnclippedTextShowsInsideTheViewport) {
    auto graphics = graphicsWith(rasterizer, 64, 16);
    Canvas& canvas = *graphics->backCanvas();
    const std::string text = "abdcabzd";  // 'z' is drawn as 'c'
    const Rect viewport{10, 1, 30, 5};
    for (int32_t x = -40; x <= 34; ++x) {
        canvas.setViewport(0, 0, 64, 16);
        canvas.cls();
        canvas.text(x, 0, text);
        std::vector<std::string> expected = picture(canvas, 64, 16);
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t column = 0; column < 64; ++column)
                if (column < viewport.x0 || column >= viewport.x1 || y < viewport.y0 || y >= viewport.y1)
                    expected[static_cast<size_t>(y)][static_cast<size_t>(column)] = '.';
        canvas.cls();
        canvas.setViewport(viewport.x0, viewport.y0, viewport.width(), viewport.height());
        canvas.text(x, 0, text);
        canvas.setViewport(0, 0, 64, 16);
        EXPECT_EQ(picture(canvas, 64, 16), expected) << "x = " << x;
    }
}

TEST_F(MadeToOrderFont, TextThatCannotReachTheViewportDrawsNothing) {
    auto graphics = graphicsWith(rasterizer, 64, 16);
    Canvas& canvas = *graphics->backCanvas();
    canvas.setViewport(10, 5, 20, 5);
    const int32_t before = canvas.modCount();
    canvas.text(12, 10, "abc");   // starts at the viewport's bottom
    canvas.text(12, 0, "abc");    // ends at its top (5 rows high)
    canvas.text(30, 6, "abc");    // starts at its right edge
    canvas.text(-9, 6, "ab");     // ends exactly at its left edge
    canvas.text(12, 6, "");
    EXPECT_EQ(canvas.modCount(), before);
    canvas.text(12, 2, "d");  // the bar's lowest pixel reaches the viewport
    EXPECT_EQ(canvas.modCount(), before + 1);
    EXPECT_EQ(canvas.readPixel(12, 5), kWhite);
}

TEST_F(MadeToOrderFont, TextFollowsTheOrigin) {
    auto graphics = graphicsWith(rasterizer);
    Canvas& canvas = *graphics->backCanvas();
    canvas.setOrigin(5, 2);
    canvas.text(0, 0, "b");
    canvas.setOrigin(0, 0);
    EXPECT_EQ(picture(canvas, 7, 4), (std::vector<std::string>{".......", ".......", ".....#.", ".....#."}));
}

TEST_F(MadeToOrderFont, ScratchStripWidensForStringsWiderThanTheScreen) {
    auto graphics = graphicsWith(rasterizer, 20, 8);
    Canvas* wide = graphics->createCanvas(60, 5, 0);
    wide->setFont(graphics->defaultFont());
    wide->text(0, 0, "bbbbb");  // 45 pixels
    for (int32_t x = 0; x < 60; ++x) EXPECT_EQ(wide->readPixel(x, 1) == kWhite, x % 9 == 0 && x < 45) << x;
}

TEST_F(MadeToOrderFont, GraphicsLoadsTheDefaultFontForBothBuffers) {
    auto graphics = graphicsWith(rasterizer);
    ASSERT_EQ(rasterizer.requests.size(), 1u);
    const FontRequest& request = rasterizer.requests[0];
    EXPECT_EQ(request.faceName, "courier");
    EXPECT_EQ(request.filePath, "");
    EXPECT_EQ(request.height, 12);
    EXPECT_FALSE(request.bold || request.italic || request.underline);
    EXPECT_NE(graphics->defaultFont(), nullptr);
    EXPECT_EQ(graphics->frontCanvas()->font(), graphics->defaultFont());
    EXPECT_EQ(graphics->backCanvas()->font(), graphics->defaultFont());
    EXPECT_EQ(graphics->verifyFont(graphics->defaultFont()), graphics->defaultFont());
}

TEST_F(MadeToOrderFont, WithoutAnyFontGraphicsStillWorksAndTextDrawsNothing) {
    rasterizer.failing = true;
    auto graphics = graphicsWith(rasterizer);
    EXPECT_EQ(graphics->defaultFont(), nullptr);
    Canvas& canvas = *graphics->backCanvas();
    const int32_t before = canvas.modCount();
    canvas.text(0, 0, "abc");
    EXPECT_EQ(canvas.modCount(), before);
    EXPECT_EQ(graphics->loadFont("courier", 12, 0), nullptr);
}

TEST_F(MadeToOrderFont, InconsistentGlyphsAreRefused) {
    rasterizer.inkSizeWrong = true;
    auto graphics = graphicsWith(rasterizer);
    EXPECT_EQ(graphics->defaultFont(), nullptr);
}

TEST_F(MadeToOrderFont, StyleBitsReachTheRasterizer) {
    auto graphics = graphicsWith(rasterizer);
    graphics->loadFont("serif", -20, Graphics::kFontBold | Graphics::kFontUnderline);
    const FontRequest& request = rasterizer.requests.back();
    EXPECT_EQ(request.faceName, "serif");
    EXPECT_EQ(request.height, -20);
    EXPECT_TRUE(request.bold);
    EXPECT_FALSE(request.italic);
    EXPECT_TRUE(request.underline);
}

TEST_F(MadeToOrderFont, AFontFileIsAddedOnceAndRemovedWithTheGraphics) {
    const std::string fullPath = (std::filesystem::current_path() / "fonts/Outline.ttf").string();
    {
        auto graphics = graphicsWith(rasterizer);
        Font* first = graphics->loadFont("fonts/Outline.ttf", 12, 0);
        Font* second = graphics->loadFont("fonts/../fonts/Outline.ttf", 12, 0);
        graphics->loadFont("fonts\\Outline.ttf", 12, 0);  // as Windows programs write it
        EXPECT_NE(first, nullptr);
        EXPECT_NE(second, first);
        EXPECT_EQ(rasterizer.requests.back().filePath, fullPath);
        EXPECT_EQ(rasterizer.requests.back().faceName, "");
        EXPECT_EQ(rasterizer.added, std::vector<std::string>{fullPath});
        EXPECT_TRUE(rasterizer.removed.empty());
    }
    EXPECT_EQ(rasterizer.removed, std::vector<std::string>{fullPath});
}

TEST_F(MadeToOrderFont, FreeFontFreesItsCanvasesButKeepsTheDefaultFont) {
    auto graphics = graphicsWith(rasterizer);
    const int64_t bytes = graphics->surfaceBytes();
    Font* loaded = graphics->loadFont("courier", 12, 0);
    EXPECT_GT(graphics->surfaceBytes(), bytes);
    graphics->freeFont(loaded);
    EXPECT_EQ(graphics->verifyFont(loaded), nullptr);
    EXPECT_EQ(graphics->surfaceBytes(), bytes);
    graphics->freeFont(graphics->defaultFont());
    EXPECT_NE(graphics->verifyFont(graphics->defaultFont()), nullptr);
    graphics->freeFont(reinterpret_cast<Font*>(0x1234));  // unknown: ignored
    EXPECT_EQ(graphics->surfaceBytes(), bytes);
}

// The system rasteriser, on the fonts the project's set-up installs.
const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

FontRequest requestFor(const std::string& faceName, int32_t height) {
    FontRequest request;
    request.faceName = faceName;
    request.height = height;
    return request;
}

int inkOf(const RasterGlyph& glyph) { return static_cast<int>(std::count(glyph.ink.begin(), glyph.ink.end(), 1)); }

const RasterGlyph& glyphOf(const RasterizedFont& font, char code) {
    return font.glyphs[static_cast<size_t>(static_cast<uint8_t>(code) - font.firstChar)];
}

TEST(SystemFont, CourierIsAMonospaceFaceOfTheRequestedCellHeight) {
    std::optional<RasterizedFont> font = systemFontRasterizer().rasterize(requestFor("courier", 12));
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->height, 12);
    EXPECT_LE(font->firstChar, ' ');
    EXPECT_GE(font->endChar, 0x7F);
    const int32_t width = glyphOf(*font, 'W').width;
    EXPECT_GT(width, 4);
    for (char code = ' '; code < 0x7F; ++code) EXPECT_EQ(glyphOf(*font, code).width, width) << code;
    EXPECT_GT(inkOf(glyphOf(*font, 'W')), 0);
    EXPECT_EQ(inkOf(glyphOf(*font, ' ')), 0);
}

TEST(SystemFont, AnUnknownFaceNameStillGetsAFace) {
    std::optional<RasterizedFont> font = systemFontRasterizer().rasterize(requestFor("No Such Face Anywhere", 16));
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->height, 16);
}

TEST(SystemFont, AMissingFontFileIsNone) {
    FontRequest request;
    request.filePath = "/no/such/folder/missing.ttf";
    EXPECT_FALSE(systemFontRasterizer().rasterize(request).has_value());
    EXPECT_FALSE(systemFontRasterizer().addFontFile(request.filePath));
}

TEST(SystemFont, AFontFileIsOpenedDirectly) {
    FontRequest request;
    request.filePath = kDejaVuSans;
    request.height = 20;
    std::optional<RasterizedFont> font = systemFontRasterizer().rasterize(request);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->height, 20);
    EXPECT_LT(glyphOf(*font, 'i').width, glyphOf(*font, 'W').width);  // proportional
    EXPECT_TRUE(systemFontRasterizer().addFontFile(kDejaVuSans));
    systemFontRasterizer().removeFontFile(kDejaVuSans);
}

TEST(SystemFont, NegativeHeightsAreEmHeights) {
    std::optional<RasterizedFont> font = systemFontRasterizer().rasterize(requestFor("courier", -12));
    ASSERT_TRUE(font.has_value());
    EXPECT_GT(font->height, 12);  // ascent and descent exceed the em
}

TEST(SystemFont, UnderlineAndBoldAddInk) {
    FontRequest plain = requestFor("courier", 16);
    std::optional<RasterizedFont> regular = systemFontRasterizer().rasterize(plain);
    plain.underline = true;
    std::optional<RasterizedFont> underlined = systemFontRasterizer().rasterize(plain);
    plain.underline = false;
    plain.bold = true;
    std::optional<RasterizedFont> bold = systemFontRasterizer().rasterize(plain);
    ASSERT_TRUE(regular && underlined && bold);
    const RasterGlyph& space = glyphOf(*underlined, ' ');
    EXPECT_EQ(inkOf(space), space.width * (inkOf(space) / space.width));  // whole rows
    EXPECT_GT(inkOf(space), 0);
    int boldInk = 0, regularInk = 0;
    for (char code = 'A'; code <= 'Z'; ++code) {
        boldInk += inkOf(glyphOf(*bold, code));
        regularInk += inkOf(glyphOf(*regular, code));
    }
    EXPECT_GT(boldInk, regularInk);
}

TEST(SystemFont, DefaultCharacterLiesInTheRange) {
    std::optional<RasterizedFont> font = systemFontRasterizer().rasterize(requestFor("courier", 12));
    ASSERT_TRUE(font.has_value());
    EXPECT_GE(font->defaultChar, font->firstChar);
    EXPECT_LT(font->defaultChar, font->endChar);
    EXPECT_GT(inkOf(font->glyphs[static_cast<size_t>(font->defaultChar - font->firstChar)]), 0);
}

}  // namespace
}  // namespace korva
