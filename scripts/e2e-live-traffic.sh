#!/usr/bin/env bash
# Usage: e2e-live-traffic.sh E2E_TEST_EXE [GTEST_ARGS...]
# Runs the end-to-end live-traffic test in a private network namespace (scripts/netns-run.sh), with a
# Wine session of its own started inside it: a copy of $WINEPREFIX, so that its wineserver, which
# may create the program's sockets, lives in the namespace too. With PALISOR_DPI set (e.g. 144), the
# copy's screen has that many dots per inch; above 96 the test runs on a virtual X server of its own
# whose screen, like the copy's Wine desktop, grows with the DPI from 1024x768, so that the window
# stays whole on it. Needs root; exits 77 (skipped) otherwise.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ "${PALISOR_IN_NETNS:-}" != 1 ]; then
    exec "$here/netns-run.sh" "$0" "$@"
fi
: "${WINEPREFIX:?WINEPREFIX must name a prepared prefix (scripts/wine-prefix.sh)}"
source "$here/wine-env.sh"
dpi=${PALISOR_DPI:-}
case "$dpi" in
*[!0-9]*) echo "PALISOR_DPI must be a number, not '$dpi'" >&2; exit 2 ;;
esac
screen=$(palisor_screen_size "${dpi:-96}")
prefix=$(mktemp -d /tmp/palisor-netns-prefix.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    rm -rf "$prefix"
    if [ -n "${PALISOR_XVFB_PID:-}" ]; then
        kill "$PALISOR_XVFB_PID" 2>/dev/null || true
        wait "$PALISOR_XVFB_PID" 2>/dev/null || true
    fi
}
if [ "$screen" != 1024x768 ]; then
    palisor_start_xvfb "$screen"
fi
trap cleanup EXIT
cp -a "$WINEPREFIX/." "$prefix/"
export WINEPREFIX=$prefix PALISOR_NETNS=1
if [ -n "$dpi" ]; then
    "$here/wine-dpi.sh" "$dpi" "$screen"
fi
"$here/wine-run.sh" "$@" --gtest_filter='LiveTraffic.*'
