/* Small conveniences for C programs; included at the end of korva.h. */
#ifndef KORVA_HELPERS_H
#define KORVA_HELPERS_H

/* A new runtime string holding a copy of a C text. */
static inline qyStr *kstr(const char *text) { return __qyStrConst(text); }

/* Print lines through DebugLog (korva-run shows them on standard output). */
static inline void kprint(const char *text) { _fdebuglog(__qyStrConst(text)); }
static inline void kprints(qyStr *text) { _fdebuglog(text); }
static inline void kprinti(int value) { _fdebuglog(__qyStrFromInt(value)); }
static inline void kprintf(float value) { _fdebuglog(__qyStrFromFloat(value)); }

/* Joins two C texts into one printed line: kprint2("score ", __qyStrFromInt(n)). */
static inline void kprint2(const char *label, qyStr *value) { _fdebuglog(__qyStrConcat(__qyStrConst(label), value)); }

#endif
