/* A program's own TCP server, with clients the test connects once the
 * program has said on a control connection that it listens. */
#include "arguments.h"

static int listen_and_tell(int port, int control_port) {
    int server = _fcreatetcpserver(port);
    int start = _fmillisecs();
    kprintl("nobody waiting", _faccepttcpstream(server));
    kprintl("at once", _fmillisecs() - start < 2000);
    kprintl("port taken", _fcreatetcpserver(port));
    int control = _fopentcpstream(kstr("127.0.0.1"), control_port, 0);
    _fwriteline(control, kstr("listening"));
    return server;
}

/* Three clients each send their own port as a line. */
static void three_clients(int server) {
    _ftcptimeouts(20000, 20000);
    int client = 0;
    for (int i = 0; i < 3; ++i) {
        client = _faccepttcpstream(server);
        int port = __qyStrToInt(_freadline(client));
        kprintl("client at its address", port == _ftcpstreamport(client) && _ftcpstreamip(client) == LOOPBACK);
        _fwriteline(client, kstr("welcome"));
    }
    _fclosetcpserver(server); /* and the three connections */
    kprint("closed");
    if (argument(0) == 1) _ftcpstreamport(client);
}

/* Clients that reset at once, then one that says hello; accepting never
 * waits (time-out 0), as in a frame loop. */
static void frame_loop(int server) {
    _ftcptimeouts(20000, 0);
    int start = _fmillisecs(), longest = 0, hello = 0;
    while (!hello && _fmillisecs() - start < 20000) {
        int before = _fmillisecs();
        int client = _faccepttcpstream(server);
        if (_fmillisecs() - before > longest) longest = _fmillisecs() - before;
        if (client) {
            hello = __qyStrCompare(_freadline(client), kstr("hello")) == 0;
            _fclosetcpstream(client);
        }
    }
    kprintl("hello", hello);
    kprintl("accepting never waited", longest < 2000);
}

void __MAIN(void) {
    int server = listen_and_tell(argument(1), argument(2));
    if (argument(0) < 2) {
        three_clients(server);
    } else {
        frame_loop(server);
    }
}
