/* Loaded with LD_PRELOAD in front of the C library: reports on standard
 * error when the allocator is entered with a stack that is not aligned to
 * 16 bytes at the call, as the i386 ABI requires and library code (SDL,
 * FreeType, FreeImage) relies on. Nearly every path from a command into a
 * library allocates, so a command entered from compiled code (4-byte
 * alignment only) that forgets to realign shows up here. */
#include <stddef.h>
#include <stdint.h>
#include <unistd.h>

void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);

static void check(uintptr_t frame) {
    static int reported;
    /* The frame pointer sits 8 bytes below the stack pointer at the call:
     * the return address and the caller's frame pointer. */
    if (((frame + 8) & 15) == 0 || reported) return;
    static const char message[] = "stack probe: allocator entered with a misaligned stack\n";
    reported = 1;
    if (write(2, message, sizeof message - 1) < 0) reported = 2;
}

void *malloc(size_t size) {
    check((uintptr_t)__builtin_frame_address(0));
    return __libc_malloc(size);
}

void *calloc(size_t count, size_t size) {
    check((uintptr_t)__builtin_frame_address(0));
    return __libc_calloc(count, size);
}

void *realloc(void *block, size_t size) {
    check((uintptr_t)__builtin_frame_address(0));
    return __libc_realloc(block, size);
}
