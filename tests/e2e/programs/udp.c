/* UDP streams: datagrams to the stream's own port, then to and from a peer
 * the test runs. */
#include "arguments.h"

static int bank_of(int size) {
    int bank = _fcreatebank(size);
    for (int i = 0; i < size; ++i) _fpokebyte(bank, i, i * 7);
    return bank;
}

static void received(int u) {
    kprintl("from", _frecvudpmsg(u));
    kprintl("avail", _freadavail(u));
}

static void to_itself(void) {
    int u = _fcreateudpstream(0);
    int port = _fudpstreamport(u);
    kprintl("bound to", _fudpstreamip(u));
    kprintl("port taken", _fcreateudpstream(port));
    kprintl("eof", _feof(u));
    kprintl("avail", _freadavail(u));
    kprintl("sender is itself", _fudpmsgip(u) == _fudpstreamip(u) && _fudpmsgport(u) == port);
    kprintl("nothing waiting", _frecvudpmsg(u));

    _fwriteint(u, 1);
    _fwriteint(u, 2);
    _fsendudpmsg(u, LOOPBACK, 0); /* port 0: its own port */
    received(u);
    kprintl("from its own port", _fudpmsgport(u) == port);
    _fsendudpmsg(u, LOOPBACK, 0); /* nothing written since: an empty datagram */
    received(u);
    kprintl("eof", _feof(u));

    _fwriteint(u, 0x04030201);
    _fwriteshort(u, 0x0605);
    _fsendudpmsg(u, LOOPBACK, port);
    received(u);
    kprintl("int", _freadint(u));
    kprintl("avail", _freadavail(u));
    kprintl("short int", _freadint(u));
    kprintl("eof", _feof(u));

    _fudptimeouts(300);
    int start = _fmillisecs();
    kprintl("nothing came", _frecvudpmsg(u));
    int waited = _fmillisecs() - start;
    kprintl("waited for the time-out", waited >= 250 && waited < 8000);

    _fwritebytes(bank_of(70000), u, 0, 70000); /* more than a datagram carries */
    _fsendudpmsg(u, LOOPBACK, 0);
    kprintl("eof", _feof(u));
    kprintl("received", _frecvudpmsg(u));
    _fcloseudpstream(u);
}

/* The peer answers "pong", then sends an empty datagram and the largest
 * one there is. */
static void with_peer(int peer_port) {
    int u = _fcreateudpstream(0);
    _fwriteline(u, kstr("ping"));
    _fsendudpmsg(u, LOOPBACK, peer_port);
    _fudptimeouts(20000);
    received(u);
    kprints(_freadline(u));
    kprintl("from the peer's port", _fudpmsgport(u) == peer_port);
    kprintl("own port", _fudpstreamport(u));
    received(u);
    received(u);
    int largest = _fcreatebank(65507);
    kprintl("read", _freadbytes(largest, u, 0, 65507));
    kprintl("last byte", _fpeekbyte(largest, 65506));
}

void __MAIN(void) {
    if (argument(0) == 0) {
        to_itself();
    } else {
        with_peer(argument(1));
    }
}
