/* The string commands as a program sees them. */
#include <korva.h>

/* Prints LABEL[TEXT] so that empty texts and edge spaces show. */
static void show(const char *label, qyStr *text) {
    kprint2(label, __qyStrConcat(__qyStrConcat(kstr("["), text), kstr("]")));
}

void __MAIN(void) {
    show("left ", _fleft(kstr("hello"), 2));
    show("left99 ", _fleft(kstr("hello"), 99));
    show("right ", _fright(kstr("hello"), 3));
    show("mid7 ", _fmid(kstr("abcde"), 7, -1));
    show("mid2,10 ", _fmid(kstr("abcde"), 2, 10));
    show("mid3 ", _fmid(kstr("abcde"), 3, -1));
    kprint2("instr4 ", __qyStrFromInt(_finstr(kstr("abcabc"), kstr("c"), 4)));
    kprint2("instr1 ", __qyStrFromInt(_finstr(kstr("abcabc"), kstr("c"), 1)));
    kprint2("instr none ", __qyStrFromInt(_finstr(kstr("abcabc"), kstr("x"), 1)));
    kprint2("instr empty ", __qyStrFromInt(_finstr(kstr("abc"), kstr(""), 4)));
    show("replace ", _freplace(kstr("aaa"), kstr("a"), kstr("aa")));
    show("replace inserted ", _freplace(kstr("x-y-z"), kstr("-"), kstr("<->")));
    show("upper ", _fupper(kstr("Mixed Case \xe9\xc9 1!")));
    show("lower ", _flower(kstr("Mixed Case \xe9\xc9 1!")));
    show("trim ", _ftrim(kstr(" \t padded text \r\n")));
    show("lset ", _flset(kstr("ab"), 4));
    show("rset ", _frset(kstr("ab"), 4));
    show("rset cut ", _frset(kstr("abcdef"), 2));
    kprint2("len chr0 ", __qyStrFromInt(_flen(_fchr(0))));
    show("chr321 ", _fchr(321));
    kprint2("asc chr200 ", __qyStrFromInt(_fasc(_fchr(200))));
    kprint2("asc empty ", __qyStrFromInt(_fasc(kstr(""))));
    show("hex-1 ", _fhex(-1));
    show("bin5 ", _fbin(5));
    show("string ", _fstring(kstr("ab"), 3));
    show("string0 ", _fstring(kstr("ab"), 0));
    kprints(_fcurrentdate());
    kprints(_fcurrenttime());
}
