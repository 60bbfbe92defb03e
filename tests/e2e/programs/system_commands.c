/* The system commands as a program sees them. */
#include <korva.h>

void __MAIN(void) {
    kprint2("cmd=[", __qyStrConcat(_fcommandline(), kstr("]")));
    kprints(_fsystemproperty(kstr("CPU")));
    kprint2("os=[", __qyStrConcat(_fsystemproperty(kstr("os")), kstr("]")));
    kprint2("none=[", __qyStrConcat(_fsystemproperty(kstr("nonsense")), kstr("]")));
    kprints(_fsystemproperty(kstr("TempDir")));
    kprints(_fsystemproperty(kstr("tempdir")));
    kprints(_fsystemproperty(kstr("AppDir")));

    _fsetenv(kstr("KORVA_E2E_VAR"), kstr("forty two"));
    kprints(_fgetenv(kstr("KORVA_E2E_VAR")));
    kprint2("unset=[", __qyStrConcat(_fgetenv(kstr("KORVA_E2E_UNSET_VAR")), kstr("]")));

    _fapptitle(kstr("Title"), kstr("Really quit?"));

    int before = _fmillisecs();
    _fdelay(200);
    kprint2("delay=", __qyStrFromInt(_fmillisecs() - before));

    /* A 50 Hz timer after 100 ms of work reports about 5 periods; the next
     * wait then blocks about one period. */
    int timer = _fcreatetimer(50);
    _fdelay(100);
    kprint2("periods=", __qyStrFromInt(_fwaittimer(timer)));
    before = _fmillisecs();
    kprint2("next=", __qyStrFromInt(_fwaittimer(timer)));
    kprint2("waited=", __qyStrFromInt(_fmillisecs() - before));
    _ffreetimer(timer);
    _ffreetimer(timer); /* a dead handle is ignored */
    kprint2("bad timer=", __qyStrFromInt(_fcreatetimer(0)));

    __qyDebugEnter(1, 2, 3);
    __qyDebugStmt(4, 5);
    __qyDebugLeave();
}
