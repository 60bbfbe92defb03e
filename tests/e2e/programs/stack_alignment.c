/* Enters commands that reach libraries with the stack at each alignment
 * compiled code may leave: the call 0, 4, 8 or 12 bytes past a 16-byte
 * boundary. Command line:
 *   "commands PICTURE"  Graphics, LoadBuffer, LoadFont, SetFont, Text,
 *                       StringWidth, FreeFont and EndGraphics at each one
 *   "error N"           RuntimeError entered N bytes past a boundary */
#include <korva.h>

/* Calls command(a, b, c, d, e) with the stack pointer at the call N bytes
 * past a 16-byte boundary; commands with fewer parameters ignore the rest. */
static int call_at(int past, void *command, int a, int b, int c, int d, int e) {
    int args[5] = {a, b, c, d, e};
    int padding = (12 - past) & 15; /* five pushes of 4 bytes follow */
    int result;
    __asm__ volatile(
        "mov %%esp, %%edi\n\t"
        "and $-16, %%esp\n\t"
        "sub %2, %%esp\n\t"
        "pushl 16(%3)\n\t"
        "pushl 12(%3)\n\t"
        "pushl 8(%3)\n\t"
        "pushl 4(%3)\n\t"
        "pushl (%3)\n\t"
        "call *%1\n\t"
        "mov %%edi, %%esp\n\t"
        : "=a"(result)
        : "r"(command), "r"(padding), "r"(args)
        : "edi", "ecx", "edx", "memory");
    return result;
}

#define S(text) ((int)kstr(text))

static void commands(int past, qyStr *picture) {
    call_at(past, _fgraphics, 320, 240, 0, 2, 0);
    int loaded = call_at(past, _floadbuffer, _fbackbuffer(), (int)picture, 0, 0, 0);
    int font = call_at(past, _floadfont, S("courier"), 16, 0, 0, 0);
    call_at(past, _fsetfont, font, 0, 0, 0, 0);
    call_at(past, _ftext, 10, 10, S("Hello"), 0, 0);
    int width = call_at(past, _fstringwidth, S("Hello"), 0, 0, 0, 0);
    call_at(past, _ffreefont, font, 0, 0, 0, 0);
    call_at(past, _fendgraphics, 0, 0, 0, 0, 0);
    kprint2("past ", __qyStrConcat(__qyStrConcat(__qyStrFromInt(past), kstr(loaded ? " picture" : " no picture")),
                                   kstr(font && width > 0 ? " text" : " no text")));
}

void __MAIN(void) {
    qyStr *line = _fcommandline();
    if (_finstr(__qyStrLoad(&line), kstr("error "), 1) == 1) {
        int past = __qyStrToInt(_fmid(__qyStrLoad(&line), 7, -1));
        call_at(past, _fruntimeerror, (int)__qyStrConcat(kstr("Stopped "), __qyStrFromInt(past)), 0, 0, 0, 0);
    }
    for (int past = 0; past < 16; past += 4) commands(past, _fmid(__qyStrLoad(&line), 10, -1));
}
