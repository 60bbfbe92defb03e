/* Host names and dotted IPs, without the outside network. */
#include <korva.h>

static void list(const char *name) {
    int count = _fcounthostips(kstr(name));
    kprint2("count ", __qyStrFromInt(count));
    for (int i = 1; i <= count; ++i) kprint2("ip ", __qyStrFromInt(_fhostip(i)));
}

void __MAIN(void) {
    kprints(_fdottedip(16909060));
    kprints(_fdottedip(-1));
    kprints(_fdottedip(0));
    list("localhost");
    list("1.2.3.4");
    int own = _fcounthostips(kstr("")); /* this machine */
    kprint(own >= 1 && _fhostip(1) != 0 ? "own addresses" : "no own address");
    list("no-such-host.invalid");
    kprint2("past the list ", __qyStrFromInt(_fhostip(1)));
}
