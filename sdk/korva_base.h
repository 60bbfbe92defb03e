/* Korva SDK: the hand-written half of korva.h. Programs written in C against
 * the runtime's ABI include korva.h, are
 * compiled with the flags the README gives (32-bit, no position-independent
 * code, freestanding, 4-byte stack alignment), define their entry as
 * `void __MAIN(void)` and turn their objects into a module image with
 * korva-mkimage. */
#ifndef KORVA_BASE_H
#define KORVA_BASE_H

/* A runtime string. A null pointer is the empty string. A string given to a
 * command belongs to the command; a string a command returns belongs to the
 * caller, who stores it or releases it with __qyStrRelease. */
typedef struct qyStr qyStr;

#endif
