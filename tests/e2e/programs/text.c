/* Fonts and Text on the default window, read back pixel by pixel. The
 * command line picks a part: none for the drawing checks, 1 and 2 for
 * SetFont and FreeFont with a font that does not exist. */
#include <korva.h>

#define BLACK ((int)0xFF000000)

static int isLit(int x, int y) { return _freadpixel(x, y, 0) != BLACK; }

static int countLit(int x0, int y0, int width, int height) {
    int x, y, lit = 0;
    for (y = y0; y < y0 + height; ++y)
        for (x = x0; x < x0 + width; ++x) lit += isLit(x, y);
    return lit;
}

static int countColour(int x0, int y0, int width, int height, int argb) {
    int x, y, found = 0;
    for (y = y0; y < y0 + height; ++y)
        for (x = x0; x < x0 + width; ++x) found += _freadpixel(x, y, 0) == argb;
    return found;
}

/* 1 when two areas of the buffer hold the same pixels. */
static int sameArea(int ax, int ay, int bx, int by, int width, int height) {
    int x, y;
    for (y = 0; y < height; ++y)
        for (x = 0; x < width; ++x)
            if (_freadpixel(ax + x, ay + y, 0) != _freadpixel(bx + x, by + y, 0)) return 0;
    return 1;
}

static void section(const char *name) {
    _fviewport(0, 0, 400, 300);
    _fclscolor(0, 0, 0);
    _fcolor(255, 255, 255);
    _fcls();
    kprint(name);
}

static void metrics(void) {
    int width = _ffontwidth();
    section("metrics");
    kprinti(_ffontheight());
    kprinti(width > 4);
    kprinti(_fstringwidth(kstr("iiii")) == 4 * width && _fstringwidth(kstr("WWWW")) == 4 * width);
    kprinti(_fstringwidth(kstr("")));
    kprinti(_fstringheight(kstr("anything")) == _ffontheight());
}

static void defaultCharacter(void) {
    int width = _ffontwidth(), height = _ffontheight();
    section("a byte outside the font");
    kprinti(_fstringwidth(kstr("\001")) == width);
    _ftext(0, 0, kstr("\001"), 0, 0);
    _ftext(0, 20, kstr("\002"), 0, 0);
    kprinti(countLit(0, 0, width, height) > 0);
    kprinti(sameArea(0, 0, 0, 20, width, height));
}

static void emptyText(void) {
    section("empty text");
    _ftext(10, 10, kstr(""), 0, 0);
    _ftext(10, 10, kstr(""), 1, 1);
    kprinti(countLit(0, 0, 40, 40));
}

static void centring(void) {
    int width = _fstringwidth(kstr("ABC")), height = _ffontheight();
    section("centring");
    _ftext(10, 100, kstr("ABC"), 0, 0);
    _ftext(210 + width / 2, 100 + height / 2, kstr("ABC"), 1, 1);
    kprinti(countLit(10, 100, width, height) > 0);
    kprinti(sameArea(10, 100, 210, 100, width, height));
}

static void clipping(void) {
    section("clipping at the viewport");
    _ftext(20, 155, kstr("MMMMMMMMMM"), 0, 0);
    _fviewport(50, 50, 30, 10);
    _ftext(20, 55, kstr("MMMMMMMMMM"), 0, 0);
    _fviewport(0, 0, 400, 300);
    kprinti(countLit(0, 0, 400, 50) + countLit(0, 60, 400, 90) + countLit(0, 50, 50, 10) + countLit(80, 50, 320, 10));
    kprinti(countLit(50, 50, 30, 10) > 0);
    kprinti(sameArea(50, 55, 50, 155, 30, 5));
    _ftext(400, 0, kstr("M"), 0, 0);
    _ftext(-_fstringwidth(kstr("MM")), 0, kstr("MM"), 0, 0);
    _ftext(0, -_ffontheight(), kstr("MM"), 0, 0);
    kprinti(countLit(0, 0, 400, 50));
}

static void blackText(void) {
    int width = _ffontwidth(), height = _ffontheight();
    section("black text");
    _fclscolor(255, 255, 255);
    _fcls();
    _fcolor(0, 0, 0);
    _ftext(0, 0, kstr("W"), 0, 0);
    kprinti(countColour(0, 0, width, height, (int)0xFF000010) > 0);
    kprinti(countColour(0, 0, width, height, BLACK));
}

static void loadedFonts(void) {
    int font;
    section("loaded fonts");
    kprinti(_floadfont(kstr("no_such_font.ttf"), 12, 0, 0, 0));
    font = _floadfont(kstr("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 20, 0, 0, 0);
    kprinti(font != 0);
    _fsetfont(font);
    kprinti(_ffontheight());
    kprinti(_fstringwidth(kstr("i")) < _fstringwidth(kstr("W")));
    _ftext(0, 0, kstr("W"), 0, 0);
    kprinti(countLit(0, 12, 40, 8) > 0); /* below a 12-pixel cell */
    _ffreefont(font);
    kprinti(_ffontheight());
    font = _floadfont(kstr("courier"), 24, 1, 1, 1);
    _fsetfont(font);
    kprinti(_ffontheight());
    _fsetbuffer(_fbackbuffer()); /* the buffer selected takes the font over */
    _fcls();
    _ftext(0, 0, kstr("W"), 0, 0);
    kprinti(countLit(0, 12, 40, 12) > 0);
    _ffreefont(font);
}

void __MAIN(void) {
    int part = __qyStrToInt(_fcommandline());
    if (part == 1 || part == 2) {
        if (part == 1) _fsetfont(12345);
        else _ffreefont(12345);
        _fruntimeerror(kstr("not stopped")); /* shows that the program went on */
    }
    metrics();
    defaultCharacter();
    emptyText();
    centring();
    clipping();
    blackText();
    loadedFonts();
}
