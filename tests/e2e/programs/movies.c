/* Movies as programs play them. The command line is STEP FOLDER, STEP in two
 * digits; the test leaves its movie files in FOLDER: numbered.avi (ten
 * pictures at 10 per second, picture n one colour with red 20 * n + 40),
 * quarters.avi (32 x 24 in four coloured quarters), sound.avi (a tone, no
 * picture), toned.avi (numbered.avi with a second of a 440 Hz tone) and
 * damaged.avi. */
#include <korva.h>

static qyStr *folder;

static void report(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

static qyStr *fileIn(const char *name) { return __qyStrConcat(__qyStrLoad(&folder), kstr(name)); }

static int rgbAt(int x, int y) { return _freadpixel(x, y, 0) & 0xFFFFFF; }

/* Which picture of numbered.avi the pixel shows. */
static int pictureAt(int x, int y) { return ((rgbAt(x, y) >> 16) - 30) / 20; }

static int lit(int x, int y) { return rgbAt(x, y) != 0; }

/* Plays numbered.avi to its end, drawing as often as the program can. */
static void play(void) {
    int movie = _fopenmovie(fileIn("/numbered.avi")), start = _fmillisecs(), draws = 0, last = 0, backwards = 0;
    report("size ", _fmoviewidth(movie) * 100 + _fmovieheight(movie));
    report("playing ", _fmovieplaying(movie));
    report("first draw ", _fdrawmovie(movie, 0, 0, -1, -1));
    report("first picture ", pictureAt(5, 5));
    while (_fdrawmovie(movie, 0, 0, -1, -1)) {
        ++draws;
        backwards |= pictureAt(5, 5) < last;
        last = pictureAt(5, 5);
    }
    report("took a second ", _fmillisecs() - start >= 950);
    report("drew many times ", draws > 10);
    report("never backwards ", !backwards);
    report("last picture ", last);
    report("playing ", _fmovieplaying(movie));
    _fclscolor(0, 0, 255);
    _fcls();
    report("after the end ", _fdrawmovie(movie, 0, 0, -1, -1));
    report("left alone ", rgbAt(5, 5));
    _fclosemovie(movie);
}

/* Default size, stretching, and the origin and viewport left out. */
static void placement(void) {
    int movie = _fopenmovie(fileIn("/quarters.avi"));
    _fdrawmovie(movie, 0, 0, -1, -1);
    report("own size ", lit(31, 23) * 10 + lit(32, 24));
    _fcls();
    _fdrawmovie(movie, 0, 0, 64, 48);
    report("stretched ", lit(63, 47) * 10 + lit(64, 48));
    report("one source pixel ", rgbAt(31, 23) == rgbAt(30, 22));
    report("next quarter ", rgbAt(32, 23) != rgbAt(31, 23));
    _fcls();
    _fdrawmovie(movie, 100, 0, 32, -1);
    report("height by default ", lit(100, 23) * 10 + lit(100, 24));
    _fcls();
    _forigin(50, 50);
    _fviewport(60, 60, 10, 10);
    _fdrawmovie(movie, 0, 0, -1, -1);
    _forigin(0, 0);
    _fviewport(0, 0, 400, 300);
    report("origin and viewport ignored ", lit(0, 0) * 10 + lit(50, 50));
    _fcls();
    _fdrawmovie(movie, -16, 290, -1, -1);
    report("clipped ", lit(0, 299) * 10 + lit(16, 289));
    _fclosemovie(movie);
}

static void failures(void) {
    int movie;
    report("missing ", _fopenmovie(fileIn("/missing.avi")));
    report("damaged ", _fopenmovie(fileIn("/damaged.avi")));
    report("sound only ", _fopenmovie(fileIn("/sound.avi")));
    report("folder ", _fopenmovie(__qyStrLoad(&folder)));
    _fclosemovie(0);
    _fclosemovie(12345);
    movie = _fopenmovie(fileIn("/numbered.avi"));
    _fclosemovie(movie);
    report("closed ", _fdrawmovie(movie, 0, 0, -1, -1) * 1000 + _fmoviewidth(movie) * 100 + _fmovieheight(movie) * 10 +
                          _fmovieplaying(movie));
    _fclosemovie(movie);
}

/* A mode change closes the movie; so does the end of the program. */
static void modeChange(void) {
    int movie = _fopenmovie(fileIn("/numbered.avi")), kept;
    _fdrawmovie(movie, 0, 0, -1, -1);
    _fgraphics(320, 240, 16, 2);
    report("after the mode change ", _fdrawmovie(movie, 0, 0, -1, -1) * 10 + _fmovieplaying(movie));
    _fclosemovie(movie);
    kept = _fopenmovie(fileIn("/numbered.avi"));
    report("sixteen bits ", _fdrawmovie(kept, 0, 0, -1, -1));
    report("red near 40 ", (rgbAt(5, 5) >> 16) >= 28 && (rgbAt(5, 5) >> 16) <= 52);
    _fendgraphics();
    report("after EndGraphics ", _fmovieplaying(kept));
    _fopenmovie(fileIn("/numbered.avi"));
}

/* What the window shows: the picture drawn on the back buffer, at Flip. */
static void screen(void) {
    int movie;
    _fgraphics(64, 48, 0, 2);
    movie = _fopenmovie(fileIn("/quarters.avi"));
    _fsetbuffer(_fbackbuffer());
    _fdrawmovie(movie, 0, 0, 64, 48);
    _fflip(0);
    kprint("shown");
}

/* The sound track plays with the pictures, to the end, and stops when the
 * movie is closed. */
static void sound(void) {
    int movie = _fopenmovie(fileIn("/toned.avi")), start;
    while (_fdrawmovie(movie, 0, 0, -1, -1)) _fdelay(10);
    report("played ", 1);
    _fdelay(500);
    movie = _fopenmovie(fileIn("/toned.avi"));
    start = _fmillisecs();
    while (_fmillisecs() - start < 300) _fdrawmovie(movie, 0, 0, -1, -1);
    _fclosemovie(movie);
    report("closed early ", 1);
    _fdelay(500);
}

void __MAIN(void) {
    qyStr *command = _fcommandline();
    int step = __qyStrToInt(_fleft(__qyStrLoad(&command), 2));
    folder = _fmid(command, 4, -1);
    switch (step) {
    case 1: play(); break;
    case 2: placement(); break;
    case 3: failures(); break;
    case 4: modeChange(); break;
    case 5: screen(); break;
    case 6: sound(); break;
    }
}
