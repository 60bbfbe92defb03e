/* The overlap tests as programs use them: boxes that touch or overlap,
 * pixels that meet or are transparent, masks that follow drawing and a new
 * mask colour. */
#include <korva.h>

static void report(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

/* A width x height image filled with one colour; the default mask is black. */
static int filled(int width, int height, int red, int green, int blue) {
    int image = _fcreateimage(width, height, 1);
    _fsetbuffer(_fimagebuffer(image, 0));
    _fclscolor(red, green, blue);
    _fcls();
    _fclscolor(0, 0, 0);
    _fsetbuffer(_ffrontbuffer());
    return image;
}

static void rectangles(void) {
    report("touching rects ", _frectsoverlap(0, 0, 10, 10, 10, 0, 10, 10));
    report("corner overlap ", _frectsoverlap(0, 0, 10, 10, 9, 9, 10, 10));
    report("empty rect inside ", _frectsoverlap(0, 0, 10, 10, 5, 5, 0, 0));
    report("far apart, no wrapping ", _frectsoverlap(0x7FFFFFF0, 0, 100, 10, -100, 0, 10, 10));
}

static void boxes(void) {
    int a = filled(16, 16, 255, 255, 255), b = filled(16, 16, 255, 255, 255);
    _fhandleimage(a, 8, 8);
    _fhandleimage(b, 8, 8);
    report("boxes at 15 ", _fimagesoverlap(a, 0, 0, b, 15, 0));
    report("boxes at 16 ", _fimagesoverlap(a, 0, 0, b, 16, 0));
    report("pixels at 15 ", _fimagescollide(a, 0, 0, 0, b, 15, 0, 0));
    report("pixels at 16 ", _fimagescollide(a, 0, 0, 0, b, 16, 0, 0));
}

static void pixels(void) {
    int a = filled(10, 10, 0, 255, 0), b = filled(10, 10, 0, 0, 255), wide, dot, x, hits = 0;
    report("one column ", _fimagescollide(a, 0, 0, 0, b, 9, 0, 0));
    _fcolor(0, 0, 0);
    _fsetbuffer(_fimagebuffer(b, 0));
    _frect(0, 0, 1, 10, 1); /* b's first column becomes transparent */
    _fsetbuffer(_ffrontbuffer());
    report("column transparent ", _fimagescollide(a, 0, 0, 0, b, 9, 0, 0));

    /* Only pixel 33 of a 64-wide row is solid; an 8-wide bar from column 31 reaches it. */
    wide = filled(64, 1, 0, 0, 0);
    _fwritepixel(33, 0, 0xFFFFFF, _fimagebuffer(wide, 0));
    dot = filled(8, 1, 255, 0, 0);
    report("into the second word ", _fimagescollide(wide, 0, 0, 0, dot, 31, 0, 0));
    report("short of it ", _fimagescollide(wide, 0, 0, 0, dot, 34, 0, 0));

    /* A one-pixel sprite swept along a 40-wide row solid only at 39. */
    wide = filled(40, 1, 0, 0, 0);
    _fwritepixel(39, 0, 0xFFFFFF, _fimagebuffer(wide, 0));
    dot = filled(1, 1, 255, 255, 255);
    for (x = -2; x < 80; ++x) hits += _fimagescollide(dot, x, 0, 0, wide, 0, 0, 0) * (x + 1000);
    report("swept hits ", hits);
}

/* A 20 x 20 sprite with a 5-pixel transparent margin. */
static void rectanglesAndSprites(void) {
    int image = filled(20, 20, 0, 0, 0);
    _fsetbuffer(_fimagebuffer(image, 0));
    _fcolor(255, 255, 255);
    _frect(5, 5, 10, 10, 1);
    _fsetbuffer(_ffrontbuffer());
    report("rect in margin, pixels ", _fimagerectcollide(image, 100, 100, 0, 101, 101, 3, 3));
    report("rect in margin, box ", _fimagerectoverlap(image, 100, 100, 101, 101, 3, 3));
    report("rect on the body ", _fimagerectcollide(image, 100, 100, 0, 114, 114, 30, 30));
    report("rect beside ", _fimagerectoverlap(image, 100, 100, 120, 100, 5, 5));
}

/* The masks are built by the first test; what is drawn afterwards counts. */
static void drawingIntoSprites(void) {
    int a = filled(8, 8, 0, 0, 0), b = filled(8, 8, 255, 255, 255), brush = filled(2, 2, 9, 9, 9);
    int dot = filled(1, 1, 255, 255, 255);
    report("before drawing ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    _fwritepixel(6, 1, 0x808080, _fimagebuffer(a, 0));
    report("after WritePixel ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    _fwritepixel(6, 1, 0, _fimagebuffer(a, 0));
    report("after clearing it ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    _fsetbuffer(_fimagebuffer(a, 0));
    _fdrawimage(brush, 5, 5, 0);
    _fsetbuffer(_ffrontbuffer());
    report("after DrawImage ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    report("on the brush ", _fimagescollide(a, 0, 0, 0, dot, 5, 5, 0));
    report("on black ", _fimagescollide(a, 0, 0, 0, dot, 0, 0, 0));
    _fmaskimage(a, 9, 9, 9); /* the brush's colour becomes transparent, black solid */
    report("on the brush after MaskImage ", _fimagescollide(a, 0, 0, 0, dot, 5, 5, 0));
    report("on black after MaskImage ", _fimagescollide(a, 0, 0, 0, dot, 0, 0, 0));
    _fmaskimage(a, 0, 0, 0);
    _fsetbuffer(_fimagebuffer(a, 0));
    _fcolor(1, 2, 3);
    _frect(4, 7, 4, 1, 1);
    _fsetbuffer(_ffrontbuffer());
    report("after Rect ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    _frotateimage(b, 180);
    report("after RotateImage ", _fimagescollide(a, 0, 0, 0, b, 4, 0, 0));
    report("rotated, moved over ", _fimagescollide(a, 0, 0, 0, b, 12, 8, 0));
}

void __MAIN(void) {
    rectangles();
    boxes();
    pixels();
    rectanglesAndSprites();
    drawingIntoSprites();
}
