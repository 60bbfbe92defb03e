/* The bundled example: greets, shows its command line, counts frames on a
 * 30 Hz timer for half a second and reports how long that took. */
#include <korva.h>

void __MAIN(void) {
    _fapptitle(kstr("Korva hello"), 0);
    kprint("Hello from Korva!");
    kprint2("Command line: ", _fcommandline());
    kprint2("Temp folder: ", _fsystemproperty(kstr("TempDir")));

    int timer = _fcreatetimer(30);
    int start = _fmillisecs();
    int frames = 0;
    while (frames < 15) frames += _fwaittimer(timer);
    _ffreetimer(timer);
    kprint2("Frames counted: ", __qyStrFromInt(frames));
    kprint2("Milliseconds: ", __qyStrFromInt(_fmillisecs() - start));
    kprint2("Pi is about ", __qyStrFromFloat(3.14159274f));
}
