/* Null strings handed to the string routines and to commands read as the
 * empty string; results made from nothing are empty, and no node is lost or
 * released twice on the way. */
#include <korva.h>

static qyStr *never;

/* "[text]"; null prints as "[]" too. */
static void show(const char *label, qyStr *text) {
    kprint2(label, __qyStrConcat(__qyStrConcat(kstr("["), text), kstr("]")));
}

static void sign(const char *label, int value) {
    kprint2(label, __qyStrFromInt(value < 0 ? -1 : value > 0 ? 1 : 0));
}

void __MAIN(void) {
    qyStr *empty;
    show("concat null b ", __qyStrConcat(0, kstr("b")));
    show("concat a null ", __qyStrConcat(kstr("a"), 0));
    empty = __qyStrConcat(0, 0);
    kprint2("concat null null is a string ", __qyStrFromInt(empty != 0));
    show("concat null null ", empty);
    sign("compare null empty ", __qyStrCompare(0, kstr("")));
    sign("compare null a ", __qyStrCompare(0, kstr("a")));
    sign("compare a null ", __qyStrCompare(kstr("a"), 0));
    sign("compare null null ", __qyStrCompare(0, 0));
    kprinti(__qyStrToInt(0));
    kprintf(__qyStrToFloat(0));
    __qyStrRelease(0);
    __qyStrStore(&never, 0);
    empty = __qyStrLoad(&never);
    kprint2("load of null is a string ", __qyStrFromInt(empty != 0));
    __qyStrRelease(empty);

    /* Commands */
    kprinti(_flen(0));
    kprinti(_fasc(0));
    kprinti(_finstr(0, 0, 1));
    kprinti(_finstr(kstr("abc"), 0, 2));
    show("upper ", _fupper(0));
    show("mid ", _fmid(0, 2, -1));
    show("replace ", _freplace(0, kstr("a"), kstr("b")));
    show("replace from null ", _freplace(kstr("abc"), 0, kstr("x")));
    show("replace to null ", _freplace(kstr("abca"), kstr("a"), 0));
    show("string ", _fstring(0, 3));
    show("lset ", _flset(0, 2));
    kprinti(_fstringwidth(0));
    _ftext(0, 0, 0, 0, 0);
    _fdebuglog(0);
    _fruntimestats();
}
