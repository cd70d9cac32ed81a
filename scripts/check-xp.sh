#!/usr/bin/env bash
# Checks every Windows program and DLL built in the given trees against what Windows XP SP2 has:
# none may import a function or DLL that XP lacks. The checker lives beside the repository, in the
# project's shared folder (../shared/windows-xp/check-xp-imports).
#   scripts/check-xp.sh TREE:ARCH ...    e.g. build/mingw64:x86_64 build/mingw32:i686
# Prints each program that fails with its imports, and last "xp: N passed, M failed". Exits 1 when
# any failed, the checker is missing, or a tree has no palisor.exe.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
checker=""
for candidate in "$root/../shared/windows-xp/check-xp-imports" "$root/../../shared/windows-xp/check-xp-imports"; do
    [ -f "$candidate" ] && checker=$candidate && break
done
passed=0
failed=0
if [ -z "$checker" ]; then
    echo "!! the Windows XP import checker (../shared/windows-xp/check-xp-imports) is missing"
    failed=1
else
    for tree in "$@"; do
        dir=${tree%%:*}
        objdump=${tree#*:}-w64-mingw32-objdump
        if [ ! -f "$dir/bin/palisor.exe" ]; then
            echo "!! $dir/bin/palisor.exe is missing: its imports were not checked"
            failed=$((failed + 1))
        fi
        for program in "$dir"/bin/*.exe "$dir"/bin/*.dll; do
            [ -f "$program" ] || continue
            if report=$(python3 "$checker" "$program" "$objdump" 2>&1); then
                passed=$((passed + 1))
            else
                echo "!! $program does not load on Windows XP SP2:"
                echo "$report" | sed 's/^/   /'
                failed=$((failed + 1))
            fi
        done
    done
fi
echo "xp: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
