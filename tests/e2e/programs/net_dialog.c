/* StartNetGame's dialog as a program sees it, in the window "korva dialog":
 * the test operates the dialog while it shows ("@dialog" comes first) and
 * looks at the screen at "@after". What follows a result of 1 (joined) or
 * 2 (hosting) talks to another program; after a cancel, scenario 1 opens
 * the dialog once more. */
#include "netgame.h"

void __MAIN(void) {
    _fapptitle(kstr("korva dialog"), kstr(""));
    _fclscolor(0, 128, 0);
    _fcls();
    _fflip(0);
    kprint("@dialog");
    int result = _fstartnetgame();
    kprintl("result", result);
    kprint("@after");
    if (result == 1) {
        expect_msg(); /* the host's player */
        int guest = _fcreatenetplayer(kstr("guest"));
        _fsendnetmsg(1, kstr("hello"), guest, 0, 1);
        expect_msg();
    } else if (result == 2) {
        expect_msg(); /* the joiner's player */
    } else {
        kprintl("can host", _fhostnetgame(kstr("after")));
        _fstopnetgame();
        if (argument(0) == 1) {
            kprint("@again");
            kprintl("result", _fstartnetgame());
        }
    }
}
