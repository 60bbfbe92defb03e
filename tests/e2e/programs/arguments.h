/* Programs that talk to a test's peers get their numbers (the scenario,
 * ports) as the words of the command line. */
#ifndef ARGUMENTS_H
#define ARGUMENTS_H

#include <korva.h>

#define LOOPBACK 2130706433 /* 127.0.0.1 */

/* Word n of the command line, counting from 0, as an integer. */
static inline int argument(int n) {
    int start = 1;
    for (; n > 0; --n) start = _finstr(_fcommandline(), kstr(" "), start) + 1;
    return __qyStrToInt(_fmid(_fcommandline(), start, -1));
}

/* Prints "label value". */
static inline void kprintl(const char *label, int value) { kprint2(label, __qyStrConcat(kstr(" "), __qyStrFromInt(value))); }

#endif
