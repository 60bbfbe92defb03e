#!/usr/bin/env bash
# Checks korva-mkimage on objects compiled and assembled on the spot: exact
# image layout and tables for small assembler inputs, symbol resolution across
# objects, C objects built with the flags programs use, and the errors for
# inputs an image cannot be made from.
#
# Usage: mkimage_check.sh KORVA_MKIMAGE C_COMPILER
set -u

mkimage=$1
cc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

program_flags=(-m32 -O1 -fno-pic -fno-pie -ffreestanding -fno-builtin -fno-stack-protector
               -fno-asynchronous-unwind-tables -fno-common -mpreferred-stack-boundary=2)
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

assemble() {  # NAME: NAME.s -> NAME.o
  "$cc" -m32 -c "$1.s" -o "$1.o" || fail "cannot assemble $1.s"
}

compile() {  # NAME [extra flags]: NAME.c -> NAME.o
  local name=$1
  shift
  "$cc" "${program_flags[@]}" "$@" -c "$name.c" -o "$name.o" || fail "cannot compile $name.c"
}

# expect_image CHECK OBJECT...: builds check.kbi and compares its dump with CHECK.expected
expect_image() {
  local check=$1
  shift
  if ! "$mkimage" -o "$check.kbi" "$@" 2>"$check.err"; then
    fail "$check: korva-mkimage failed: $(cat "$check.err")"
    return
  fi
  "$mkimage" --dump "$check.kbi" >"$check.dump" || fail "$check: --dump failed"
  diff -u "$check.expected" "$check.dump" || fail "$check: tables differ from the expected ones"
}

# fails_with CHECK STATUS MESSAGE ARGUMENT...: the tool must exit with STATUS,
# the first line on stderr starting with the tool's name and containing MESSAGE.
fails_with() {
  local check=$1 expected=$2 message=$3
  shift 3
  "$mkimage" "$@" >/dev/null 2>"$check.err"
  local status=$?
  [ "$status" -eq "$expected" ] || fail "$check: exit status $status, expected $expected"
  head -1 "$check.err" | grep -q "^korva-mkimage: .*$message" || fail "$check: expected '$message', got: $(cat "$check.err")"
}

# expect_error CHECK MESSAGE ARGUMENT...: status 1 and that one line only.
expect_error() {
  fails_with "$1" 1 "${@:2}"
  [ "$(wc -l <"$1.err")" -eq 1 ] || fail "$1: expected one line on stderr, got: $(cat "$1.err")"
}

# expect_usage_error CHECK MESSAGE ARGUMENT...: status 2, the usage lines after
# the problem.
expect_usage_error() {
  fails_with "$1" 2 "${@:2}"
  sed -n 2p "$1.err" | grep -q "^usage: korva-mkimage" || fail "$1: no usage after the problem"
}

code_bytes() {  # IMAGE OFFSET COUNT: hex bytes of the code block
  od -An -tx1 -j $((4 + $2)) -N "$3" "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

# --- layout: entry jump, sections in order, in-place calls, labels for absolute references
cat >basic.s <<'EOF'
        .text
        .globl __MAIN
__MAIN:
        call _fdebuglog
        call helper
        movl $counter+4, %eax
        movl table_ref, %eax
        ret
        .globl helper
helper:
        ret
        .data
        .p2align 2
        .long 0x11111111
table_ref:
        .long _fdebuglog
        .long __MAIN
        .bss
        .globl counter
        .p2align 3
counter:
        .skip 12
EOF
cat >basic.expected <<'EOF'
code size 52
module symbols 6
  0x00000000 __MAIN
  0x0000001a helper
  0x00000028 counter
  0x00000028 _1
  0x0000001c _2
  0x00000005 _3
relative relocations 1
  0x00000006 _fdebuglog addend -4
absolute relocations 4
  0x00000010 _1 addend 4
  0x00000015 _2 addend 4
  0x00000020 _fdebuglog addend 0
  0x00000024 _3 addend 0
EOF
assemble basic
expect_image basic basic.o
[ "$(code_bytes basic.kbi 0 5)" = "e9 00 00 00 00" ] || fail "basic: entry jump is $(code_bytes basic.kbi 0 5)"
[ "$(code_bytes basic.kbi 10 5)" = "e8 0b 00 00 00" ] || fail "basic: call to helper is $(code_bytes basic.kbi 10 5)"
[ "$(code_bytes basic.kbi 28 4)" = "11 11 11 11" ] || fail "basic: data not copied"

# --- across objects: PLT calls, a strong definition replacing a weak one, labels
# that avoid names the program uses, and a symbol ending the block
cat >caller.s <<'EOF'
        .text
        .globl __MAIN
__MAIN:
        call shared_fn@PLT
        jmp _2
        .data
        .globl _1
_1:     .long 0
        .long end_marker
EOF
cat >weak.s <<'EOF'
        .text
        .weak shared_fn
shared_fn:
        movl $1, %eax
        ret
EOF
cat >strong.s <<'EOF'
        .text
        .globl shared_fn
shared_fn:
        movl $2, %eax
        ret
        .bss
        .skip 3
        .globl end_marker
end_marker:
EOF
cat >objects.expected <<'EOF'
code size 39
module symbols 5
  0x00000000 __MAIN
  0x0000000f _1
  0x0000001d shared_fn
  0x00000026 end_marker
  0x00000023 _3
relative relocations 1
  0x0000000b _2 addend -4
absolute relocations 1
  0x00000013 _3 addend 3
EOF
assemble caller
assemble weak
assemble strong
expect_image objects caller.o weak.o strong.o
[ "$(code_bytes objects.kbi 5 5)" = "e8 13 00 00 00" ] || fail "objects: call does not reach the strong definition"

# --- C objects built with the program flags: data, switch tables, common symbols
cat >program.c <<'EOF'
extern void _fdebuglog(const char *text);
extern int other_value;
static const char *const names[] = {"alpha", "beta", "gamma"};
void (*log_pointer)(const char *) = _fdebuglog;
static int pick(int x) {
  switch (x) {
    case 0: return 11; case 1: return 22; case 2: return 33; case 3: return 44;
    case 4: return 55; case 5: return 66; default: return -1;
  }
}
void __MAIN(void) {
  for (int i = 0; i < 3; ++i) _fdebuglog(names[i]);
  log_pointer(names[pick(other_value) & 1]);
}
EOF
cat >other.c <<'EOF'
int other_value = 3;
int shared_common;
EOF
cat >third.c <<'EOF'
int shared_common;
void bump(void) { ++shared_common; }
EOF
compile program
compile other -fcommon
compile third -fcommon
if "$mkimage" -o program.kbi program.o other.o third.o 2>program.err; then
  "$mkimage" --dump program.kbi >program.dump || fail "program: --dump failed"
  grep -qx '  0x00000000 __MAIN' program.dump || fail "program: __MAIN is not at offset 0"
  [ "$(grep -c ' _fdebuglog addend -4$' program.dump)" -ge 2 ] || fail "program: calls to _fdebuglog are not relocated"
  grep -q ' _fdebuglog addend 0$' program.dump || fail "program: the pointer to _fdebuglog is not relocated"
  [ "$(grep -c ' shared_common$' program.dump)" -eq 1 ] || fail "program: the common symbol is not defined once"
  grep -q '_GLOBAL_OFFSET_TABLE_' program.dump && fail "program: refers to the global offset table"
else
  fail "program: korva-mkimage failed: $(cat program.err)"
fi

# --- inputs an image cannot be made from
printf 'not an object\n' >text.o
head -c 200 basic.o >truncated.o
head -c 30 basic.kbi >truncated.kbi
cat >nomain.s <<'EOF'
        .text
        .globl helper
helper: ret
EOF
cat >narrow.s <<'EOF'
        .text
        .globl __MAIN
__MAIN: ret
        .word narrow_target
EOF
cat >pic.c <<'EOF'
extern int other_value;
int __MAIN(void) { return other_value; }
EOF
cat >tls.c <<'EOF'
__thread int per_thread;
void __MAIN(void) { per_thread = 1; }
EOF
cat >constructor.c <<'EOF'
int ready;
__attribute__((constructor)) static void prepare(void) { ready = 1; }
void __MAIN(void) {}
EOF
assemble nomain
assemble narrow
"$cc" -m32 -O1 -fpic -c pic.c -o pic.o || fail "cannot compile pic.c"
compile tls
compile constructor

expect_error no-main "no object defines __MAIN" -o out.kbi nomain.o
expect_error duplicate "'shared_fn' is already defined in strong.o" -o out.kbi caller.o strong.o strong.o
expect_error not-elf "text.o: not an ELF file" -o out.kbi text.o
expect_error truncated "truncated.o: damaged" -o out.kbi truncated.o
expect_error missing-file "absent.o: cannot open" -o out.kbi absent.o
expect_error narrow "unsupported relocation type 20 (R_386_16) against 'narrow_target' in section '.rel.text'" \
  -o out.kbi narrow.o
expect_error pic "pic.o: unsupported relocation type .* compile with -fno-pic -fno-pie" -o out.kbi pic.o
expect_error tls "thread-local" -o out.kbi tls.o
expect_error constructor "'.init_array'" -o out.kbi constructor.o
expect_usage_error no-output "no output file" basic.o
expect_usage_error no-objects "no input objects" -o out.kbi
expect_usage_error unknown-option "unknown option --frobnicate" --frobnicate
expect_error dump-truncated "truncated.kbi: damaged module image" --dump truncated.kbi
[ -e out.kbi ] && fail "a failed run left an output file"

"$mkimage" --help | grep -q -- '--dump IMAGE' || fail "--help does not describe --dump"

[ "$failures" -eq 0 ] && echo "korva-mkimage: all checks passed"
[ "$failures" -eq 0 ]
