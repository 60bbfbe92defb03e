/* Stops itself (as a Stop statement does) and goes on once resumed. */
#include <korva.h>

void __MAIN(void) {
    kprint("stopping");
    _fstop();
    kprint("resumed");
}
