/* A program's own TCP connections to peers the test runs: the byte
 * encodings across many small segments, failed connections, time-outs. */
#include "arguments.h"

/* The peer echoes the 32 bytes written here one segment per byte, then
 * closes. */
static void echo(int port) {
    int s = _fopentcpstream(kstr("localhost"), port, 0);
    kprints(_fdottedip(_ftcpstreamip(s)));
    kprintl("peer port", _ftcpstreamport(s) == port);
    _fwriteint(s, 123456789);
    _fwriteshort(s, 70000);
    _fwritebyte(s, 300);
    _fwritefloat(s, 1.5f);
    _fwritestring(s, kstr("hello"));
    _fwriteline(s, kstr("a line"));
    _fwritestring(s, kstr(""));
    kprinti(_freadint(s));
    kprinti(_freadshort(s));
    kprinti(_freadbyte(s));
    kprintf(_freadfloat(s));
    kprints(_freadstring(s));
    kprints(_freadline(s));
    kprintl("empty", _flen(_freadstring(s)));
    kprintl("after the close", _freadbyte(s));
    kprintl("eof", _feof(s));
    _fclosetcpstream(s);
}

static void failures(int port, int refusing_port) {
    kprintl("refused", _fopentcpstream(kstr("127.0.0.1"), refusing_port, 0));
    kprintl("unknown host", _fopentcpstream(kstr("no-such-host.invalid"), port, 0));
    kprintl("broadcast", _fopentcpstream(kstr("255.255.255.255"), port, 0));
}

/* The peer stays silent on the first connection and sends half a record on
 * the second. */
static void time_outs(int port) {
    _ftcptimeouts(0, 0);
    int s = _fopentcpstream(kstr("127.0.0.1"), port, 0);
    int start = _fmillisecs();
    kprintl("silent", _freadint(s));
    kprintl("at once", _fmillisecs() - start < 2000);
    kprintl("eof", _feof(s));

    _ftcptimeouts(400, 0);
    s = _fopentcpstream(kstr("127.0.0.1"), port, 0);
    start = _fmillisecs();
    kprintl("half", _freadint(s));
    int waited = _fmillisecs() - start;
    kprintl("after the time-out", waited >= 350 && waited < 8000);
    kprintl("eof", _feof(s));
    kprintl("failed", _freadint(s));
}

void __MAIN(void) {
    switch (argument(0)) {
        case 0: echo(argument(1)); break;
        case 1: failures(argument(1), argument(2)); break;
        case 2: time_outs(argument(1)); break;
    }
}
