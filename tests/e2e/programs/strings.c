/* The string routines as compiled code uses them: conversions run with the
 * x87 at single precision, as every program does. */
#include <korva.h>

static qyStr *global;

static void printCompare(const char *a, const char *b) {
    int result = __qyStrCompare(kstr(a), kstr(b));
    kprint(result < 0 ? "less" : result > 0 ? "greater" : "equal");
}

void __MAIN(void) {
    static const float values[] = {1.0f, 0.5f, 0.0f, -1.5f, 0.1f, 0.001f, 0.0001f, 0.00015f, 3.14159274f,
                                   100000.0f, 12345678.0f, 123456789.0f, 1000000000.0f, -2.5e10f};
    unsigned i;
    for (i = 0; i < sizeof values / sizeof values[0]; ++i) kprintf(values[i]);

    kprinti(__qyStrToInt(kstr("  -12abc")));
    kprinti(__qyStrToInt(kstr("0x10")));
    kprinti(__qyStrToInt(kstr("-2147483648")));
    kprinti(__qyStrToInt(kstr("4294967297")));
    kprintf(__qyStrToFloat(kstr("1e3")));
    kprintf(__qyStrToFloat(kstr(".5")));
    kprintf(__qyStrToFloat(kstr("2.5d2")));
    kprintf(__qyStrToFloat(kstr("words")));

    printCompare("abc", "abcd");
    printCompare("b", "abc");
    printCompare("", "");
    printCompare("\310", "z");

    /* A variable loaded while it holds null gives an empty, live string. */
    kprint2("[", __qyStrConcat(__qyStrLoad(&global), kstr("]")));
    __qyStrStore(&global, kstr("kept"));
    kprints(__qyStrConcat(__qyStrLoad(&global), kstr(" twice")));
    kprints(__qyStrLoad(&global));
    __qyStrStore(&global, 0);
    __qyStrRelease(0);
}
