/* Logs, waits in Delay for the time its command line names (milliseconds),
 * then logs again: the host's stop, run and end requests arrive meanwhile. */
#include <korva.h>

void __MAIN(void) {
    int milliseconds = __qyStrToInt(_fcommandline());
    kprint("waiting");
    _fdelay(milliseconds);
    kprint("done");
}
