/* Multiplayer games between programs on this machine. The first word of the
 * command line picks the program's part; the test starts each part when
 * the one before it has reached the line the test waits for. */
#include "netgame.h"

#define ACK 50

/* Waits for the joiner's acknowledgement of the message sent before. */
static void await_ack(int bob) {
    if (!await_msg() || _fnetmsgtype() != ACK || _fnetmsgfrom() != bob) kprint("no ack");
}

static void send_and_await_ack(int type, qyStr *text, int from, int to, int reliable, int bob) {
    _fsendnetmsg(type, text, from, to, reliable);
    await_ack(bob);
}

/* Hosts "duel" with two players, exchanges messages with the joiner's player
 * bob, sees him leave, then hosts again on the same port at once. */
static void duel_host(void) {
    kprintl("host", _fhostnetgame(kstr("duel")));
    int alice = _fcreatenetplayer(kstr("alice"));
    int anna = _fcreatenetplayer(kstr("anna"));
    kprintl("two players", alice != 0 && anna != 0 && alice != anna);
    kprintl("alice local", _fnetplayerlocal(alice));
    expect_msg(); /* bob joined */
    int bob = _fnetmsgfrom();
    kprintl("bob local", _fnetplayerlocal(bob));
    expect_msg(); /* his greeting */

    send_and_await_ack(2, kstr("to bob"), alice, bob, 1, bob);
    send_and_await_ack(200, kstr(""), anna, 0, 0, bob);
    kprintl("type 256 accepted", _fsendnetmsg(256, kstr("never"), alice, 0, 1));
    kprintl("to own player", _fsendnetmsg(3, kstr("self"), alice, anna, 1));
    send_and_await_ack(5, long_text(61440), alice, bob, 1, bob);
    send_and_await_ack(6, long_text(61440), anna, 0, 0, bob);
    send_and_await_ack(8, long_text(2000), alice, bob, 1, bob);
    for (int i = 1; i <= 100; ++i) _fsendnetmsg(7, __qyStrFromInt(i), alice + (i & 1) * (anna - alice), 0, 1);
    await_ack(bob);

    expect_msg(); /* bob left */
    kprintl("left", _fnetmsgfrom() == bob);
    kprintl("nothing more", _frecvnetmsg());
    kprintl("type", _fnetmsgtype());
    kprintl("from", _fnetmsgfrom());
    kprintl("to", _fnetmsgto());
    kprint2("data ", data_text());
    _fstopnetgame();
    kprintl("host again", _fhostnetgame(kstr("duel")));
    _fhostnetgame(kstr("third"));
}

static void duel_joiner(void) {
    kprintl("no such game", _fjoinnetgame(kstr("nosuch"), LOCALHOST));
    kprintl("joined", join_local("duel"));
    expect_msg();
    expect_msg();
    kprintl("then", _frecvnetmsg());
    int bob = _fcreatenetplayer(kstr("bob"));
    kprintl("sent", _fsendnetmsg(1, kstr("hello"), bob, 0, 1));
    for (int i = 0; i < 5; ++i) {
        if (!expect_msg()) return;
        _fsendnetmsg(ACK, kstr(""), bob, _fnetmsgfrom(), 1);
    }
    int in_order = 1;
    for (int i = 1; i <= 100; ++i) {
        if (!await_msg() || _fnetmsgtype() != 7) return;
        in_order = in_order && __qyStrToInt(_fnetmsgdata()) == i;
    }
    kprintl("in order", in_order);
    _fsendnetmsg(ACK, kstr(""), bob, _fnetmsgfrom(), 1);
    _fdeletenetplayer(bob);
    kprint2("after delete ", _fnetplayername(bob));
    _fstopnetgame();
    _frecvnetmsg();
}

/* Three programs, then the host ends: the first joiner hosts from then on
 * and a late joiner finds the session at the same address. The host ends
 * when amy has seen ben join. */
static void trio_host(void) {
    kprintl("host", _fhostnetgame(kstr("trio")));
    _fcreatenetplayer(kstr("hank"));
    kprint("ready");
    for (int i = 0; i < 3; ++i) expect_msg();
}

static void trio_events(int count) {
    for (int i = 0; i < count; ++i) expect_msg();
}

/* Stays, taking messages silently, until the test ends it: leaving would
 * be news that could overtake the others'. */
static void trio_first_joiner(void) {
    kprintl("joined", join_local("trio"));
    int amy = _fcreatenetplayer(kstr("amy"));
    kprint("ready");
    expect_msg();
    int hank = _fnetmsgfrom();
    expect_msg();
    _fsendnetmsg(3, kstr("go"), amy, hank, 1);
    trio_events(2);
    if (_fnetmsgtype() != 102) return;
    kprint("hosting");
    _fsendnetmsg(1, kstr("I host"), amy, 0, 1);
    trio_events(3);
    kprint("done");
    for (;;) {
        _frecvnetmsg();
        _fdelay(20);
    }
}

static void trio_second_joiner(void) {
    kprintl("joined", join_local("trio"));
    _fcreatenetplayer(kstr("ben"));
    kprint("ready");
    trio_events(7);
}

static void trio_late_joiner(void) {
    kprintl("joined", join_local("trio"));
    trio_events(2);
    int cy = _fcreatenetplayer(kstr("cy"));
    _fsendnetmsg(1, kstr("hi"), cy, 0, 1);
}

/* The host freezes (the test stops it); the joiner loses the session. */
static void lost_host(void) {
    kprintl("host", _fhostnetgame(kstr("lost")));
    _fcreatenetplayer(kstr("frozen"));
    expect_msg();
    kprint("ready");
    _fdelay(60000);
}

static void lost_joiner(void) {
    kprintl("joined", join_local("lost"));
    _fcreatenetplayer(kstr("survivor"));
    expect_msg();
    kprint("ready");
    expect_msg();
    kprintl("still a game", _frecvnetmsg() == 0);
}

/* The far side of a game made in StartNetGame's dialog. */
static void dialog_host(void) {
    kprintl("host", _fhostnetgame(kstr("arena")));
    int hank = _fcreatenetplayer(kstr("hank"));
    kprint("ready");
    expect_msg();
    expect_msg();
    _fsendnetmsg(2, kstr("bye"), hank, 0, 1);
}

static void dialog_joiner(void) {
    kprintl("joined", join_local("lan"));
    _fcreatenetplayer(kstr("visitor"));
}

/* Each scenario ends with a runtime error, after what works in any state. */
static void errors(int scenario) {
    kprint2("all ", _fnetplayername(0));
    kprint2("unknown ", _fnetplayername(12345));
    kprintl("local", _fnetplayerlocal(0));
    _fstopnetgame();
    switch (scenario) {
        case 1: _fcreatenetplayer(kstr("x")); break;
        case 2: _fdeletenetplayer(1); break;
        case 3: _fsendnetmsg(1, kstr("x"), 1, 0, 1); break;
        case 4: _frecvnetmsg(); break;
        case 5:
            kprintl("host", _fhostnetgame(kstr("busy")));
            _fjoinnetgame(kstr("busy"), LOCALHOST);
            break;
        case 6:
            kprintl("host", _fhostnetgame(kstr("busy")));
            _fstartnetgame();
            break;
    }
}

void __MAIN(void) {
    switch (argument(0)) {
        case 1: duel_host(); break;
        case 2: duel_joiner(); break;
        case 3: trio_host(); break;
        case 4: trio_first_joiner(); break;
        case 5: trio_second_joiner(); break;
        case 6: trio_late_joiner(); break;
        case 7: lost_host(); break;
        case 8: lost_joiner(); break;
        case 9: errors(argument(1)); break;
        case 10: dialog_host(); break;
        case 11: dialog_joiner(); break;
    }
}
