/* Programs that work on files get a folder from the test as their command
 * line; the test also leaves the number of the scenario to run in the text
 * file FOLDER/mode. */
#ifndef TEST_FOLDER_H
#define TEST_FOLDER_H

#include <korva.h>

/* FOLDER/name; name starts with "/" (or "\"). */
static inline qyStr *in_folder(const char *name) { return __qyStrConcat(_fcommandline(), kstr(name)); }

static inline int scenario(void) {
    int mode_file = _freadfile(in_folder("/mode"));
    int mode = __qyStrToInt(_freadline(mode_file));
    _fclosefile(mode_file);
    return mode;
}

/* Prints "label[text]". */
static inline void kprintq(const char *label, qyStr *text) { kprint2(label, __qyStrConcat(__qyStrConcat(kstr("["), text), kstr("]"))); }

#endif
