/* int32_t korvaCallExternal(void* function, void* in, int32_t inSize,
 *                           void* out, int32_t outSize)
 *
 * Calls function(in, inSize, out, outSize). The frame pointer keeps the
 * stack pointer of entry, so a callee that pops its own arguments (stdcall)
 * and one that leaves them to the caller (cdecl) both return here to the
 * same stack. The arguments are pushed onto a 16-byte aligned stack, as code
 * built for this platform expects at a call. */
        .text
        .globl  korvaCallExternal
        .hidden korvaCallExternal
        .type   korvaCallExternal, @function
korvaCallExternal:
        pushl   %ebp
        movl    %esp, %ebp
        andl    $-16, %esp
        pushl   24(%ebp)        /* outSize */
        pushl   20(%ebp)        /* out */
        pushl   16(%ebp)        /* inSize */
        pushl   12(%ebp)        /* in */
        call    *8(%ebp)
        movl    %ebp, %esp
        popl    %ebp
        ret
        .size   korvaCallExternal, .-korvaCallExternal

        .section .note.GNU-stack, "", @progbits
