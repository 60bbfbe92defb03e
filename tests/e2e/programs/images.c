/* Images as programs use them: loading strips of cells, handles, drawing,
 * tiling, transformations and freeing, on the default 400 x 300 window. The
 * command line is STEP FOLDER, STEP in two digits; pictures the steps need are made and saved
 * into FOLDER first. */
#include <korva.h>

static qyStr *folder;

static void report(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

static qyStr *fileIn(const char *name) { return __qyStrConcat(__qyStrLoad(&folder), kstr(name)); }

/* The colour of a pixel of the current buffer, without alpha. */
static int rgbAt(int x, int y) { return _freadpixel(x, y, 0) & 0xFFFFFF; }

/* Fills a frame with one colour and selects the buffer that was current again. */
static void fillFrame(int image, int frame, int red, int green, int blue) {
    int previous = _fgraphicsbuffer();
    _fsetbuffer(_fimagebuffer(image, frame));
    _fclscolor(red, green, blue);
    _fcls();
    _fclscolor(0, 0, 0);
    _fsetbuffer(previous);
}

static void clearScreen(void) {
    _fsetbuffer(_ffrontbuffer());
    _fcls();
}

/* A 64 x 32 picture of 16 x 16 cells, cell i (left to right, then top to
 * bottom) in red 10 * (i + 1), saved as FOLDER/cells.bmp; widened by
 * `extra` columns of white. */
static qyStr *cellsPicture(int extra) {
    int picture = _fcreateimage(64 + extra, 32, 1), i;
    _fsetbuffer(_fimagebuffer(picture, 0));
    _fclscolor(255, 255, 255);
    _fcls();
    for (i = 0; i < 8; ++i) {
        _fcolor(10 * (i + 1), 0, 0);
        _frect(i % 4 * 16, i / 4 * 16, 16, 16, 1);
    }
    _fclscolor(0, 0, 0);
    _fsetbuffer(_ffrontbuffer());
    _fsaveimage(picture, fileIn("/cells.bmp"), 0);
    _ffreeimage(picture);
    return fileIn("/cells.bmp");
}

/* Prints which cell each frame holds: its red value / 10 - 1. */
static void printCells(int image, int count) {
    int frame;
    for (frame = 0; frame < count; ++frame) {
        _fsetbuffer(_fimagebuffer(image, frame));
        report("cell ", (rgbAt(0, 0) >> 16) / 10 - 1);
        report("uniform ", rgbAt(15, 15) == rgbAt(0, 0));
    }
    _fsetbuffer(_ffrontbuffer());
}

static void cells(void) {
    int strip = _floadanimimage(cellsPicture(0), 16, 16, 3, 5), picture;
    report("size ", _fimagewidth(strip) * 100 + _fimageheight(strip));
    printCells(strip, 5);
    /* A partial cell at the right edge is never used. */
    strip = _floadanimimage(cellsPicture(6), 16, 16, 3, 2);
    printCells(strip, 2);
    _fautomidhandle(1);
    strip = _floadanimimage(cellsPicture(0), 16, 16, 0, 1);
    report("strip handle ", _fimagexhandle(strip) * 100 + _fimageyhandle(strip));
    picture = _floadimage(cellsPicture(0));
    report("picture handle ", _fimagexhandle(picture) * 100 + _fimageyhandle(picture));
}

static void handles(void) {
    int image;
    _fautomidhandle(1);
    image = _fcreateimage(33, 21, 2);
    report("mid handle ", _fimagexhandle(image) * 100 + _fimageyhandle(image));
    _fhandleimage(image, 3, 4);
    fillFrame(image, 1, 255, 255, 255);
    clearScreen();
    _fdrawblock(image, 10, 10, 1); /* frame 1 has the new handle too */
    report("frame 1 corner lit ", rgbAt(7, 6) != 0);
    report("left of it dark ", rgbAt(6, 6) == 0);
    _fautomidhandle(0);
    image = _fcreateimage(32, 32, 1);
    report("plain handle ", _fimagexhandle(image) * 100 + _fimageyhandle(image));
    _fhandleimage(image, 16, 16);
    fillFrame(image, 0, 0, 200, 0);
    clearScreen();
    _fdrawimage(image, 16, 16, 0);
    report("top left ", rgbAt(0, 0));
    report("bottom right ", rgbAt(31, 31));
    report("beyond ", rgbAt(32, 32));
    _fmidhandle(image);
    report("midhandle ", _fimagexhandle(image) * 100 + _fimageyhandle(image));
}

/* A 32 x 16 image: red at (0, 0), green at (31, 0), blue at (0, 15), the
 * rest white; turned clockwise by a quarter and drawn at (100, 100). */
static void rotation(void) {
    int image = _fcreateimage(32, 16, 1), scaled, x, y, exact = 1;
    fillFrame(image, 0, 255, 255, 255);
    _fwritepixel(0, 0, 0xFF0000, _fimagebuffer(image, 0));
    _fwritepixel(31, 0, 0x00FF00, _fimagebuffer(image, 0));
    _fwritepixel(0, 15, 0x0000FF, _fimagebuffer(image, 0));
    _ftformfilter(0);
    _frotateimage(image, 90);
    report("rotated size ", _fimagewidth(image) * 100 + _fimageheight(image));
    report("rotated handle ", _fimagexhandle(image) * 100 + _fimageyhandle(image));
    clearScreen();
    _fdrawimage(image, 100, 100, 0);
    report("red ", rgbAt(99, 100));
    report("green ", rgbAt(99, 131));
    report("blue ", rgbAt(84, 100));
    report("added column ", rgbAt(100, 100));

    image = _fcreateimage(10, 10, 1);
    _fhandleimage(image, 5, 5);
    for (y = 0; y < 10; ++y)
        for (x = 0; x < 10; ++x) _fwritepixel(x, y, (x * 25) << 16 | (y * 25) << 8 | 7, _fimagebuffer(image, 0));
    scaled = _fcopyimage(image);
    _fscaleimage(scaled, 2, 2);
    report("scaled size ", _fimagewidth(scaled) * 100 + _fimageheight(scaled));
    report("scaled handle ", _fimagexhandle(scaled) * 100 + _fimageyhandle(scaled));
    for (y = 0; y < 20; ++y)
        for (x = 0; x < 20; ++x)
            exact &= _freadpixel(x, y, _fimagebuffer(scaled, 0)) == _freadpixel(x / 2, y / 2, _fimagebuffer(image, 0));
    report("duplicated ", exact);

    _ftformfilter(1);
    image = _fcreateimage(10, 10, 1);
    fillFrame(image, 0, 255, 255, 255);
    _fscaleimage(image, 2, 2);
    _fsetbuffer(_fimagebuffer(image, 0));
    report("filtered corner ", rgbAt(0, 0));
    report("filtered edge ", rgbAt(10, 0));
    report("filtered inside ", rgbAt(1, 1));
    _fsetbuffer(_ffrontbuffer());

    _fscaleimage(image, 0, 0); /* singular: the image stays as it was */
    report("after scaling by 0 ", _fimagewidth(image) * 100 + _fimageheight(image));
    _fscaleimage(image, 100000, 100000); /* no canvas can be that large: it stays too */
    report("after scaling too far ", _fimagewidth(image) * 100 + _fimageheight(image));
    _fresizeimage(image, 64, 8);
    report("resized ", _fimagewidth(image) * 100 + _fimageheight(image));
    _fsetbuffer(_fimagebuffer(image, 0));
    _frotateimage(image, 45); /* the current buffer's image: the front buffer is selected first */
    report("front selected ", _fgraphicsbuffer() == _ffrontbuffer());
}

/* Prints the x positions of red pixels on row 0 of the screen. */
static void printRedColumns(const char *label) {
    int x;
    qyStr *line = kstr(label);
    for (x = -1; x < 110; ++x)
        if (rgbAt(x, 0) == 0xFF0000) line = __qyStrConcat(__qyStrConcat(line, kstr(" ")), __qyStrFromInt(x));
    kprints(line);
}

static void tiles(void) {
    int tile = _fcreateimage(32, 32, 1);
    fillFrame(tile, 0, 255, 255, 255);
    _fwritepixel(0, 0, 0xFF0000, _fimagebuffer(tile, 0));
    clearScreen();
    _fviewport(0, 0, 100, 100);
    _ftileblock(tile, 0, 0, 0);
    printRedColumns("at 0:");
    report("last column ", rgbAt(99, 99));
    report("outside ", rgbAt(100, 0));
    _fcls();
    _ftileblock(tile, 10, 0, 0);
    printRedColumns("at 10:");
    report("left of the first ", rgbAt(9, 5));
    _fcls();
    _fviewport(40, 0, 60, 100);
    _ftileblock(tile, 10, 0, 0);
    printRedColumns("viewport from 40:");
    _fviewport(0, 0, 400, 300);
    _fcls();
    fillFrame(tile, 0, 0, 0, 0); /* all mask colour but the marker */
    _fwritepixel(0, 0, 0xFF0000, _fimagebuffer(tile, 0));
    _fclscolor(0, 0, 255);
    _fcls();
    _fviewport(0, 0, 100, 100);
    _ftileimage(tile, 0, 0, 0);
    printRedColumns("masked:");
    report("masked background ", rgbAt(5, 5));
}

static void freeing(void) {
    int image = _fcreateimage(8, 8, 1);
    _fsetbuffer(_fimagebuffer(image, 0));
    _ffreeimage(image);
    report("front buffer current ", _fgraphicsbuffer() == _ffrontbuffer());
    _ffreeimage(image);
    _ffreeimage(12345);
    report("freed twice ", 1);
    image = _fcreateimage(8, 8, 1);
    _fsetbuffer(_fimagebuffer(image, 0));
    _fendgraphics(); /* images are freed, the front buffer selected */
    report("after EndGraphics ", _fgraphicsbuffer() == _ffrontbuffer());
}

/* Under a debugger each ends with its runtime error. */
static void errors(int step) {
    int image = _fcreateimage(8, 8, 1);
    switch (step) {
    case 10: _floadanimimage(cellsPicture(0), 16, 16, 4, 5); break;
    case 11: _floadanimimage(cellsPicture(0), 16, 16, 3, 0x7FFFFFFF); break;
    case 12: _floadanimimage(cellsPicture(0), 16, 16, 0, 0); break;
    case 13: _floadanimimage(cellsPicture(0), 16, 16, -1, 1); break;
    case 14: _floadanimimage(cellsPicture(0), 0, 16, 0, 1); break;
    case 15: _fdrawimage(image + 4, 0, 0, 0); break;
    case 16: _fdrawimage(image, 0, 0, 1); break;
    case 17: _fdrawimage(image, 0, 0, -1); break;
    case 18: _fgraphics(320, 240, 0, 2); _fdrawimage(image, 0, 0, 0); break;
    case 19: _fimagewidth(_fcreateimage(8, 8, 0)); break;
    }
    report("no error ", step);
}

/* Without a debugger a frameless image, image 0 and a frame beyond the
 * last are harmless. Without a debugger nothing is logged, so the results
 * end the program as the text of a runtime error. */
static void frameless(void) {
    int empty = _fcreateimage(8, 8, 0), other = _fcreateimage(8, 8, 1);
    qyStr *results = __qyStrFromInt(_fimagewidth(empty));
    _fdrawimage(empty, 0, 0, 0);
    _fdrawimage(0, 0, 0, 0);
    _fdrawimage(other, 0, 0, 3);
    _fhandleimage(empty, 1, 1);
    _frotateimage(empty, 30);
    _fmaskimage(0, 1, 2, 3);
    results = __qyStrConcat(results, __qyStrFromInt(_fimagescollide(empty, 0, 0, 0, other, 0, 0, 0)));
    results = __qyStrConcat(results, __qyStrFromInt(_fimagerectcollide(other, 0, 0, 5, 0, 0, 8, 8)));
    results = __qyStrConcat(results, __qyStrFromInt(_fcopyimage(empty)));
    results = __qyStrConcat(results, __qyStrFromInt(_fimagebuffer(other, 1)));
    _ffreeimage(empty);
    _fruntimeerror(results);
}

/* Colours that truncate to the mask colour are transparent in 16 bits. */
static void aliasing(int depth) {
    int image;
    if (depth == 16) _fgraphics(640, 480, 16, 1);
    image = _fcreateimage(4, 4, 1);
    _fmaskimage(image, 255, 0, 255);
    fillFrame(image, 0, 250, 2, 252);
    _fclscolor(0, 0, 255);
    _fcls();
    _fdrawimage(image, 0, 0, 0);
    report("masked ", rgbAt(1, 1));
    _fdrawblock(image, 8, 0, 0);
    report("solid ", rgbAt(9, 1));
    fillFrame(image, 0, 7, 3, 7);
    _fmaskimage(image, 0, 0, 0);
    _fdrawimage(image, 16, 0, 0);
    report("dark on black mask ", rgbAt(17, 1));
}

/* Copies keep pixels, handle and mask colour; grabs take what DrawBlock
 * would cover; saved frames are bitmap files; parts of frames draw alone. */
static void copying(void) {
    int image = _fcreateimage(8, 8, 1), copy, grabbed;
    fillFrame(image, 0, 255, 0, 255);
    _fwritepixel(1, 1, 0x00FF00, _fimagebuffer(image, 0));
    _fhandleimage(image, 2, 3);
    _fmaskimage(image, 255, 0, 255);
    copy = _fcopyimage(image);
    report("copy handle ", _fimagexhandle(copy) * 100 + _fimageyhandle(copy));
    clearScreen();
    _fdrawimage(copy, 10, 10, 0);
    report("copy pixel ", rgbAt(9, 8));
    report("copy transparent ", rgbAt(8, 7));

    grabbed = _fcreateimage(4, 4, 1);
    _fhandleimage(grabbed, 1, 1);
    _fcolor(255, 255, 0);
    _fplot(50, 50);
    _forigin(5, 0);
    _fgrabimage(grabbed, 45, 49, 0); /* DrawBlock there covers (49, 48) .. (52, 51) */
    _forigin(0, 0);
    _fsetbuffer(_fimagebuffer(grabbed, 0));
    report("grabbed ", rgbAt(1, 2));
    report("grabbed elsewhere ", rgbAt(0, 0));
    _fsetbuffer(_ffrontbuffer());

    report("saved ", _fsaveimage(image, fileIn("/frame.bmp"), 0));
    report("saved into a missing folder ", _fsaveimage(image, fileIn("/missing/frame.bmp"), 0));

    clearScreen();
    _fdrawblockrect(image, 20, 20, 1, 1, 2, 2, 0);
    report("rect part ", rgbAt(18, 17));
    report("rect beside ", rgbAt(19, 17));
    _fdrawimagerect(image, 30, 20, 0, 0, 2, 2, 0);
    report("masked rect part ", rgbAt(29, 18));
    report("masked rect transparent ", rgbAt(28, 17));
}

static void loadFailures(void) {
    report("image ", _floadimage(fileIn("/damaged.bmp")));
    report("strip ", _floadanimimage(fileIn("/damaged.bmp"), 1, 1, 0, 1));
    report("missing ", _floadimage(fileIn("/missing.png")));
}

/* A window's back buffer with a masked sprite and tiles, flipped: the test
 * looks at the screen when "shown" is logged. */
static void screen(void) {
    int sprite, tile;
    _fgraphics(64, 48, 0, 2);
    sprite = _fcreateimage(8, 8, 1);
    tile = _fcreateimage(2, 2, 1);
    _fsetbuffer(_fbackbuffer());
    _fclscolor(0, 0, 255);
    _fcls();
    fillFrame(sprite, 0, 255, 0, 255);
    _fcolor(255, 255, 255);
    _fsetbuffer(_fimagebuffer(sprite, 0));
    _frect(2, 2, 4, 4, 1);
    _fsetbuffer(_fbackbuffer());
    _fmaskimage(sprite, 255, 0, 255);
    _fhandleimage(sprite, 4, 4);
    _fdrawimage(sprite, 10, 10, 0);
    fillFrame(tile, 0, 255, 0, 0);
    _fwritepixel(1, 1, 0x00FF00, _fimagebuffer(tile, 0));
    _fviewport(32, 24, 32, 24);
    _ftileblock(tile, 0, 0, 0);
    _fflip(0);
    kprint("shown");
}

void __MAIN(void) {
    int step = __qyStrToInt(_fleft(_fcommandline(), 2));
    __qyStrStore(&folder, _fmid(_fcommandline(), 4, -1));
    if (step == 1) cells();
    if (step == 2) handles();
    if (step == 3) rotation();
    if (step == 4) tiles();
    if (step == 5) freeing();
    if (step >= 10 && step < 20) errors(step);
    if (step == 20) frameless();
    if (step == 21 || step == 22) aliasing(step == 21 ? 16 : 32);
    if (step == 23) copying();
    if (step == 24) loadFailures();
    if (step == 25) screen();
}
