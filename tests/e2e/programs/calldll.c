/* CallDLL into the test library whose path is the command line. */
#include <korva.h>

static void print_bytes(const char *label, int bank) {
    qyStr *text = kstr(label);
    for (int i = 0; i < _fbanksize(bank); ++i) text = __qyStrConcat(__qyStrConcat(text, kstr(" ")), __qyStrFromInt(_fpeekbyte(bank, i)));
    kprints(text);
}

void __MAIN(void) {
    int in = _fcreatebank(3);
    int out = _fcreatebank(4);
    for (int i = 0; i < 3; ++i) _fpokebyte(in, i, 10 * (i + 1));
    for (int round = 0; round < 2; ++round) {
        kprint2("cdecl ", __qyStrFromInt(_fcalldll(_fcommandline(), kstr("sum_bytes"), in, out)));
        kprint2("sum ", __qyStrFromInt(_fpeekint(out, 0)));
        kprint2("stdcall ", __qyStrFromInt(_fcalldll(_fcommandline(), kstr("reverse_bytes"), in, out)));
        print_bytes("reversed", out);
    }
    kprint2("no banks ", __qyStrFromInt(_fcalldll(_fcommandline(), kstr("reverse_bytes"), 0, 0)));
    kprint2("no function ", __qyStrFromInt(_fcalldll(_fcommandline(), kstr("missing"), in, out)));
    kprint2("faulting child ", __qyStrFromInt(_fcalldll(_fcommandline(), kstr("fault_in_child"), 0, 0)));
    kprint2("no library ", __qyStrFromInt(_fcalldll(kstr("/nowhere/libnothing.so"), kstr("sum_bytes"), in, out)));
}
