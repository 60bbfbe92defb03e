/* Keyboard, mouse and joysticks as a program reads them. The command line
 * picks a part; a line "@NAME" asks the test host to feed input now, every
 * other line is a result. */
#include <korva.h>

static void mark(const char *name) { kprint(name); }

/* "LABEL v1 v2 ..." from the values given. */
static qyStr *line;
static void begin(const char *label) { __qyStrStore(&line, kstr(label)); }
static void add(int value) {
    __qyStrStore(&line, __qyStrConcat(__qyStrConcat(__qyStrLoad(&line), kstr(" ")), __qyStrFromInt(value)));
}
static void end(void) { kprints(__qyStrLoad(&line)); }

static void keyboard(void) {
    int i, queued;
    mark("@held");
    begin("held");
    add(_fkeyhit(30));
    add(_fkeydown(30));
    add(_fgetkey());
    add(_fgetkey());
    end();

    mark("@forty");
    begin("forty");
    add(_fkeyhit(48));
    for (queued = 0; _fgetkey() != 0; ++queued) {
    }
    add(queued);
    end();

    mark("@flush");
    _fflushkeys();
    begin("flushed");
    add(_fkeydown(46));
    add(_fkeyhit(46));
    add(_fgetkey());
    end();

    /* Characters follow the modifiers held and toggled when GetKey runs. */
    begin("characters");
    mark("@shift");
    for (i = 0; i < 4; ++i) add(_fgetkey());
    mark("@control");
    for (i = 0; i < 3; ++i) add(_fgetkey());
    mark("@locks");
    for (i = 0; i < 6; ++i) add(_fgetkey());
    end();

    mark("@extended");
    begin("extended");
    add(_fkeydown(157));
    add(_fkeydown(29));
    add(_fkeydown(200));
    add(_fkeydown(72));
    mark("@keypad");
    add(_fkeydown(72));
    add(_fkeydown(200));
    end();

    begin("outside");
    add(_fkeydown(-1));
    add(_fkeydown(256));
    add(_fkeyhit(1000));
    add(_fmousedown(-5));
    add(_fmousehit(256));
    end();
}

static void mouse(void) {
    mark("@far");
    begin("far");
    add(_fmousex());
    add(_fmousey());
    end();

    mark("@near");
    begin("near");
    add(_fmousex());
    add(_fmousey());
    add(_fmousexspeed());
    add(_fmouseyspeed());
    end();

    mark("@buttons");
    begin("buttons");
    add(_fmousedown(1));
    add(_fmousedown(2));
    add(_fmousedown(3));
    add(_fmousehit(2));
    add(_fgetmouse());
    add(_fgetmouse());
    add(_fgetmouse());
    add(_fgetmouse());
    end();

    mark("@wheel");
    begin("wheel");
    add(_fmousez());
    add(_fmousezspeed());
    mark("@wheel back");
    add(_fmousez());
    add(_fmousezspeed());
    end();

    _fmovemouse(50, 60);
    begin("moved");
    add(_fmousexspeed());
    add(_fmouseyspeed());
    _fdelay(1);
    add(_fmousex());
    add(_fmousey());
    end();
}

static void scaledWindow(void) {
    _fgraphics(200, 150, 0, 3);
    mark("@scaled");
    begin("scaled");
    add(_fmousex());
    add(_fmousey());
    mark("@corner");
    add(_fmousex());
    add(_fmousey());
    _fmovemouse(20, 30);
    _fdelay(1);
    add(_fmousex());
    add(_fmousey());
    end();
}

static void fullScreen(void) {
    _fgraphics(640, 480, 0, 1);
    mark("@direct");
    begin("direct");
    add(_fkeydown(30));
    add(_fkeyhit(30));
    add(_fgetkey());
    add(_fmousex());
    add(_fmousey());
    add(_fmousedown(1));
    add(_fmousez());
    end();

    mark("@suspend");
    _fdelay(1);
    begin("resumed");
    add(_fkeydown(30));
    add(_fmousedown(1));
    add(_fmousex());
    end();

    _fendgraphics();
    mark("@windowed");
    begin("windowed");
    add(_fkeydown(32));
    add(_fmousex());
    end();
}

static void missingJoystick(void) {
    begin("missing");
    add(_fjoytype(0));
    add(_fjoytype(-1));
    add(_fjoydown(1, 0));
    add(_fjoyhit(1, 0));
    add(_fgetjoy(0));
    add(_fwaitjoy(0));
    add(_fjoywait(3));
    add(_fjoyxdir(0));
    add(_fjoyydir(0));
    add(_fjoyzdir(0));
    add(_fjoyudir(0));
    add(_fjoyvdir(0));
    add((int)(_fjoyx(0) * 1000) + (int)(_fjoyy(0) * 1000) + (int)(_fjoyz(0) * 1000) + (int)(_fjoyu(0) * 1000) +
        (int)(_fjoyv(0) * 1000) + (int)(_fjoypitch(0) * 1000) + (int)(_fjoyyaw(0) * 1000) +
        (int)(_fjoyroll(0) * 1000));
    end();
    _fflushjoy();
}

static void joystick(void) {
    mark("@pad");
    begin("pad");
    add(_fjoytype(0));
    add(_fjoytype(1));
    add((int)(_fjoyx(0) * 100));
    add((int)(_fjoyy(0) * 100));
    add((int)(_fjoyz(0) * 100));
    add((int)(_fjoypitch(0)));
    add(_fjoyxdir(0));
    add(_fjoyydir(0));
    add(_fjoydown(1, 0));
    add(_fjoydown(12, 0));
    add(_fjoyhit(1, 0));
    add(_fgetjoy(0));
    add(_fgetjoy(0));
    end();

    mark("@unplug");
    _fdelay(5);
    begin("unplugged");
    add(_fjoytype(0));
    add(_fjoydown(1, 0));
    add((int)(_fjoyx(0) * 100));
    end();

    mark("@replug");
    _fdelay(5);
    begin("back");
    add(_fjoytype(0));
    add(_fjoydown(2, 0));
    add(_fjoytype(1));
    end();
}

/* Keys typed by a person (xdotool) into the window on a real X server. */
static void typed(void) {
    int codes[2] = {0, 0}, count = 0, waited, code;
    _fapptitle(kstr("korva keys"), kstr(""));
    mark("@ready");
    for (waited = 0; waited < 10000 && count < 2; waited += 20) {
        code = _fgetkey();
        if (code != 0)
            codes[count++] = code;
        else
            _fdelay(20);
    }
    begin("typed");
    add(codes[0]);
    add(codes[1]);
    add(_fkeyhit(30));
    add(_fkeyhit(200));
    end();
}

static void closed(int what) {
    mark("@close");
    if (what == 1) _fwaitkey();
    if (what == 2) _fwaitmouse();
    if (what == 3) _finput(kstr("? "));
    kprint("not ended");
}

void __MAIN(void) {
    int part = __qyStrToInt(_fcommandline());
    if (part == 1) keyboard();
    if (part == 2) mouse();
    if (part == 3) scaledWindow();
    if (part == 4) fullScreen();
    if (part == 5) missingJoystick();
    if (part == 6) joystick();
    if (part >= 7 && part <= 9) closed(part - 6);
    if (part == 10) typed();
}
