/* Calls commands with the stack aligned to 4 bytes only, as compiled code
 * may: the float and string routines must still work. */
#include <korva.h>

static qyStr *fromFloatMisaligned(float value) {
    qyStr *result;
    __asm__ volatile(
        "mov %%esp, %%esi\n\t"
        "and $-16, %%esp\n\t"
        "sub $8, %%esp\n\t"     /* 16-byte aligned minus 8 ... */
        "sub $4, %%esp\n\t"     /* ... minus 4 after the push below: 4 mod 16 */
        "push %1\n\t"
        "call __qyStrFromFloat\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(result)
        : "r"(value)
        : "esi", "ecx", "edx", "memory");
    return result;
}

void __MAIN(void) {
    kprints(fromFloatMisaligned(1234.5f));
    kprints(fromFloatMisaligned(0.00015f));
}
