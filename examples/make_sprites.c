/* Draws the demo's animation strip and saves it as the bitmap its command
 * line names (examples/assets/sprites.bmp was made this way):
 *   korva-run build/examples/make_sprites.kbi examples/assets/sprites.bmp
 * Two rows of eight 32 x 32 cells on black, the mask colour: a planet whose
 * moon circles it, a full turn over the eight cells; the second row is the
 * same planet glowing red, shown while a sprite has just collided. */
#include <korva.h>

#define CELL 32
#define FRAMES 8

static void drawPlanet(int left, int top, int frame, int hit) {
    float angle = frame * (360.0f / FRAMES);
    int moonX = left + 12 + (int)(10.0f * _fcos(angle)), moonY = top + 12 + (int)(10.0f * _fsin(angle));
    if (hit) _fcolor(230, 60, 50); else _fcolor(40, 150, 210);
    _foval(left + 5, top + 5, 22, 22, 1);
    if (hit) _fcolor(255, 200, 120); else _fcolor(150, 220, 255);
    _foval(left + 5, top + 5, 22, 22, 0);
    _fcolor(255, 255, 255);
    _frect(left + 10, top + 10, 4, 3, 1);
    _fcolor(250, 230, 90);
    _foval(moonX, moonY, 8, 8, 1);
}

void __MAIN(void) {
    int strip = _fcreateimage(CELL * FRAMES, CELL * 2, 1), frame;
    _fsetbuffer(_fimagebuffer(strip, 0));
    for (frame = 0; frame < FRAMES; ++frame) {
        drawPlanet(frame * CELL, 0, frame, 0);
        drawPlanet(frame * CELL, CELL, frame, 1);
    }
    if (_fsaveimage(strip, _fcommandline(), 0)) kprint2("Saved the strip as ", _fcommandline());
    else _fruntimeerror(__qyStrConcat(kstr("Cannot write "), _fcommandline()));
}
