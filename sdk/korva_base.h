/* Korva SDK: the hand-written half of korva.h. Programs written in C against
 * the runtime's ABI include korva.h, compile with
 *   gcc -m32 -fno-pic -fno-pie -ffreestanding -fno-builtin -fno-stack-protector
 *       -fno-asynchronous-unwind-tables -fno-common -c program.c
 * define their entry as `void __MAIN(void)` and turn the object into a module
 * image with korva-mkimage. */
#ifndef KORVA_BASE_H
#define KORVA_BASE_H

/* A runtime string. A null pointer is the empty string. A string given to a
 * command belongs to the command; a string a command returns belongs to the
 * caller, who stores it or releases it with __qyStrRelease. */
typedef struct qyStr qyStr;

#endif
