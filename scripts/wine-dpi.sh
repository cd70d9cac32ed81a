#!/usr/bin/env bash
# Usage: wine-dpi.sh DPI [DESKTOP]
# Sets the screen's dots per inch of the Wine prefix that WINEPREFIX names (96 is Windows' default;
# 120, 144 and 192 are the common larger settings) and ends the prefix's session, so that every
# program started afterwards sees the new value. Wine reads it from two places; both are set.
# With DESKTOP (WIDTHxHEIGHT, e.g. from palisor_screen_size), the prefix's Wine desktop takes that
# size too.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
dpi=$1
desktop=${2:-}
if [ -n "$desktop" ] && ! [[ $desktop =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
    echo "wine-dpi.sh: the desktop must be WIDTHxHEIGHT, not '$desktop'" >&2
    exit 2
fi
case "$dpi" in
'' | *[!0-9]*) echo "wine-dpi.sh: the DPI must be a number, not '$dpi'" >&2; exit 2 ;;
esac
if [ "$dpi" -lt 48 ] || [ "$dpi" -gt 480 ]; then
    echo "wine-dpi.sh: a DPI of $dpi is outside 48 to 480" >&2
    exit 2
fi
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
    /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
if [ -n "$desktop" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f >/dev/null 2>&1
fi
wineserver -w
