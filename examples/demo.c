/* The bundled demo: planets from an animation strip (their moons circling)
 * drift over a backdrop around a sun, a strip cell scaled up. When two of
 * them touch, pixel for pixel, they bounce off each other and glow red for a
 * moment, and the collision counter goes up. Paced at 60 frames per second
 * with Flip; after five seconds it saves its last frame as a bitmap in the
 * temporary folder and ends.
 * Its command line names the folder of its pictures: backdrop.bmp and
 * sprites.bmp (two rows of eight 32 x 32 cells, made by make_sprites.c). */
#include <korva.h>

#define FRAMES 300
#define PLANETS 7
#define CELLS 8
#define GLOW_FRAMES 15

struct Planet {
    int x, y, dx, dy, phase, glow;
};

static qyStr *folder;
static qyStr *framePath;
static int backdrop, planets, sun, collisions;

static qyStr *picture(const char *name) { return __qyStrConcat(__qyStrLoad(&folder), kstr(name)); }

/* The strip cell to show: the moon goes round every 32 frames; the second
 * row glows. */
static int cellOf(const struct Planet *planet, int frame) {
    return (frame / 4 + planet->phase) % CELLS + (planet->glow > 0 ? CELLS : 0);
}

static void moveAndBounceOffTheEdges(struct Planet *planet) {
    planet->x += planet->dx;
    planet->y += planet->dy;
    if (planet->x < 16 || planet->x > _fgraphicswidth() - 16) planet->dx = -planet->dx;
    if (planet->y < 16 || planet->y > _fgraphicsheight() - 16) planet->dy = -planet->dy;
    if (planet->glow > 0) --planet->glow;
}

/* Only a pair still moving towards each other bounces, so a pair does not
 * stay caught while its pixels overlap. */
static int approaching(int x, int y, int dx, int dy, int otherX, int otherY, int otherDx, int otherDy) {
    return (otherX - x) * (otherDx - dx) + (otherY - y) * (otherDy - dy) < 0;
}

static void hit(struct Planet *planet) {
    planet->glow = GLOW_FRAMES;
    ++collisions;
}

/* Equal masses swap their velocities; the sun does not move, so a planet
 * turns back from it. */
static void bounce(struct Planet *all, int frame) {
    int i, j, t;
    int sunX = _fgraphicswidth() / 2, sunY = _fgraphicsheight() / 2;
    for (i = 0; i < PLANETS; ++i) {
        struct Planet *a = &all[i];
        for (j = i + 1; j < PLANETS; ++j) {
            struct Planet *b = &all[j];
            if (!approaching(a->x, a->y, a->dx, a->dy, b->x, b->y, b->dx, b->dy)) continue;
            if (!_fimagescollide(planets, a->x, a->y, cellOf(a, frame), planets, b->x, b->y, cellOf(b, frame))) continue;
            t = a->dx, a->dx = b->dx, b->dx = t;
            t = a->dy, a->dy = b->dy, b->dy = t;
            hit(a);
            hit(b);
        }
        if (approaching(a->x, a->y, a->dx, a->dy, sunX, sunY, 0, 0) &&
            _fimagescollide(planets, a->x, a->y, cellOf(a, frame), sun, sunX, sunY, 0)) {
            a->dx = -a->dx;
            a->dy = -a->dy;
            hit(a);
        }
    }
}

static void drawFrame(int frame, const struct Planet *all) {
    int i, w = _fgraphicswidth(), h = _fgraphicsheight();
    _fdrawblock(backdrop, 0, 0, 0);
    _fdrawimage(sun, w / 2, h / 2, 0);
    for (i = 0; i < PLANETS; ++i) _fdrawimage(planets, all[i].x, all[i].y, cellOf(&all[i], frame));
    _fcolor(255, 220, 0);
    _frect(10, 10, w - 20, h - 20, 0);
    _fcolor(0, 0, 0);
    _frect(12, h - 24, (frame * (w - 24)) / FRAMES, 10, 1);
    _fcolor(80, 255, 120);
    _frect(12, h - 24, (frame * (w - 24)) / FRAMES, 10, 0);
    _fcolor(255, 255, 255);
    _ftext(w / 2, 24, kstr("Korva on Linux"), 1, 1);
    _ftext(16, h - 42, __qyStrConcat(kstr("collisions "), __qyStrFromInt(collisions)), 0, 0);
}

void __MAIN(void) {
    struct Planet all[PLANETS] = {{40, 50, 3, 2, 0, 0},   {340, 60, -2, 3, 3, 0},  {300, 240, 4, -3, 5, 0},
                                  {60, 230, 2, -2, 1, 0}, {200, 40, -3, 1, 6, 0},  {120, 140, 1, 3, 2, 0},
                                  {360, 160, -1, -4, 4, 0}};
    int frame, i, timer;
    __qyStrStore(&folder, __qyStrConcat(_fcommandline(), kstr("/")));
    _fapptitle(kstr("Korva demo"), 0);
    _fsetbuffer(_fbackbuffer());
    backdrop = _floadimage(picture("backdrop.bmp"));
    planets = _floadanimimage(picture("sprites.bmp"), 32, 32, 0, 2 * CELLS);
    sun = _floadanimimage(picture("sprites.bmp"), 32, 32, CELLS, 1);
    if (!backdrop || !planets || !sun) _fruntimeerror(__qyStrConcat(kstr("Cannot load the pictures in "), __qyStrLoad(&folder)));
    _fresizeimage(backdrop, _fgraphicswidth(), _fgraphicsheight());
    _fmidhandle(planets);
    _fmidhandle(sun);
    _fscaleimage(sun, 2.5f, 2.5f);
    timer = _fcreatetimer(60);
    for (frame = 0; frame < FRAMES; ++frame) {
        drawFrame(frame, all);
        for (i = 0; i < PLANETS; ++i) moveAndBounceOffTheEdges(&all[i]);
        bounce(all, frame);
        _fwaittimer(timer);
        _fflip(0);
    }
    _ffreetimer(timer);
    kprint2("Collisions: ", __qyStrFromInt(collisions));
    __qyStrStore(&framePath, __qyStrConcat(_fsystemproperty(kstr("tempdir")), kstr("korva-demo-frame.bmp")));
    if (_fsavebuffer(_fbackbuffer(), __qyStrLoad(&framePath))) kprint2("Saved the last frame as ", __qyStrLoad(&framePath));
}
