/* Banks: sizes, growth and shrinking, byte order, copying, streams, and the
 * debugger's checks. */
#include "test_folder.h"

static void print_bytes(const char *label, int bank, int from, int count) {
    qyStr *text = kstr(label);
    for (int i = from; i < from + count; ++i) text = __qyStrConcat(__qyStrConcat(text, kstr(" ")), __qyStrFromInt(_fpeekbyte(bank, i)));
    kprints(text);
}

static void sizes(void) {
    int bank = _fcreatebank(10);
    kprint2("size ", __qyStrFromInt(_fbanksize(bank)));
    print_bytes("new", bank, 0, 10);
    for (int i = 0; i < 10; ++i) _fpokebyte(bank, i, i + 1);
    _fresizebank(bank, 20);
    kprint2("grown ", __qyStrFromInt(_fbanksize(bank)));
    print_bytes("grown", bank, 0, 20);
    _fresizebank(bank, 5);
    _fresizebank(bank, 10);
    print_bytes("regained", bank, 0, 10);
    _fresizebank(bank, 1000);
    _fpokebyte(bank, 999, 7);
    _fresizebank(bank, 3);
    _fresizebank(bank, 1000);
    print_bytes("far", bank, 0, 4);
    print_bytes("end", bank, 996, 4);
    _ffreebank(bank);
    _ffreebank(bank); /* freed before: nothing happens */
    int empty = _fcreatebank(0);
    kprint2("empty ", __qyStrFromInt(_fbanksize(empty)));
    _fresizebank(empty, 3);
    print_bytes("from empty", empty, 0, 3);
    kprint2("negative ", __qyStrFromInt(_fbanksize(_fcreatebank(-5))));
}

static void values(void) {
    int bank = _fcreatebank(10);
    _fpokeint(bank, 0, 305419896);
    print_bytes("int", bank, 0, 4);
    kprint2("short ", __qyStrFromInt(_fpeekshort(bank, 0)));
    kprint2("byte 3 ", __qyStrFromInt(_fpeekbyte(bank, 3)));
    _fpokeshort(bank, 4, -1);
    print_bytes("short -1", bank, 4, 2);
    kprint2("peek short ", __qyStrFromInt(_fpeekshort(bank, 4)));
    _fpokebyte(bank, 6, 300);
    kprint2("byte 300 ", __qyStrFromInt(_fpeekbyte(bank, 6)));
    _fpokefloat(bank, 5, -2.5f);
    kprint2("float ", __qyStrFromFloat(_fpeekfloat(bank, 5)));
    kprint2("int at 6 ", __qyStrFromInt(_fpeekint(bank, 6)));
    _fpokeint(bank, 6, -1);
    kprint2("int -1 ", __qyStrFromInt(_fpeekint(bank, 6)));
    _ffreebank(bank);
}

static void copying(void) {
    int bank = _fcreatebank(8);
    for (int i = 0; i < 5; ++i) _fpokebyte(bank, i, i + 1);
    _fcopybank(bank, 0, bank, 1, 4);
    print_bytes("shifted up", bank, 0, 5);
    _fcopybank(bank, 1, bank, 0, 4);
    print_bytes("shifted down", bank, 0, 5);
    int other = _fcreatebank(4);
    _fcopybank(bank, 4, other, 0, 4);
    print_bytes("other", other, 0, 4);
    _fcopybank(bank, 8, other, 4, 0); /* empty ranges at the ends */
}

static void streams(void) {
    int bank = _fcreatebank(6);
    for (int i = 0; i < 6; ++i) _fpokebyte(bank, i, 'a' + i);
    int out = _fwritefile(in_folder("/bank.bin"));
    kprint2("written ", __qyStrFromInt(_fwritebytes(bank, out, 1, 4)));
    _fclosefile(out);
    int in = _freadfile(in_folder("/bank.bin"));
    int back = _fcreatebank(8);
    kprint2("read ", __qyStrFromInt(_freadbytes(back, in, 2, 6)));
    kprint2("at end ", __qyStrFromInt(_freadbytes(back, in, 8, 0)));
    _fclosefile(in);
    print_bytes("back", back, 0, 8);
}

void __MAIN(void) {
    int bank = _fcreatebank(10);
    switch (scenario()) {
        case 0:
            sizes();
            values();
            copying();
            streams();
            break;
        case 1: kprinti(_fpeekint(bank, 7)); break;
        case 2: _fpokeint(bank, 7, 1); break;
        case 3: kprinti(_fpeekbyte(bank, -1)); break;
        case 4: _fcopybank(bank, 0, bank, 5, 6); break;
        case 5: _fcopybank(bank, 0, bank, 0, -1); break;
        case 6: kprinti(_fbanksize(12345)); break;
        case 7:
            _ffreebank(bank);
            kprinti(_fpeekbyte(bank, 0));
            break;
        case 8: kprinti(_freadbytes(bank, 12345, 0, 4)); break;
        case 9: kprinti(_freadbytes(bank, 12345, 8, 4)); break; /* the range is checked first */
        case 10: kprinti(_fcalldll(kstr("libm.so.6"), kstr("abs"), bank, 12345)); break;
    }
    kprint("done");
}
