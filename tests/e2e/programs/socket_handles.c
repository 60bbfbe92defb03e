/* Closing what is closed already, made-up handles, and the debugger's
 * checks of socket handles. FOLDER/port names a port nothing listens on. */
#include "test_folder.h"

static int port(void) {
    int file = _freadfile(in_folder("/port"));
    int port = __qyStrToInt(_freadline(file));
    _fclosefile(file);
    return port;
}

/* Without the debugger: each close of a handle that is not open does
 * nothing; the report shows the program went on. */
static void close_twice(void) {
    int u = _fcreateudpstream(0), server = _fcreatetcpserver(port());
    int s = _fopentcpstream(kstr("127.0.0.1"), port(), 0);
    int accepted = _faccepttcpstream(server);
    for (int i = 0; i < 2; ++i) {
        _fcloseudpstream(u);
        _fclosetcpstream(s);
        _fclosetcpserver(server);
    }
    _fcloseudpstream(0);
    _fclosetcpstream(12345);
    _fclosetcpserver(-4);
    int report = _fwritefile(in_folder("/report"));
    _fwriteline(report, __qyStrConcat(kstr("accepted "), __qyStrFromInt(accepted != 0)));
    _fwriteline(report, __qyStrConcat(kstr("past the host list "), __qyStrFromInt(_fhostip(3))));
    _fclosefile(report);
}

void __MAIN(void) {
    int u, server;
    switch (scenario()) {
        case 0: close_twice(); break;
        case 1:
            u = _fcreateudpstream(0);
            _fcloseudpstream(u);
            _fcloseudpstream(u);
            break;
        case 2: _fudpmsgport(12345); break;
        case 3: _fclosetcpstream(0); break;
        case 4: _ftcpstreamip(12345); break;
        case 5:
            server = _fcreatetcpserver(port());
            _fclosetcpserver(server);
            _faccepttcpstream(server);
            break;
        case 6: _fhostip(0); break;
        case 7:
            u = _fcreateudpstream(0);
            _fcloseudpstream(u);
            _freadint(u);
            break;
    }
    kprint("done");
}
