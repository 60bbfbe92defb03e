/* Display modes and buffer files. The command line names the step and a
 * scratch file:  STEP FILE. */
#include <korva.h>

static qyStr *file;

static void report(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

void __MAIN(void) {
    qyStr *command = _fcommandline();
    int step = __qyStrToInt(_fleft(__qyStrLoad(&command), 1));
    __qyStrStore(&file, _fmid(command, 3, -1));

    if (step == 1) { /* the default mode, then a 3 x 2 window saved to a file */
        report("drivers=", _fcountgfxdrivers());
        report("modes=", _fcountgfxmodes());
        report("first=", _fgfxmodewidth(1) * 1000 + _fgfxmodeheight(1));
        report("last=", _fgfxmodewidth(51) * 1000 + _fgfxmodeheight(51));
        report("exists 640 x 480 x 24=", _fgfxmodeexists(640, 480, 24));
        report("exists depth 0=", _fgfxmodeexists(1024, 768, 0));
        report("exists 16=", _fgfxmodeexists(_fgfxmodewidth(1), _fgfxmodeheight(1), 16));
        _fgraphics(3, 2, 0, 2);
        report("size=", _fgraphicswidth() * 100 + _fgraphicsheight());
        _fcolor(255, 0, 0);
        _fplot(0, 0);
        _fcolor(0, 0, 255);
        _fplot(2, 1);
        report("saved=", _fsavebuffer(_ffrontbuffer(), __qyStrLoad(&file)));
        _fendgraphics();
        report("back to=", _fgraphicswidth() * 1000 + _fgraphicsheight());
    } else if (step == 2) { /* 16-bit full screen: 565 truncation */
        _fgraphics(1024, 768, 16, 1);
        report("depth=", _fgraphicsdepth());
        _fwritepixel(0, 0, -1, 0);
        report("white=", _freadpixel(0, 0, 0));
        _fcolor(255, 255, 255);
        report("rgb=", _fcolorred() * 1000000 + _fcolorgreen() * 1000 + _fcolorblue());
        _fflip(0);
        report("flipped=", _freadpixel(0, 0, 0)); /* the back buffer was black */
    } else if (step == 3) { /* mode 0: a window under a debugger, full screen without */
        _fgraphics(640, 480, 0, 0);
        _fruntimeerror(__qyStrFromInt(_fgraphicsdepth()));
    } else if (step == 4) { /* loading a picture into a buffer */
        report("loaded=", _floadbuffer(_fbackbuffer(), __qyStrLoad(&file)));
        _fsetbuffer(_fbackbuffer());
        report("corner=", _freadpixel(0, 0, 0));
        report("middle=", _freadpixel(200, 150, 0));
    } else if (step == 5) {
        _fsetbuffer(12345);
    } else if (step == 6) {
        _fgraphics(640, 480, 0, 7);
    } else if (step == 7) { /* the virtual refresh: VWait waits under a period, ScanLine stays on screen */
        int i, start, longest = 0, lowest = 1000, highest = -1;
        for (i = 0; i < 20; ++i) {
            int line = _fscanline(), waited;
            if (line < lowest) lowest = line;
            if (line > highest) highest = line;
            start = _fmillisecs();
            _fvwait(1);
            waited = _fmillisecs() - start;
            if (waited > longest) longest = waited;
        }
        report("vwait within a few periods=", longest < 100);
        report("scan lines on screen=", lowest >= 0 && highest < _fgraphicsheight());
        _fflip(1);
        report("flipped=", 1);
    } else if (step == 8) {
        _fgfxdrivername(_fcountgfxdrivers() + 1);
    } else if (step == 9) {
        _fcountgfxmodes();
        _fgfxmodewidth(0);
    }
}
