#!/usr/bin/env bash
# scripts/check-xp.sh against small programs built here: one that imports GetTickCount64 (directly,
# and delay-loaded), one that imports from a DLL XP does not ship, one built for the other processor,
# a cut-off file, and plain ones of both architectures.
#   xp_import_check_test.sh SOURCE_DIR WORK_DIR
set -u
source_dir=$1
work=$2
cc64=x86_64-w64-mingw32-gcc
cc32=i686-w64-mingw32-gcc
if ! command -v "$cc64" >/dev/null || ! command -v "$cc32" >/dev/null; then
    echo "the mingw-w64 compilers are missing: skipped"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

cat >tick.c <<'C'
#define _WIN32_WINNT 0x0600
#include <windows.h>
int main(void) { return (int)(GetTickCount64() & 1); }
C
cat >plain.c <<'C'
#include <windows.h>
int main(void) { return (int)(GetTickCount() & 1); }
C
cat >random.c <<'C'
#include <windows.h>
#include <bcrypt.h>
int main(void) { UCHAR b[4]; return BCryptGenRandom(NULL, b, 4, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0; }
C
printf 'LIBRARY kernel32.dll\nEXPORTS\nGetTickCount64\n' >late.def

# tree NAME COMPILER SOURCE [LINK FLAGS...]: a build tree whose palisor.exe is the program.
tree() {
    local name=$1 compiler=$2 source=$3
    shift 3
    mkdir -p "$name/bin"
    "$compiler" -O1 -o "$name/bin/palisor.exe" "$source" "$@" || fail "building $name"
}
tree tick64 "$cc64" tick.c
tree tick32 "$cc32" tick.c
tree plain64 "$cc64" plain.c
tree plain32 "$cc32" plain.c
tree random64 "$cc64" random.c -lbcrypt
x86_64-w64-mingw32-dlltool --input-def late.def --output-delaylib liblate.a || fail "making the delay-load library"
tree late64 "$cc64" tick.c -L. -llate
# This linker leaves the delay-load directory of the header empty (the loader then never sees the
# table); other linkers fill it. Fill it as they do, from the descriptor's symbol.
descriptor=$(x86_64-w64-mingw32-nm late64/bin/palisor.exe | awk '/__DELAY_IMPORT_DESCRIPTOR_/ {print $1}')
python3 - late64/bin/palisor.exe "$descriptor" <<'PY' || fail "filling the delay-load directory"
import struct, sys
path, address = sys.argv[1], int(sys.argv[2], 16)
data = bytearray(open(path, "rb").read())
optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
base = struct.unpack_from("<Q", data, optional + 24)[0]
struct.pack_into("<II", data, optional + 112 + 8 * 13, address - base, 32)
open(path, "wb").write(data)
PY
mkdir -p cut/bin empty/bin
head -c 400 plain64/bin/palisor.exe >cut/bin/palisor.exe

# run EXPECTED_STATUS TREE:ARCH...: runs the check, keeps its output in $out.
run() {
    local expected=$1
    shift
    out=$("$source_dir/scripts/check-xp.sh" "$@" 2>&1)
    local status=$?
    echo "--- check-xp.sh $*"
    echo "$out"
    [ "$status" -eq "$expected" ] || fail "check-xp.sh $* exited $status, expected $expected"
}
expect() {
    grep -qF -- "$1" <<<"$out" || fail "no '$1' in the report"
}

run 1 tick64:x86_64
expect "KERNEL32.dll!GetTickCount64"
expect "xp: 0 passed, 1 failed"
run 1 tick32:i686
expect "KERNEL32.dll!GetTickCount64"
run 0 plain64:x86_64 plain32:i686
expect "xp: 2 passed, 0 failed"
run 1 late64:x86_64
expect "delay-load import kernel32.dll!GetTickCount64"
run 1 random64:x86_64
expect "bcrypt.dll, a DLL that Windows XP SP2 does not have"
run 1 plain32:x86_64
expect "not x86_64"
run 1 cut:x86_64
expect "cannot read its import tables"
# A tree without the program is a failure, not an empty pass; a clean tree beside it still counts.
run 1 empty:x86_64 plain64:x86_64
expect "empty/bin/palisor.exe is missing"
expect "xp: 1 passed, 1 failed"
# A failing DLL beside a clean program fails the tree.
cp random64/bin/palisor.exe plain64/bin/helper.dll
run 1 plain64:x86_64
expect "helper.dll does not load on Windows XP SP2"
expect "xp: 1 passed, 1 failed"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
