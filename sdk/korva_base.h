/* Korva SDK: the hand-written half of korva.h. Programs written in C against
 * the runtime's ABI include korva.h, are
 * compiled with the flags the README gives (32-bit, no position-independent
 * code, freestanding, 4-byte stack alignment), define their entry as
 * `void __MAIN(void)` and turn their objects into a module image with
 * korva-mkimage. sdk/README.md explains strings, user types, arrays and
 * graphics modes in full. */
#ifndef KORVA_BASE_H
#define KORVA_BASE_H

/* A runtime string. A string given to a command or routine belongs to it; a
 * string a command or routine returns belongs to the caller, who stores it
 * (__qyStrStore) or releases it (__qyStrRelease).
 *
 * A null pointer is the empty string wherever a string is passed: every
 * command, and the routines __qyStrRelease, __qyStrStore, __qyStrCompare,
 * __qyStrConcat, __qyStrToInt and __qyStrToFloat, read null as "".
 * __qyStrLoad of a variable holding null gives a new empty string; the
 * routines that make strings never return null, while commands that work on
 * their argument in place (Left, Mid, Upper, Replace, ...) return null for a
 * null argument. */
typedef struct qyStr qyStr;

/* User types. Every object starts with this header, which the runtime owns;
 * the program reads only `fields`, which is null once the object has been
 * deleted (an object still held by a variable keeps its storage until the
 * last reference goes). The fields follow the header, 4 bytes each, in
 * declaration order: int, float, qyStr * (null until assigned), a pointer to
 * another object (null until assigned), or a pointer to a vector's storage
 * (allocated with the object). */
struct korva_object {
    void *fields;
    void *next;
    void *prev;
    void *type;
    int refs;
};

/* The record of a user type with FIELD_COUNT fields. The runtime links the
 * type's objects through it, so it must be a writable static variable,
 * initialised with KORVA_USER_TYPE_INIT and passed to __qyObjNew,
 * __qyObjFirst, __qyObjDeleteEach, ... by address:
 *
 *     KORVA_USER_TYPE(PointType, 3);
 *     static struct PointType tPoint =
 *         KORVA_USER_TYPE_INIT(tPoint, 3, &__qyIntType, &__qyFltType, &__qyStrType);
 *     struct Point { struct korva_object header; int x; float y; qyStr *name; };
 *
 * A field's type is &__qyIntType, &__qyFltType, &__qyStrType, the address of
 * a user type's record (an object field) or of a vector type's record. */
#define KORVA_USER_TYPE(NAME, FIELD_COUNT) \
    struct NAME {                          \
        int kind;                          \
        struct korva_object used;          \
        struct korva_object free;          \
        int fieldCount;                    \
        const void *fieldTypes[FIELD_COUNT]; \
    }

/* An empty list of a type record: a header linked to itself. */
#define KORVA_OBJECT_LIST(LIST) {0, &(LIST), &(LIST), 0, 0}

#define KORVA_USER_TYPE_INIT(RECORD, FIELD_COUNT, ...) \
    {5, KORVA_OBJECT_LIST((RECORD).used), KORVA_OBJECT_LIST((RECORD).free), FIELD_COUNT, {__VA_ARGS__}}

/* A fixed-size vector field (name$[2] has 3 elements): the field points at
 * COUNT 4-byte elements of the given type, zeroed when the object is made.
 *     static const struct korva_vector_type tTags = {6, 3, &__qyStrType}; */
struct korva_vector_type {
    int kind; /* 6 */
    int count;
    const void *elementType;
};

/* The mode argument of _fgraphics(width, height, depth, mode). */
enum {
    KORVA_GRAPHICS_AUTO = 0,          /* a fixed window under a debugger (korva-run), else full screen */
    KORVA_GRAPHICS_FULL_SCREEN = 1,   /* a listed display mode (depth 0: 16), scaled to the desktop, aspect kept */
    KORVA_GRAPHICS_WINDOW = 2,        /* a fixed width x height window */
    KORVA_GRAPHICS_SCALED_WINDOW = 3, /* a resizable window, the frame stretched over it */
};

#endif
