/* The bundled demo: a backdrop picture, bouncing shapes, text and a frame counter,
 * paced at 60 frames per second with Flip. After five seconds it saves its
 * last frame as a bitmap in the temporary folder and ends.
 * Its command line names the backdrop picture. */
#include <korva.h>

#define FRAMES 300

struct Ball {
    int x, y, dx, dy, size, red, green, blue;
};

static qyStr *backdrop;
static qyStr *framePath;

static void moveBall(struct Ball *ball) {
    ball->x += ball->dx;
    ball->y += ball->dy;
    if (ball->x < 0 || ball->x + ball->size > _fgraphicswidth()) ball->dx = -ball->dx;
    if (ball->y < 0 || ball->y + ball->size > _fgraphicsheight()) ball->dy = -ball->dy;
}

static void drawBall(const struct Ball *ball) {
    _fcolor(ball->red, ball->green, ball->blue);
    _foval(ball->x, ball->y, ball->size, ball->size, 1);
    _fcolor(255, 255, 255);
    _foval(ball->x, ball->y, ball->size, ball->size, 0);
}

static void drawFrame(int frame, struct Ball *balls, int count) {
    int i, w = _fgraphicswidth(), h = _fgraphicsheight();
    _floadbuffer(_fbackbuffer(), __qyStrLoad(&backdrop));
    for (i = 0; i < count; ++i) drawBall(&balls[i]);
    _fcolor(255, 220, 0);
    _frect(10, 10, w - 20, h - 20, 0);
    _fline(10, h - 10, (frame * 7) % (w - 20) + 10, 10);
    _fcolor(0, 0, 0);
    _frect(12, h - 24, (frame * (w - 24)) / FRAMES, 10, 1);
    _fcolor(80, 255, 120);
    _frect(12, h - 24, (frame * (w - 24)) / FRAMES, 10, 0);
    _fcolor(255, 255, 255);
    _ftext(w / 2, 24, kstr("Korva on Linux"), 1, 1);
    _ftext(16, h - 42, __qyStrConcat(kstr("frame "), __qyStrFromInt(frame)), 0, 0);
}

void __MAIN(void) {
    struct Ball balls[3] = {
        {40, 50, 3, 2, 40, 220, 60, 60}, {200, 120, -2, 3, 56, 60, 120, 240}, {300, 200, 4, -3, 24, 240, 200, 40}};
    int frame, i, timer;
    __qyStrStore(&backdrop, _fcommandline());
    _fapptitle(kstr("Korva demo"), 0);
    _fsetbuffer(_fbackbuffer());
    timer = _fcreatetimer(60);
    for (frame = 0; frame < FRAMES; ++frame) {
        drawFrame(frame, balls, 3);
        for (i = 0; i < 3; ++i) moveBall(&balls[i]);
        _fwaittimer(timer);
        _fflip(0);
    }
    _ffreetimer(timer);
    __qyStrStore(&framePath, __qyStrConcat(_fsystemproperty(kstr("tempdir")), kstr("korva-demo-frame.bmp")));
    if (_fsavebuffer(_fbackbuffer(), __qyStrLoad(&framePath))) kprint2("Saved the last frame as ", __qyStrLoad(&framePath));
}
