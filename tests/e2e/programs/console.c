/* The text console as a program sees it. The command line picks a part; a
 * line "@NAME" asks the test host to type now, every other line is a result. */
#include <korva.h>

#define RED ((int)0xFFFF0000)
#define BLUE ((int)0xFF0000FF)

static qyStr *line;
static void begin(const char *label) { __qyStrStore(&line, kstr(label)); }
static void add(int value) {
    __qyStrStore(&line, __qyStrConcat(__qyStrConcat(__qyStrLoad(&line), kstr(" ")), __qyStrFromInt(value)));
}
static void end(void) { kprints(__qyStrLoad(&line)); }

/* Pixels of a band of rows of the front buffer that are neither of two colours. */
static int countOther(int y0, int height, int a, int b) {
    int x, y, found = 0, pixel;
    for (y = y0; y < y0 + height; ++y)
        for (x = 0; x < 400; ++x) {
            pixel = _freadpixel(x, y, _ffrontbuffer());
            found += pixel != a && pixel != b;
        }
    return found;
}

/* Print before any Graphics, on the last line, and past it. */
static void printing(void) {
    int image = _fcreateimage(8, 8, 1), h, back = 0;
    _fsetbuffer(_fbackbuffer());
    _fprint(kstr("first"));
    h = _ffontheight();
    begin("window");
    add(_fgraphicswidth());
    add(_fgraphicsheight());
    add(_fimagewidth(image));
    add(_fgraphicsbuffer() == _fbackbuffer());
    add(countOther(0, h, BLUE, (int)0xFF000000) > 0);
    end();

    _fsetbuffer(_ffrontbuffer());
    _fcolor(255, 0, 0);
    _frect(0, 0, 400, 300, 1);
    _fcolor(255, 255, 255);
    _fclscolor(0, 0, 255);
    _flocate(0, 300 - h);
    _fprint(kstr("X"));
    begin("last line");
    add(countOther(300 - h, h, RED, BLUE) > 0);
    add(_freadpixel(399, 299, 0) == RED);
    _fprint(kstr("Y"));
    add(countOther(300 - 2 * h, h, RED, BLUE) > 0); /* X moved up by one line */
    add(countOther(300 - h, h, RED, BLUE) > 0);     /* Y on the last line */
    add(_freadpixel(399, 299, 0) == BLUE);          /* the new line cleared in the Cls colour */
    add(_freadpixel(399, 300 - h - 1, 0) == RED);
    add(_freadpixel(399, 300 - h, 0) == BLUE);
    end();

    _fcls();
    _flocate(-5, 10000);
    _fwrite(kstr("Z"));
    begin("locate");
    add(countOther(300 - h, h, BLUE, BLUE) > 0);
    add(countOther(0, 300 - h, BLUE, BLUE));
    end();
    (void)back;
}

static void input(const char *label, const char *marker) {
    qyStr *typed;
    kprint(marker);
    typed = _finput(kstr("? "));
    if (typed == 0) kprint("Input gave no string");
    kprints(__qyStrConcat(__qyStrConcat(kstr(label), kstr(" [")), __qyStrConcat(typed, kstr("]"))));
}

static void editing(void) {
    int h = _ffontheight();
    input("shifted", "@shifted");
    begin("shown");
    add(countOther(0, h, (int)0xFF000000, (int)0xFF000000) > 0);
    end();
    input("edited", "@edited");
    input("escaped", "@escaped");
    input("repeated", "@repeated");
}

void __MAIN(void) {
    int part = __qyStrToInt(_fcommandline());
    if (part == 1) printing();
    if (part == 2) editing();
}
