/* File streams, positions, directory listings and the file-system commands
 * on a folder the test prepared. */
#include "test_folder.h"

static void opening(void) {
    kprint2("read missing ", __qyStrFromInt(_freadfile(in_folder("/missing.bin"))));
    kprint2("open missing ", __qyStrFromInt(_fopenfile(in_folder("/missing.bin"))));
    int created = _fwritefile(in_folder("/created.bin"));
    kprint2("created ", __qyStrFromInt(created != 0));
    _fclosefile(created);
    kprint2("created size ", __qyStrFromInt(_ffilesize(in_folder("/created.bin"))));

    int truncated = _fwritefile(in_folder("/hundred.bin"));
    kprint2("truncated at once ", __qyStrFromInt(_ffilesize(in_folder("/hundred.bin"))));
    _fclosefile(truncated);

    int update = _fopenfile(in_folder("/data.bin"));
    _fwritebyte(update, 65);
    _fclosefile(update);
}

static void print_state(int file) {
    kprint2("  avail ", __qyStrFromInt(_freadavail(file)));
}

/* data.bin holds the bytes 0..99, its first one now 65. Only bytes read ahead
 * and not yet delivered count as available: none after a seek or a position
 * query, none while writing. */
static void positions(void) {
    int file = _freadfile(in_folder("/data.bin"));
    print_state(file);
    kprint2("byte ", __qyStrFromInt(_freadbyte(file)));
    print_state(file);
    kprint2("seek ", __qyStrFromInt(_fseekfile(file, 10)));
    print_state(file);
    kprint2("eof ", __qyStrFromInt(_feof(file)));
    print_state(file);
    kprint2("int ", __qyStrFromInt(_freadint(file)));
    print_state(file);
    kprint2("pos ", __qyStrFromInt(_ffilepos(file)));
    print_state(file);
    _fwritebyte(file, 1); /* read only: nothing happens */
    kprint2("pos after write ", __qyStrFromInt(_ffilepos(file)));
    kprint2("seek end ", __qyStrFromInt(_fseekfile(file, 100)));
    kprint2("eof ", __qyStrFromInt(_feof(file)));
    print_state(file);
    _fclosefile(file);

    file = _fopenfile(in_folder("/data.bin"));
    kprint2("seek ", __qyStrFromInt(_fseekfile(file, 10)));
    kprint2("byte ", __qyStrFromInt(_freadbyte(file)));
    print_state(file);
    kprint2("byte ", __qyStrFromInt(_freadbyte(file)));
    _fwritebyte(file, 200);
    print_state(file);
    kprint2("byte after write ", __qyStrFromInt(_freadbyte(file)));
    print_state(file);
    kprint2("pos ", __qyStrFromInt(_ffilepos(file)));
    _fwriteshort(file, 0x4241); /* "AB" over bytes 14 and 15 */
    kprint2("eof after write ", __qyStrFromInt(_feof(file)));
    print_state(file);
    kprint2("seek end ", __qyStrFromInt(_fseekfile(file, 100)));
    kprint2("eof ", __qyStrFromInt(_feof(file)));
    kprint2("seek before start ", __qyStrFromInt(_fseekfile(file, -1)));
    _fclosefile(file);

    file = _fwritefile(in_folder("/written.bin"));
    kprint2("eof ", __qyStrFromInt(_feof(file)));
    _fwriteint(file, 0x64636261);
    print_state(file);
    kprint2("read ", __qyStrFromInt(_freadbyte(file)));
    kprint2("pos ", __qyStrFromInt(_ffilepos(file)));
    kprint2("seek ", __qyStrFromInt(_fseekfile(file, 1)));
    _fwritebyte(file, 'B');
    _fclosefile(file);
}

/* A full disk: the writes that reach it fail, and Eof tells from then on. */
static void full_disk(void) {
    int file = _fwritefile(kstr("/dev/full"));
    _fwriteint(file, 7);
    kprint2("full eof ", __qyStrFromInt(_feof(file)));
    _fwritebyte(file, 7);
    kprint2("full eof ", __qyStrFromInt(_feof(file)));
    _fclosefile(file);
    file = _fwritefile(kstr("/dev/full"));
    int bank = _fcreatebank(100000);
    kprint2("full bulk ", __qyStrFromInt(_fwritebytes(bank, file, 0, 100000)));
    kprint2("full eof ", __qyStrFromInt(_feof(file)));
    _ffreebank(bank);
    _fclosefile(file);
    kprint2("write to a folder ", __qyStrFromInt(_fwritefile(_fcommandline())));
    kprint2("read a folder ", __qyStrFromInt(_freadfile(_fcommandline())));
}

static void paths(void) {
    int file = _freadfile(in_folder("\\Sub\\Inner.txt"));
    kprintq("backslashes", _freadline(file));
    _fclosefile(file);
    file = _freadfile(in_folder("/SUB/inner.TXT"));
    kprintq("wrong case", _freadline(file));
    _fclosefile(file);
    kprint2("type ", __qyStrFromInt(_ffiletype(in_folder("\\sub\\INNER.txt"))));
    kprint2("size ", __qyStrFromInt(_ffilesize(in_folder("/sub/inner.txt"))));
    /* a new file in a folder named in the wrong case lands in that folder */
    file = _fwritefile(in_folder("/SUB/New.txt"));
    _fwriteline(file, kstr("new"));
    _fclosefile(file);
}

static void listing(void) {
    _fcreatedir(in_folder("/list"));
    _fclosefile(_fwritefile(in_folder("/list/only.txt")));
    int dir = _freaddir(in_folder("/list"));
    for (int i = 0; i < 5; ++i) kprintq("entry", _fnextfile(dir));
    _fclosedir(dir);
    _fclosedir(dir); /* closing twice does nothing */
    kprint2("missing dir ", __qyStrFromInt(_freaddir(in_folder("/nowhere"))));
    kprint2("dir type ", __qyStrFromInt(_ffiletype(in_folder("/list"))));
    kprint2("dir size ", __qyStrFromInt(_ffilesize(in_folder("/list"))));
    kprint2("missing type ", __qyStrFromInt(_ffiletype(in_folder("/nowhere"))));
    kprint2("missing size ", __qyStrFromInt(_ffilesize(in_folder("/nowhere"))));
    kprint2("wildcard size ", __qyStrFromInt(_ffilesize(in_folder("/dat*.bin"))));
    _fdeletedir(in_folder("/list"));
    kprint2("full dir stays ", __qyStrFromInt(_ffiletype(in_folder("/list"))));
    _fdeletefile(in_folder("/list/only.txt"));
    _fdeletedir(in_folder("/list"));
    kprint2("empty dir goes ", __qyStrFromInt(_ffiletype(in_folder("/list"))));
    int root = _freaddir(kstr(""));
    kprint2("root listed ", __qyStrFromInt(root != 0));
    _fclosedir(root);
}

static void copying(void) {
    _fcopyfile(in_folder("/data.bin"), in_folder("/copy.bin"));
    kprint2("copy size ", __qyStrFromInt(_ffilesize(in_folder("/copy.bin"))));
    _fcopyfile(in_folder("/data.bin"), in_folder("/Data.BIN"));
    kprint2("onto itself ", __qyStrFromInt(_ffilesize(in_folder("/data.bin"))));
    _fdeletefile(in_folder("/copy.bin"));
    kprint2("deleted ", __qyStrFromInt(_ffiletype(in_folder("/copy.bin"))));
}

static void current_dir(void) {
    _fchangedir(_fcommandline());
    kprints(_fcurrentdir());
    int file = _freadfile(kstr("data.bin"));
    kprint2("relative ", __qyStrFromInt(file != 0));
    _fclosefile(file);
}

/* Left open for the module to close: the bytes must still reach the file. */
static void leave_open(void) {
    int file = _fwritefile(in_folder("/unclosed.bin"));
    _fwriteint(file, 1234);
    _freaddir(_fcommandline());
}

void __MAIN(void) {
    int dir;
    switch (scenario()) {
        case 0:
            opening();
            positions();
            full_disk();
            paths();
            listing();
            copying();
            current_dir();
            leave_open();
            break;
        case 1:
            /* left open when the program ends with an error */
            _fwriteline(_fwritefile(in_folder("/before_error.txt")), kstr("kept"));
            _fclosefile(0);
            _fclosefile(_fwritefile(in_folder("/after.txt")));
            break;
        case 2:
            dir = _freaddir(_fcommandline());
            _fclosedir(dir);
            kprints(_fnextfile(dir));
            _fclosefile(_fwritefile(in_folder("/after.txt")));
            break;
    }
    kprint("done");
}
