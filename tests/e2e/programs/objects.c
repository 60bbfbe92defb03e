/* User types, Dim arrays, vectors, data statements and the arithmetic
 * helpers, with every record laid out as the compiler lays it out (the user
 * types through the SDK's macros). The command line names the part to run. */
#include <korva.h>

/* Type Point: x%, y#, name$ */
KORVA_USER_TYPE(PointType, 3);
static struct PointType tPoint = KORVA_USER_TYPE_INIT(tPoint, 3, &__qyIntType, &__qyFltType, &__qyStrType);
struct Point {
    struct korva_object header;
    int x;
    float y;
    qyStr *name;
};

/* Type Rock: size% (only to have a second type) */
KORVA_USER_TYPE(RockType, 1);
static struct RockType tRock = KORVA_USER_TYPE_INIT(tRock, 1, &__qyIntType);

/* Type Link: id%, next.Link, tags$[2] */
static const struct korva_vector_type tTags = {6, 3, &__qyStrType};
KORVA_USER_TYPE(LinkType, 3);
static struct LinkType tLink = KORVA_USER_TYPE_INIT(tLink, 3, &__qyIntType, &tLink, &tTags);
struct Link {
    struct korva_object header;
    int id;
    struct Link *next;
    qyStr **tags;
};

/* Dim arrays: names$(3), grid#(3, 4) */
struct Array1 {
    void *storage;
    int kind;
    int dimensions;
    int sizes[1];
};
struct Array2 {
    void *storage;
    int kind;
    int dimensions;
    int sizes[2];
};
static struct Array1 aNames = {0, 3, 1, {0}};
static struct Array2 aGrid = {0, 2, 2, {0, 0}};
static struct Array1 aShips = {0, 5, 1, {0}};

/* Data 7, 2.9, "12abc", -2.9 : then the end of data */
struct DataEntry {
    int kind;
    const void *value;
};
static const struct DataEntry dataTable[] = {
    {1, (const void *)7},
    {2, (const void *)0x4039999a}, /* 2.9 */
    {4, "12abc"},
    {2, (const void *)0xc039999a}, /* -2.9 */
    {0, 0},
};
static const struct DataEntry badData[] = {{3, 0}};

static void stats(const char *when) {
    kprint(when);
    _fruntimestats();
}

static struct Point *newPoint(int x, const char *name) {
    struct Point *p = __qyObjNew(&tPoint);
    p->x = x;
    __qyStrStore(&p->name, kstr(name));
    return p;
}

static void printPoints(const char *label) {
    qyStr *line = kstr(label);
    struct Point *p;
    for (p = __qyObjFirst(&tPoint); p; p = __qyObjNext(p))
        line = __qyStrConcat(__qyStrConcat(line, kstr(" ")), __qyStrLoad(&p->name));
    kprints(line);
}

static void counting(void) {
    struct Point *held = 0;
    int i;
    stats("start");
    __qyObjDelete(newPoint(1, "a"));
    newPoint(2, "b");
    newPoint(3, "c");
    stats("three made, one deleted");
    __qyObjStore(&held, __qyObjFirst(&tPoint));
    __qyObjDeleteEach(&tPoint);
    stats("all deleted, one held");
    __qyObjStore(&held, 0);
    stats("released");

    aNames.sizes[0] = 3;
    __qyDimArray(&aNames);
    for (i = 0; i < aNames.sizes[0]; ++i) __qyStrStore(&((qyStr **)aNames.storage)[i], __qyStrFromInt(i));
    stats("strings in an array");
    __qyUndimArray(&aNames);
    stats("undimensioned");
}

static void lifetime(void) {
    struct Point *held = 0;
    struct Point *a = newPoint(1, "a");
    struct Point *b = newPoint(2, "b");
    struct Point *c;
    __qyObjStore(&held, a);
    __qyObjDelete(a);
    printPoints("after delete:");
    kprint2("held equals null: ", __qyStrFromInt(__qyObjCompare(held, 0) == 0));
    c = __qyObjNew(&tPoint);
    kprint2("new while held reuses it: ", __qyStrFromInt(c == a));
    __qyObjStore(&held, 0);
    __qyObjDelete(b);
    __qyObjDelete(c);
    /* the block's 509 untouched objects come first, then the freed ones in
     * the order they were freed */
    {
        int i, firstReuse = -1;
        for (i = 0; i < 512 && firstReuse < 0; ++i) {
            struct Point *p = __qyObjNew(&tPoint);
            if (p == a || p == b || p == c) firstReuse = i;
            if (firstReuse >= 0) kprint2("first reused is a: ", __qyStrFromInt(p == a));
        }
        kprint2("reused after fresh ones: ", __qyStrFromInt(firstReuse));
    }
    __qyObjDeleteEach(&tPoint);
}

static void ordering(void) {
    struct Point *p1 = newPoint(1, "p1");
    struct Point *p2 = newPoint(2, "p2");
    struct Point *p3 = newPoint(3, "p3");
    printPoints("made:");
    __qyObjInsBefore(p3, p1);
    printPoints("p3 before p1:");
    __qyObjInsAfter(p3, p2);
    printPoints("p3 after p2:");
    __qyObjInsAfter(p2, p2);
    printPoints("p2 after itself:");
    __qyObjInsAfter(p1, p3);
    printPoints("p1 after p3:");
    kprint2("last: ", __qyStrLoad(&((struct Point *)__qyObjLast(&tPoint))->name));
    kprint2("before last: ", __qyStrLoad(&((struct Point *)__qyObjPrev(__qyObjLast(&tPoint)))->name));
}

static void handles(void) {
    struct Point *p = newPoint(1, "p");
    void *rock = __qyObjNew(&tRock);
    int hp = __qyObjToHandle(p);
    kprint2("handle: ", __qyStrFromInt(hp));
    kprint2("again: ", __qyStrFromInt(__qyObjToHandle(p)));
    kprint2("rock: ", __qyStrFromInt(__qyObjToHandle(rock)));
    kprint2("found: ", __qyStrFromInt(__qyObjFromHandle(hp, &tPoint) == p));
    kprint2("as rock: ", __qyStrFromInt(__qyObjFromHandle(hp, &tRock) == 0));
    kprint2("never issued: ", __qyStrFromInt(__qyObjFromHandle(99, &tPoint) == 0));
    __qyObjDelete(p);
    kprint2("after delete: ", __qyStrFromInt(__qyObjFromHandle(hp, &tPoint) == 0));
    kprint2("deleted object: ", __qyStrFromInt(__qyObjToHandle(p)));
    kprint2("null: ", __qyStrFromInt(__qyObjToHandle(0)));
}

static void dumps(void) {
    struct Point *p = newPoint(1, "hi");
    struct Link *first = __qyObjNew(&tLink);
    struct Link *second = __qyObjNew(&tLink);
    p->y = 2.5f;
    kprints(__qyObjToStr(p));
    first->id = 1;
    second->id = 2;
    __qyObjStore(&first->next, second);
    __qyObjStore(&second->next, first);
    __qyStrStore(&first->tags[2], kstr("tag"));
    kprints(__qyObjToStr(first));
    __qyObjStore(&second->next, second);
    kprints(__qyObjToStr(first));
    kprints(__qyObjToStr(0));
    stats("with a tag");
    __qyObjDeleteEach(&tLink);
    stats("links deleted");
}

static void arrays(void) {
    struct Point *ship = newPoint(1, "ship");
    float *grid;
    int i, nonzero = 0;
    aGrid.sizes[0] = 3;
    aGrid.sizes[1] = 4;
    kprint2("dim returns ", __qyStrFromInt(__qyDimArray(&aGrid)));
    kprint2("size words ", __qyStrConcat(__qyStrConcat(__qyStrFromInt(aGrid.sizes[0]), kstr(" ")),
                                           __qyStrFromInt(aGrid.sizes[1])));
    grid = aGrid.storage;
    for (i = 0; i < aGrid.sizes[1]; ++i) nonzero += grid[i] != 0.0f;
    kprint2("nonzero elements ", __qyStrFromInt(nonzero));
    __qyUndimArray(&aGrid);
    kprint2("undimensioned: ", __qyStrFromInt(aGrid.storage == 0));
    __qyUndimArray(&aGrid);

    aShips.sizes[0] = 2;
    __qyDimArray(&aShips);
    __qyObjStore(&((void **)aShips.storage)[0], ship);
    __qyObjStore(&((void **)aShips.storage)[2], ship);
    __qyObjDelete(ship);
    stats("ship deleted, held twice");
    __qyUndimArray(&aShips);
    stats("ships undimensioned");
}

static void data(void) {
    __qyRestore(dataTable);
    kprinti(__qyReadInt());
    kprinti(__qyReadInt());
    kprinti(__qyReadInt());
    kprinti(__qyReadInt());
    __qyRestore(dataTable);
    kprintf(__qyReadFloat());
    kprintf(__qyReadFloat());
    kprintf(__qyReadFloat());
    kprintf(__qyReadFloat());
    __qyRestore(dataTable);
    kprints(__qyReadStr());
    kprints(__qyReadStr());
    kprints(__qyReadStr());
    kprints(__qyReadStr());
    stats("read");
    kprints(__qyReadStr());
}

static void arithmetic(void) {
    kprinti(__qyAbs(-2147483647 - 1));
    kprinti(__qySgn(-9));
    kprinti(__qyMod(7, -2));
    kprinti(__qyMod(-7, 2));
    kprintf(__qyFAbs(-1.5f));
    kprintf(__qyFSgn(-0.0f));
    kprintf(__qyFMod(-7.5f, 2.0f));
    kprintf(__qyFPow(2.0f, 0.5f));
    kprinti(__qyMod(1, 0));
}

void __MAIN(void) {
    int which = __qyStrToInt(_fcommandline());
    switch (which) {
        case 1: counting(); break;
        case 2: lifetime(); break;
        case 3: ordering(); break;
        case 4: handles(); break;
        case 5: dumps(); break;
        case 6: arrays(); break;
        case 7: data(); break;
        case 8: arithmetic(); break;
        case 9: __qyNullObjEx(); break;
        case 10: __qyArrayBoundsEx(); break;
        case 11: __qyVecBoundsEx(); break;
        case 12: __qyRestore(badData); kprinti(__qyReadInt()); break;
        case 13: kprinti(__qyReadInt()); break;
    }
    kprint("after");
}
