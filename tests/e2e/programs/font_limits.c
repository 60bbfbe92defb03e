/* LoadFont asked for more than a font may cost returns 0 at once; the
 * command line names a crafted font file. */
#include <korva.h>

static void attempt(qyStr *name, int height) {
    int start = _fmillisecs();
    kprinti(_floadfont(name, height, 0, 0, 0));
    kprinti(_fmillisecs() - start < 3000);
}

void __MAIN(void) {
    attempt(kstr("courier"), 5000);
    attempt(kstr("courier"), -2147483647 - 1);
    attempt(_fcommandline(), 12);
    kprinti(_floadfont(kstr("courier"), 200, 0, 0, 0) != 0);
}
