/* Passes the bad count its command line names to a string command. */
#include <korva.h>

void __MAIN(void) {
    int which = __qyStrToInt(_fcommandline());
    kprint("before");
    switch (which) {
        case 1: kprints(_fleft(kstr("abc"), -1)); break;
        case 2: kprints(_fright(kstr("abc"), -1)); break;
        case 3: kprints(_flset(kstr("abc"), -1)); break;
        case 4: kprints(_frset(kstr("abc"), -1)); break;
        case 5: kprinti(_finstr(kstr("abc"), kstr("b"), 0)); break;
        case 6: kprints(_fmid(kstr("abc"), 0, 1)); break;
    }
    kprint("after");
}
