#!/usr/bin/env bash
# Usage: wine-dpi-run.sh DPI PROGRAM [ARGUMENTS...]
# Runs a Windows program under Wine on a screen of DPI dots per inch, in a copy of the prefix that
# WINEPREFIX names (of the prepared template beside it, when there is one) with the DPI set, so that
# the prefix itself keeps its own. The copy goes when the program has ended. PALISOR_EXPECT_DPI tells
# the program which DPI it should find. Exits with the program's status.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
dpi=$1
shift
base=$(realpath -m "${WINEPREFIX:?WINEPREFIX must name the prepared prefix}")
source_prefix="$(dirname "$base")/template"
[ -f "$source_prefix/system.reg" ] || source_prefix=$base
copy="$base-dpi$dpi"

cleanup() {
    WINEPREFIX="$copy" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$copy" wineserver -w >/dev/null 2>&1 || true
    rm -rf "$copy"
}
trap cleanup EXIT
cleanup
cp -a "$source_prefix" "$copy"
palisor_copy_wine_fonts "$copy"
export WINEPREFIX=$copy
"$(dirname "$0")/wine-dpi.sh" "$dpi"
status=0
PALISOR_EXPECT_DPI=$dpi "$(dirname "$0")/wine-run.sh" "$@" || status=$?
exit "$status"
