/* Multiplayer programs: waiting for messages with a bound, and printing
 * them. */
#ifndef NETGAME_H
#define NETGAME_H

#include "arguments.h"

#define LOCALHOST kstr("127.0.0.1")

static inline qyStr *cat(qyStr *text, const char *more) { return __qyStrConcat(text, kstr(more)); }
static inline qyStr *catn(qyStr *text, int value) { return __qyStrConcat(text, __qyStrFromInt(value)); }

/* Waits up to fifteen seconds for a message or event; 0 when none came. */
static inline int await_msg(void) {
    int start = _fmillisecs();
    do {
        if (_frecvnetmsg()) return 1;
        _fdelay(2);
    } while (_fmillisecs() - start < 15000);
    return 0;
}

/* Joins the named session on this machine, trying for fifteen seconds. */
static inline int join_local(const char *name) {
    int start = _fmillisecs();
    do {
        int joined = _fjoinnetgame(kstr(name), LOCALHOST);
        if (joined) return joined;
        _fdelay(20);
    } while (_fmillisecs() - start < 15000);
    return 0;
}

/* A text of the length whose bytes run through the alphabet. */
static inline qyStr *long_text(int length) {
    qyStr *text = kstr("");
    qyStr *alphabet = kstr("abcdefghijklmnopqrstuvwxyz");
    while (_flen(__qyStrLoad(&text)) + 26 <= length) text = __qyStrConcat(text, __qyStrLoad(&alphabet));
    return __qyStrConcat(text, _fleft(alphabet, length - _flen(__qyStrLoad(&text))));
}

/* The current message's data as "[TEXT]", or when long as "len N whole 1"
 * where whole tells that it is the long_text of its length. */
static inline qyStr *data_text(void) {
    qyStr *data = _fnetmsgdata();
    int length = _flen(__qyStrLoad(&data));
    if (length <= 40) return cat(__qyStrConcat(kstr("["), data), "]");
    int whole = __qyStrCompare(data, long_text(length)) == 0;
    return catn(cat(catn(kstr("len "), length), " whole "), whole);
}

/* Prints "TYPE DATA from NAME to NAME" for the current message. */
static inline void print_msg(void) {
    qyStr *line = cat(__qyStrFromInt(_fnetmsgtype()), " ");
    line = __qyStrConcat(line, data_text());
    line = __qyStrConcat(cat(line, " from "), _fnetplayername(_fnetmsgfrom()));
    line = __qyStrConcat(cat(line, " to "), _fnetplayername(_fnetmsgto()));
    kprints(line);
}

/* Waits for the next message and prints it, or "nothing came". */
static inline int expect_msg(void) {
    if (!await_msg()) {
        kprint("nothing came");
        return 0;
    }
    print_msg();
    return 1;
}

#endif
