/* What reaches the screen. The command line names the step (and a picture
 * file or a depth); every logged line marks a moment the test looks at. */
#include <korva.h>

static void fill(int red, int green, int blue) {
    _fcolor(red, green, blue);
    _frect(0, 0, _fgraphicswidth(), _fgraphicsheight(), 1);
}

void __MAIN(void) {
    qyStr *command = _fcommandline();
    int step = __qyStrToInt(_fleft(__qyStrLoad(&command), 1));
    qyStr *argument = _fmid(command, 3, -1);

    if (step == 1) { /* a window: Flip shows the back buffer, the tick a drawn-on front buffer */
        _fgraphics(40, 30, 0, 2);
        _fdelay(300); /* the tick has shown the new, black front buffer */
        _fsetbuffer(_fbackbuffer());
        fill(255, 0, 0);
        _fdelay(300);
        kprint("back drawn");
        _fflip(0);
        kprint("flipped");
        _fflip(0);
        kprint("flipped unchanged");
        _fsetbuffer(_ffrontbuffer());
        _fcolor(0, 0, 255);
        _fplot(5, 5);
        _fdelay(300);
        kprint("front drawn");
    } else if (step == 2) { /* a scaled window keeps the 400 x 300 client area */
        _fgraphics(4, 3, 0, 3);
        _fcolor(255, 0, 0);
        _fplot(0, 0);
        _fcolor(0, 255, 0);
        _fplot(3, 2);
        _fflip(0);
        kprint("stretched");
    } else if (step == 3) { /* full screen 640 x 480 at the depth given */
        _fgraphics(640, 480, __qyStrToInt(argument), 1);
        _fsetbuffer(_fbackbuffer());
        fill(255, 128, 0);
        _fcolor(0, 0, 255);
        _fplot(0, 0);
        _fflip(0);
        kprint("full screen");
    } else if (step == 4) { /* a picture loads at the corner, whatever the origin, which stays */
        _fgraphics(40, 30, 0, 2);
        _fsetbuffer(_fbackbuffer());
        _forigin(10, 10);
        kprinti(_floadbuffer(_fbackbuffer(), argument));
        _fcolor(255, 0, 0);
        _fplot(0, 0);
        _fflip(0);
        kprint("loaded");
    } else if (step == 5) { /* full screen 640 x 480 x 16, presented again while a real display settles */
        int frame;
        _fgraphics(640, 480, 16, 1);
        _fsetbuffer(_fbackbuffer());
        for (frame = 0; frame < 20; ++frame) {
            fill(255, 128, 0);
            _fflip(0);
            _fdelay(50);
        }
        kprint("shown");
    }
}
