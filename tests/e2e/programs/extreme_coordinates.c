/* Drawing with positions and sizes at the ends of the 32-bit range: every
 * command draws its clipped part or nothing, and returns. */
#include <korva.h>

#define MIN (-2147483647 - 1)
#define MAX 2147483647
#define BLACK ((int)0xFF000000)

static int isLit(int x, int y) { return _freadpixel(x, y, 0) != BLACK; }

static int countLit(void) {
    int x, y, lit = 0;
    for (y = 0; y < 300; ++y)
        for (x = 0; x < 400; ++x) lit += isLit(x, y);
    return lit;
}

static void section(const char *name) {
    _fviewport(0, 0, 400, 300);
    _forigin(0, 0);
    _fclscolor(0, 0, 0);
    _fcolor(255, 255, 255);
    _fcls();
    kprint(name);
}

/* The count of lit pixels, then a fresh black screen. */
static void report(void) {
    int lit;
    _forigin(0, 0);
    _fviewport(0, 0, 400, 300);
    lit = countLit();
    kprinti(lit);
    _fcls();
}

static void lines(void) {
    section("lines");
    _fline(1073741824, 1, 2, MIN);
    report();
    _fline(MIN, 150, MAX, 150);
    report();
    _fline(MIN, MIN, MAX, MAX);
    kprinti(isLit(0, 0) && isLit(150, 150) && isLit(299, 299));
    report();
    _fviewport(10, 10, 100, 100);
    _fline(MIN, MIN, MAX, MAX);
    _fviewport(0, 0, 400, 300);
    kprinti(isLit(10, 10) && isLit(109, 109));
    report();
    _forigin(MIN, 0);
    _fline(MIN, 5, MAX, 5);
    report();
}

static void pixels(void) {
    section("pixels");
    _fplot(0, 0);
    _forigin(MIN, MIN);
    _fplot(MIN, MIN);
    _fwritepixel(MIN, MIN, -1, 0);
    kprinti(_freadpixel(MIN, MIN, 0) == BLACK);
    report();
}

static void rects(void) {
    section("rects");
    _forigin(10, 10);
    _frect(0, 0, MAX, MAX, 0);
    _forigin(0, 0);
    kprinti(isLit(10, 10) && isLit(399, 10) && isLit(10, 299));
    report();
    _frect(MIN, MIN, MAX, MAX, 1);
    report();
}

static void ovals(void) {
    section("ovals");
    _foval(0, -1073741824, 100, MAX, 0);
    kprinti(isLit(0, 150) && isLit(99, 150));
    report();
    _foval(0, 0, 100, MAX, 0);
    kprinti(isLit(49, 150) && isLit(50, 150));
    report();
    _foval(-1073741824, -1073741824, MAX, MAX, 1);
    report();
    _foval(-1073741824, -1073741824, MAX, MAX, 0);
    report();
}

static void text(void) {
    int font;
    qyStr *wide;
    section("text");
    _forigin(MIN, 0);
    _ftext(MIN, 0, kstr("M"), 0, 0);
    report();
    _ftext(MIN, 0, kstr("MMMM"), 1, 0);
    _ftext(MAX, 0, kstr("M"), 0, 1);
    report();
    font = _floadfont(kstr("courier"), 100, 0, 0, 0);
    _fsetfont(font);
    wide = _fstring(kstr("W"), MAX / _fstringwidth(kstr("W")) + 1);
    kprinti(_fstringwidth(__qyStrLoad(&wide)));
    _ftext(0, 0, wide, 1, 0);
    kprinti(countLit() > 0);
    _ffreefont(font);
}

static void buffers(void) {
    section("viewports and copies");
    _fviewport(10, 10, MAX, MAX);
    _fclscolor(255, 255, 255);
    _fcls();
    _fclscolor(0, 0, 0);
    report();
    _fviewport(MIN, MIN, MAX, MAX);
    _fclscolor(255, 255, 255);
    _fcls();
    _fclscolor(0, 0, 0);
    report();
    _fplot(0, 0);
    _fcopyrect(0, 0, MAX, MAX, 10, 10, 0, 0);
    _fcopyrect(MAX, MAX, MAX, MAX, 0, 0, 0, 0);
    kprinti(isLit(10, 10));
    report();
}

void __MAIN(void) {
    lines();
    pixels();
    rects();
    ovals();
    text();
    buffers();
}
