/* Drawing on the default window's buffer, read back pixel by pixel. */
#include <korva.h>

/* Prints the rectangle as rows of '#' (lit) and '.' (black). */
static void dumpRegion(int x0, int y0, int width, int height) {
    int x, y;
    for (y = 0; y < height; ++y) {
        char row[64];
        for (x = 0; x < width && x < 63; ++x) row[x] = (_freadpixel(x0 + x, y0 + y, 0) & 0xFFFFFF) ? '#' : '.';
        row[x] = 0;
        kprint(row);
    }
}

static void section(const char *name) {
    _fviewport(0, 0, 400, 300);
    _forigin(0, 0);
    _fcls();
    kprint(name);
}

void __MAIN(void) {
    kprinti(_fgraphicswidth());
    kprinti(_fgraphicsheight());
    kprinti(_fgraphicsdepth());

    section("pixels");
    _fwritepixel(1, 1, 0x7F345678, 0);
    kprinti(_freadpixel(1, 1, 0));
    _fviewport(0, 0, 10, 10);
    kprinti(_freadpixel(20, 20, 0)); /* outside the viewport: the mask colour */

    section("colours");
    _fcolor(255, 255, 255);
    kprinti(_fcolorred() * 1000000 + _fcolorgreen() * 1000 + _fcolorblue());
    _fcolor(0, 0, 256);
    kprinti(_fcolorred() * 1000000 + _fcolorgreen() * 1000 + _fcolorblue());
    _fcolor(255, 255, 255);

    section("lines");
    _fline(0, 0, 0, 0);
    _fviewport(0, 0, 50, 50);
    _fline(-100, 5, 100, 5);
    _fviewport(0, 0, 400, 300);
    kprinti(_freadpixel(49, 5, 0) != 0xFF000000);
    kprinti(_freadpixel(50, 5, 0) != 0xFF000000);
    _fline(2, 8, 7, 10);
    dumpRegion(0, 0, 9, 12);

    section("rect outline in a viewport");
    _fviewport(5, 5, 100, 100);
    _frect(0, 0, 10, 10, 0);
    _fviewport(0, 0, 400, 300);
    dumpRegion(0, 0, 12, 12);

    section("solid rect and origin");
    _forigin(10, 10);
    _fplot(0, 0);
    _frect(2, 2, 3, 2, 1);
    _forigin(0, 0);
    dumpRegion(9, 9, 7, 6);

    section("ovals");
    _foval(0, 0, 10, 10, 0);
    dumpRegion(0, 0, 12, 11);
    _fcls();
    _foval(0, 0, 10, 10, 1);
    dumpRegion(0, 0, 12, 11);
    _fcls();
    _foval(0, 0, 1, 1, 1);
    dumpRegion(0, 0, 3, 2);
    _fcls();
    _foval(1, 1, 12, 6, 0);
    dumpRegion(0, 0, 14, 8);

    section("copy rect clipped on the left");
    _frect(0, 0, 4, 4, 1);
    _fplot(5, 0);
    _fviewport(10, 0, 20, 20);
    _fcopyrect(0, 0, 6, 2, 8, 10, 0, 0);
    _fviewport(0, 0, 400, 300);
    dumpRegion(8, 10, 6, 2);
}
