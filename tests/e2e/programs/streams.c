/* The stream commands on files: byte encodings, typed reads, strings and
 * lines, truncated data, copying, and the debugger's checks. */
#include "test_folder.h"

static void write_encodings(void) {
    int out = _fwritefile(in_folder("/out.bin"));
    _fwriteshort(out, 70000);
    _fwritebyte(out, 256);
    _fwritebyte(out, -1);
    _fwritefloat(out, 1.0f);
    _fwritestring(out, kstr("abc"));
    _fwritestring(out, kstr(""));
    _fwriteline(out, kstr("x"));
    _fwriteint(out, -2);
    _fclosefile(out);
}

static void read_encodings_back(void) {
    int in = _freadfile(in_folder("/out.bin"));
    kprinti(_freadshort(in));
    kprinti(_freadbyte(in));
    kprinti(_freadbyte(in));
    kprintf(_freadfloat(in));
    kprintq("string", _freadstring(in));
    kprintq("empty", _freadstring(in));
    kprintq("line", _freadline(in));
    kprinti(_freadint(in));
    kprint2("eof ", __qyStrFromInt(_feof(in)));
    kprint2("past end ", __qyStrFromInt(_freadbyte(in)));
    kprint2("eof ", __qyStrFromInt(_feof(in)));
    _fclosefile(in);
}

/* in.bin: 255 255 | 255 255 255 255 | "abc" 13 10 | "a" 13 "b" 10 | 13 10 | "tail" */
static void read_prepared(void) {
    int in = _freadfile(in_folder("/in.bin"));
    kprint2("avail at open ", __qyStrFromInt(_freadavail(in)));
    kprint2("eof ", __qyStrFromInt(_feof(in)));
    kprinti(_freadshort(in));
    kprinti(_freadint(in));
    kprintq("line", _freadline(in));
    kprintq("line", _freadline(in));
    kprintq("line", _freadline(in));
    kprint2("avail ", __qyStrFromInt(_freadavail(in)));
    kprintq("line", _freadline(in));
    kprint2("eof ", __qyStrFromInt(_feof(in)));
    kprintq("line", _freadline(in));
    kprinti(_freadint(in));
    _fclosefile(in);
}

/* Each truncated file's string is written on to strings.bin for the test to
 * inspect; numbers are printed. */
static void read_truncated(void) {
    int out = _fwritefile(in_folder("/strings.bin"));
    const char *names[] = {"/short_body.bin", "/huge_prefix.bin", "/huge_prefix_no_body.bin", "/half_prefix.bin"};
    for (int i = 0; i < 4; ++i) {
        int in = _freadfile(in_folder(names[i]));
        _fwritestring(out, _freadstring(in));
        kprint2("eof ", __qyStrFromInt(_feof(in)));
        _fclosefile(in);
    }
    _fclosefile(out);
    int in = _freadfile(in_folder("/negative_prefix.bin"));
    kprintq("negative", _freadstring(in));
    kprint2("after ", __qyStrFromInt(_freadbyte(in)));
    _fclosefile(in);
    in = _freadfile(in_folder("/one_byte.bin"));
    kprinti(_freadint(in));
    kprinti(_freadint(in));
    kprintf(_freadfloat(in));
    _fclosefile(in);
}

static void copy_into(const char *name, int open_existing, int buffer_size) {
    int source = _freadfile(in_folder("/source.bin"));
    int target = open_existing ? _fopenfile(in_folder(name)) : _fwritefile(in_folder(name));
    _fcopystream(source, target, buffer_size);
    kprint2("source eof ", __qyStrFromInt(_feof(source)));
    _fclosefile(source);
    _fclosefile(target);
}

static void copy_streams(void) {
    copy_into("/copy_default.bin", 0, 16384);
    copy_into("/shorter.bin", 1, 16384);
    copy_into("/copy_one.bin", 0, 1);
    copy_into("/copy_largest.bin", 0, 1048576);
}

void __MAIN(void) {
    int source, target;
    switch (scenario()) {
        case 0:
            write_encodings();
            read_encodings_back();
            read_prepared();
            break;
        case 1: read_truncated(); break;
        case 2: copy_streams(); break;
        case 3:
        case 4:
            source = _freadfile(in_folder("/mode"));
            target = _fwritefile(in_folder("/target.bin"));
            kprint("copying");
            _fcopystream(source, target, scenario() == 3 ? 0 : 1048577);
            kprint("copied");
            _fclosefile(target); /* the file shows that the run went on */
            break;
        case 5: kprinti(_freadbyte(12345)); break;
        case 6:
            target = _fwritefile(in_folder("/target.bin"));
            _fclosefile(target);
            _fwritebyte(target, 1);
            break;
        case 7:
            source = _freadfile(in_folder("/mode"));
            target = _fwritefile(in_folder("/target.bin"));
            _fclosefile(source);
            _fcopystream(source, target, 16384);
            break;
    }
    kprint("done");
}
