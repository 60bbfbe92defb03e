/* Runs the command line given to it through ExecFile, then gives the
 * started program a moment. */
#include <korva.h>

void __MAIN(void) {
    _fexecfile(_fcommandline());
    _fdelay(300);
    kprint("started");
}
