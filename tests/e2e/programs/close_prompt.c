/* Sets a close prompt, logs, and waits long: closing the window ends it. */
#include <korva.h>

void __MAIN(void) {
    _fapptitle(kstr("Closing Game"), kstr("Really quit?"));
    kprint("waiting");
    _fdelay(20000);
    kprint("done");
}
