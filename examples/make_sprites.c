/* Draws the demo game's sprite sheet and saves it as the bitmap its command
 * line names (examples/assets/sprites.bmp was made this way):
 *   korva-run build/examples/make_sprites.kbi examples/assets/sprites.bmp
 * Five rows of eight 32 x 32 cells on black, the mask colour:
 *   0 the player's ship, its engine flame flickering;
 *   1 a saucer, its rim lights running round;
 *   2 a meteor turning;
 *   3 an explosion, from flash to dying embers;
 *   4 the player's laser bolt (cells 0-3) and a saucer's bomb (cells 4-7). */
#include <korva.h>

#define CELL 32
#define FRAMES 8

static void colour(int red, int green, int blue) { _fcolor(red, green, blue); }

static void ship(int left, int top, int frame) {
    int y, half, flame = 2 + (frame * 3) % 5; /* the flame stays inside the cell */
    colour(255, 140, 40);
    _foval(left + 11, top + 24, 10, flame + 2, 1);
    colour(255, 240, 150);
    _foval(left + 13, top + 24, 6, flame, 1);
    for (y = 3; y <= 26; ++y) {
        half = (y - 3) * 11 / 23;
        colour(150 + y * 3, 160 + y * 3, 190 + y * 2);
        _fline(left + 16 - half, top + y, left + 16 + half, top + y);
    }
    colour(200, 40, 50);
    _frect(left + 4, top + 18, 4, 10, 1);
    _frect(left + 24, top + 18, 4, 10, 1);
    colour(60, 220, 255);
    _foval(left + 13, top + 10, 6, 8, 1);
    colour(230, 255, 255);
    _fplot(left + 15, top + 12);
}

static void saucer(int left, int top, int frame) {
    int light;
    colour(120, 220, 255);
    _foval(left + 10, top + 7, 12, 11, 1);
    colour(230, 250, 255);
    _fplot(left + 13 + frame % 2, top + 9);
    colour(150, 150, 170);
    _foval(left + 2, top + 13, 28, 10, 1);
    colour(90, 90, 110);
    _foval(left + 2, top + 13, 28, 10, 0);
    for (light = 0; light < 4; ++light) {
        if (light == frame % 4) colour(255, 250, 120); else colour(170, 80, 30);
        _frect(left + 6 + light * 6, top + 17, 3, 3, 1);
    }
}

static void meteor(int left, int top, int frame) {
    int crater;
    float angle;
    colour(125, 95, 70);
    _foval(left + 4, top + 4, 24, 24, 1);
    colour(165, 130, 95);
    _foval(left + 7, top + 6, 12, 10, 1);
    colour(80, 60, 45);
    _foval(left + 4, top + 4, 24, 24, 0);
    for (crater = 0; crater < 3; ++crater) {
        angle = frame * 45.0f + crater * 120.0f;
        colour(85, 62, 45);
        _foval(left + 13 + (int)(7.0f * _fcos(angle)), top + 13 + (int)(7.0f * _fsin(angle)), 6, 6, 1);
    }
}

static void explosion(int left, int top, int frame) {
    int radius = 3 + frame * 12 / 7, spark;
    float angle;
    int heat = 255 - frame * 28;
    colour(heat, heat * 3 / 4, frame < 3 ? 120 : 20);
    _foval(left + 16 - radius, top + 16 - radius, 2 * radius, 2 * radius, frame < 4);
    colour(255, 90 + heat / 3, 30);
    _foval(left + 16 - radius, top + 16 - radius, 2 * radius, 2 * radius, 0);
    for (spark = 0; spark < 8; ++spark) {
        angle = spark * 45.0f + frame * 7.0f;
        colour(255, 220 - frame * 20, 80);
        _frect(left + 15 + (int)((radius + 1) * _fcos(angle)), top + 15 + (int)((radius + 1) * _fsin(angle)), 2, 2, 1);
    }
}

static void bolt(int left, int top, int frame) {
    if (frame % 2) {
        colour(30, 90, 140);
        _frect(left + 13, top + 7, 6, 18, 1);
    }
    colour(120, 240, 255);
    _frect(left + 15, top + 6, 2, 20, 1);
    colour(240, 255, 255);
    _frect(left + 15, top + 8 + frame, 2, 4, 1);
}

static void bomb(int left, int top, int frame) {
    int size = 6 + frame % 3;
    colour(230, 40, 40);
    _foval(left + 16 - size / 2, top + 16 - size / 2, size, size, 1);
    colour(255, 230, 90);
    _frect(left + 15, top + 15, 2, 2, 1);
}

void __MAIN(void) {
    int sheet = _fcreateimage(CELL * FRAMES, CELL * 5, 1), frame;
    _fsetbuffer(_fimagebuffer(sheet, 0));
    for (frame = 0; frame < FRAMES; ++frame) {
        ship(frame * CELL, 0, frame);
        saucer(frame * CELL, CELL, frame);
        meteor(frame * CELL, 2 * CELL, frame);
        explosion(frame * CELL, 3 * CELL, frame);
        if (frame < 4) bolt(frame * CELL, 4 * CELL, frame); else bomb(frame * CELL, 4 * CELL, frame - 4);
    }
    if (_fsaveimage(sheet, _fcommandline(), 0)) kprint2("Saved the sprite sheet as ", _fcommandline());
    else _fruntimeerror(__qyStrConcat(kstr("Cannot write "), _fcommandline()));
}
