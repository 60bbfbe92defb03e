/* The soak: rounds of string work, user-type objects, banks, a file written,
 * read back and deleted, and drawing into an image and the back buffer, for
 * as many seconds as the command line says. Every few seconds it prints
 *     sample MILLISECONDS ROUNDS RESIDENT_PAGES
 * (resident pages from /proc/self/statm); scripts/soak turns the samples
 * after the warm-up into bytes per round. The program keeps a fixed working
 * set: whatever a round makes it frees, or replaces what an earlier round
 * kept in the same slot. */
#include <korva.h>

#define SAMPLE_EVERY_MS 5000
#define KEPT_STRINGS 64
#define POINTS_PER_ROUND 24

/* Type Point: x%, y#, name$, tags$[2], next.Point */
static const struct korva_vector_type tTags = {6, 3, &__qyStrType};
KORVA_USER_TYPE(PointType, 5);
static struct PointType tPoint =
    KORVA_USER_TYPE_INIT(tPoint, 5, &__qyIntType, &__qyFltType, &__qyStrType, &tTags, &tPoint);
struct Point {
    struct korva_object header;
    int x;
    float y;
    qyStr *name;
    qyStr **tags;
    struct Point *next;
};

/* Dim lines$(15) */
struct Array1 {
    void *storage;
    int kind;
    int dimensions;
    int sizes[1];
};
static struct Array1 aLines = {0, 3, 1, {15}};

static qyStr *kept[KEPT_STRINGS];
static struct Point *heldPoint;

static int residentPages(void) {
    int file = _freadfile(kstr("/proc/self/statm"));
    qyStr *line = _freadline(file);
    int pages;
    _fclosefile(file);
    /* "size resident shared ..." */
    __qyStrStore(&line, _fmid(__qyStrLoad(&line), _finstr(__qyStrLoad(&line), kstr(" "), 1) + 1, -1));
    pages = __qyStrToInt(line);
    return pages;
}

static void strings(int round) {
    qyStr *text = __qyStrConcat(kstr("round "), __qyStrFromInt(round));
    qyStr *upper;
    text = __qyStrConcat(text, kstr(" of the soak, long enough to leave a node's own buffer"));
    upper = _fupper(__qyStrLoad(&text));
    upper = _freplace(upper, kstr("O"), kstr("0"));
    text = __qyStrConcat(text, _fmid(upper, 3, 12));
    text = __qyStrConcat(text, __qyStrFromFloat(__qyStrToFloat(__qyStrFromFloat(round * 0.25f))));
    if (__qyStrCompare(_fleft(__qyStrLoad(&text), 5), kstr("round")) != 0) kprint("compare failed");
    text = __qyStrConcat(text, _flower(_fstring(kstr("AB"), round % 40)));
    text = __qyStrConcat(text, __qyStrConcat(_fhex(round), _fbin(round & 255)));
    aLines.sizes[0] = 15;
    __qyDimArray(&aLines);
    __qyStrStore(&((qyStr **)aLines.storage)[round % 16], __qyStrLoad(&text));
    __qyUndimArray(&aLines);
    __qyStrStore(&kept[round % KEPT_STRINGS], text);
}

static void objects(int round) {
    struct Point *p;
    int i;
    for (i = 0; i < POINTS_PER_ROUND; ++i) {
        p = __qyObjNew(&tPoint);
        p->x = i;
        p->y = i * 0.5f;
        __qyStrStore(&p->name, __qyStrFromInt(round + i));
        __qyStrStore(&p->tags[i % 3], kstr("tag"));
        __qyObjStore(&p->next, __qyObjFirst(&tPoint));
        if (i % 4 == 0) __qyObjToHandle(p);
    }
    /* One object deleted while held by a variable, released a round later. */
    __qyObjStore(&heldPoint, __qyObjLast(&tPoint));
    __qyObjDelete(heldPoint);
    __qyStrRelease(__qyObjToStr(__qyObjFirst(&tPoint)));
    for (p = __qyObjFirst(&tPoint); p; p = __qyObjNext(p)) __qyObjStore(&p->next, 0);
    __qyObjDeleteEach(&tPoint);
}

static int banks(int round) {
    int bank = _fcreatebank(256);
    int i;
    for (i = 0; i < 64; ++i) _fpokeint(bank, i * 4, round + i);
    _fresizebank(bank, 1024 + round % 512);
    _fpokeint(bank, 1020, round);
    return bank;
}

static void files(int round, int bank) {
    int file = _fwritefile(kstr("soak.bin"));
    _fwritestring(file, __qyStrLoad(&kept[round % KEPT_STRINGS]));
    _fwriteint(file, round);
    _fwritebytes(bank, file, 0, 1024);
    _fclosefile(file);
    file = _freadfile(kstr("soak.bin"));
    __qyStrRelease(_freadstring(file));
    if (_freadint(file) != round) kprint("file read back wrong");
    _freadbytes(bank, file, 0, 1024);
    _fclosefile(file);
    _fcopyfile(kstr("soak.bin"), kstr("copy.bin"));
    if (_ffilesize(kstr("copy.bin")) != _ffilesize(kstr("soak.bin"))) kprint("copy differs");
    file = _fopenfile(kstr("copy.bin"));
    _fseekfile(file, 4);
    _fwriteline(file, kstr("a line"));
    _fseekfile(file, 4);
    __qyStrRelease(_freadline(file));
    _fclosefile(file);
    _fdeletefile(kstr("copy.bin"));
    _fdeletefile(kstr("soak.bin"));
    if (round % 8 == 0) {
        int dir = _freaddir(kstr("."));
        qyStr *name = 0;
        do __qyStrStore(&name, _fnextfile(dir));
        while (_flen(__qyStrLoad(&name)) > 0);
        __qyStrRelease(name);
        _fclosedir(dir);
    }
    if (_fpeekint(bank, 1020) != round) kprint("bank read back wrong");
    _ffreebank(bank);
}

static void drawing(int round) {
    int image = _fcreateimage(48, 32, 1);
    _fsetbuffer(_fimagebuffer(image, 0));
    _fcolor(round & 255, 128, 64);
    _frect(2, 2, 20, 12, 1);
    _foval(10, 4, 30, 20, 0);
    _fline(0, 31, 47, 0);
    _ftext(1, 1, __qyStrFromInt(round), 0, 0);
    _fsetbuffer(_fbackbuffer());
    _fcls();
    _fdrawimage(image, round % 300, round % 200, 0);
    _fimagescollide(image, 0, 0, 0, image, 10, 10, 0);
    if (round % 8 == 0) {
        int copy;
        _fsaveimage(image, kstr("soak.bmp"), 0);
        copy = _floadimage(kstr("soak.bmp"));
        _fmaskimage(copy, 0, 0, 0);
        _frotateimage(copy, 30.0f);
        _fdrawimage(copy, 100, 100, 0);
        _ffreeimage(copy);
        _fdeletefile(kstr("soak.bmp"));
    }
    if (round % 32 == 0) {
        int font = _floadfont(kstr("sans"), 12 + round % 6, round & 1, 0, 0);
        _fsetfont(font);
        _ftext(200, 150, kstr("Soak"), 1, 1);
        _fstringwidth(kstr("Soak"));
        _ffreefont(font);
    }
    _ffreeimage(image);
    _fflip(0);
}

void __MAIN(void) {
    int seconds = __qyStrToInt(_fcommandline());
    int start = _fmillisecs();
    int nextSample = start;
    int round = 0;
    int now;
    do {
        now = _fmillisecs();
        if (now - nextSample >= 0 || (round & (round - 1)) == 0) {
            kprint2("sample ", __qyStrConcat(__qyStrConcat(__qyStrFromInt(now - start), kstr(" ")),
                                              __qyStrConcat(__qyStrConcat(__qyStrFromInt(round), kstr(" ")),
                                                            __qyStrFromInt(residentPages()))));
            if (now - nextSample >= 0) nextSample += SAMPLE_EVERY_MS;
        }
        strings(round);
        objects(round);
        files(round, banks(round));
        drawing(round);
        __qyObjStore(&heldPoint, 0);
        ++round;
    } while (now - start < seconds * 1000);
    _fruntimestats();
}
