#!/usr/bin/env bash
# Checks every Windows program and DLL built in the given trees against what Windows XP SP2 has:
# none may import a function or DLL that XP lacks (scripts/xp-imports.py, with the list of what XP
# lacks in scripts/not-on-xp-sp2.txt).
#   scripts/check-xp.sh TREE:ARCH ...    e.g. build/mingw64:x86_64 build/mingw32:i686
# Prints each program that fails with the imports XP lacks, and last "xp: N passed, M failed". Exits 1
# when any failed or a tree has no palisor.exe.
set -u
here=$(cd "$(dirname "$0")" && pwd)
passed=0
failed=0
for tree in "$@"; do
    dir=${tree%%:*}
    arch=${tree#*:}
    [ "$arch" = "$tree" ] && arch=x86_64
    if [ ! -f "$dir/bin/palisor.exe" ]; then
        echo "!! $dir/bin/palisor.exe is missing: its imports were not checked"
        failed=$((failed + 1))
    fi
    for program in "$dir"/bin/*.exe "$dir"/bin/*.dll; do
        [ -f "$program" ] || continue
        if report=$(python3 "$here/xp-imports.py" --machine "$arch" "$program" 2>&1); then
            passed=$((passed + 1))
        else
            echo "!! $program does not load on Windows XP SP2:"
            echo "$report" | sed 's/^/   /'
            failed=$((failed + 1))
        fi
    done
done
echo "xp: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
