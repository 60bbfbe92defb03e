/* Ends in the way its command line names, to check how each kind of
 * failure reaches the user. */
#include <korva.h>

static volatile int zero = 0;

#pragma GCC diagnostic ignored "-Winfinite-recursion"
static int recurse(int depth) {
    volatile char pad[256];
    pad[0] = (char)depth;
    return recurse(depth + 1) + pad[0];
}

static qyStr *repeated(char c, int count) {
    char text[301];
    int i;
    for (i = 0; i < count && i < 300; ++i) text[i] = c;
    text[i] = 0;
    return kstr(text);
}

void __MAIN(void) {
    int which = __qyStrToInt(_fcommandline());
    kprint("before");
    switch (which) {
        case 1: kprinti(10 / zero); break;
        case 2: kprinti(*(volatile int *)16); break;
        case 3: kprinti(recurse(0)); break;
        case 4: __asm__ volatile("ud2"); break;
        case 5: _fruntimeerror(__qyStrConcat(kstr("X"), repeated('a', 299))); break;
        case 6: _fend(); break;
        case 8: __asm__ volatile("int3"); break;
        case 9: __asm__ volatile("mov $0x7fffffff, %%eax\n\tadd $1, %%eax\n\tinto" ::: "eax", "cc"); break;
        case 10: {
            static const int bounds[2] = {0, 9};
            __asm__ volatile("mov $10, %%eax\n\tbound %%eax, %0" : : "m"(bounds) : "eax");
            break;
        }
        case 11: __asm__ volatile("hlt"); break;
        case 12: kprints(_fstring(kstr("abcd"), 2000000000)); break;
        case 7: {
            volatile float one = 1.0f, none = 0.0f;
            kprintf(one / none);
            kprintf(-one / none);
            break;
        }
    }
    kprint("after");
}
