#!/usr/bin/env bash
# Usage: startup-bench.sh [BUILD] [palisor_startup_bench arguments...]
# Times Palisor's start-up with many exceptions and its refills after a removal, under Wine on a
# virtual X server against the stand-in firewall, in a fresh prefix of its own (BUILD/bench/prefix).
# BUILD is the mingw64 build tree (default build/mingw64) with palisor.exe, the stand-in and
# palisor_startup_bench built; the arguments go to palisor_startup_bench (default: 1000 and 5000
# exceptions of each kind, three runs each, refills at 1000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/mingw64}")
shift || true
source "$root/scripts/wine-env.sh"
palisor_start_xvfb
export WINEPREFIX=$build/bench/prefix
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" "$build/bin/palisor_standin_firewall.dll" >"$build/bench-prefix.log" 2>&1 || {
    tail -20 "$build/bench-prefix.log"
    exit 1
}
# The Wine session is started once, so that no run pays for it.
wine cmd /c exit >/dev/null 2>&1 || true
log=$(mktemp /tmp/palisor-startup-bench.XXXXXX)
rc=0
timeout --kill-after=10 "${PALISOR_BENCH_TIMEOUT:-3600}" wine "$build/bin/palisor_startup_bench.exe" "$@" >"$log" 2>&1 </dev/null || rc=$?
cat "$log"
rm -f "$log"
exit $rc
