#!/usr/bin/env bash
# Installs whatever is missing, builds the native and Windows trees and runs every test tier:
# unit tests (native), Windows tests and end-to-end tests (Wine on a virtual X server), and a short
# fuzz run. Ends with one line: "N passed, M failed".
set -u
cd "$(dirname "$0")"
root=$PWD
logs=$root/build/logs
mkdir -p "$logs"

if ! scripts/install-deps.sh >"$logs/install.log" 2>&1; then
    tail -20 "$logs/install.log"
    echo "0 passed, 1 failed"
    exit 1
fi

jobs=$(nproc)
failures=0

build() {
    local name=$1
    shift
    echo "== building $name"
    # A Windows tree configured with the posix thread model's compiler links a runtime that Windows
    # XP cannot load; the compiler of a configured tree never changes, so such a tree starts afresh.
    if grep -q '^CMAKE_CXX_COMPILER:.*mingw32-g++-posix' "build/$name/CMakeCache.txt" 2>/dev/null; then
        rm -rf "build/$name"
    fi
    if cmake -S . -B "build/$name" "$@" >"$logs/$name.configure.log" 2>&1 &&
        cmake --build "build/$name" -j"$jobs" >"$logs/$name.build.log" 2>&1; then
        return 0
    fi
    echo "!! build of $name failed (build/logs/$name.*.log):"
    tail -40 "$logs/$name.configure.log" "$logs/$name.build.log" 2>/dev/null | grep -v '^\[' | tail -40
    failures=$((failures + 1))
    return 1
}

run_ctest() {
    local name=$1
    shift
    echo "== testing $name"
    rm -rf "build/$name/results" "build/$name/ctest-junit.xml"
    mkdir -p "build/$name/results"
    (cd "build/$name" && ctest --output-junit ctest-junit.xml --output-on-failure "$@") >"$logs/$name.test.log" 2>&1
    if [ $? -ne 0 ]; then
        grep -E 'Failed|\*\*\*|Timeout|Not Run|\[  FAILED  \]' "$logs/$name.test.log" | tail -40
    fi
}

tiers=()
if build native -DPALISOR_SANITIZE=ON -DPALISOR_WERROR=ON; then
    run_ctest native -j"$jobs"
    tiers+=("unit=build/native")
fi

if build mingw64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPALISOR_WERROR=ON; then
    source scripts/wine-env.sh
    palisor_start_xvfb
    export WINEPREFIX=$root/build/wine/prefix
    standin=$root/build/mingw64/bin/palisor_standin_firewall.dll
    [ -f "$standin" ] || standin=""
    if scripts/wine-prefix.sh "$WINEPREFIX" $standin >"$logs/wine-prefix.log" 2>&1; then
        # Windows tests share one prefix and one display: one at a time.
        run_ctest mingw64 -j1
        tiers+=("windows=build/mingw64")
    else
        echo "!! preparing the Wine prefix failed (build/logs/wine-prefix.log)"
        tail -20 "$logs/wine-prefix.log"
        failures=$((failures + 1))
    fi
    palisor_stop_wine
fi

# The 32-bit program is compiled only: this machine runs no 32-bit code.
build mingw32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DPALISOR_TESTS=OFF -DPALISOR_WERROR=ON

# Every Windows program we build must load on Windows XP SP2: none may import what XP lacks.
echo "== checking imports against Windows XP SP2"
scripts/check-xp.sh build/mingw64:x86_64 build/mingw32:i686 >"$logs/xp-imports.log" 2>&1
xp_summary=$(tail -1 "$logs/xp-imports.log")
xp_passed=$(echo "$xp_summary" | sed -n 's/^xp: \([0-9]*\) passed, \([0-9]*\) failed$/\1/p')
xp_failed=$(echo "$xp_summary" | sed -n 's/^xp: \([0-9]*\) passed, \([0-9]*\) failed$/\2/p')
if [ -z "$xp_passed" ] || [ "${xp_failed:-1}" -ne 0 ]; then
    grep -v '^xp: ' "$logs/xp-imports.log" | head -40
    failures=$((failures + ${xp_failed:-1}))
fi

if build fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPALISOR_FUZZ=ON -DPALISOR_TESTS=OFF \
    -DPALISOR_WERROR=ON; then
    # The fuzz targets run side by side, each for a bounded time.
    run_ctest fuzz -j"$jobs"
    tiers+=("fuzz=build/fuzz")
fi

python3 scripts/summarize.py "${tiers[@]}" --extra-failures "$failures" --extra-passes "${xp_passed:-0}"
