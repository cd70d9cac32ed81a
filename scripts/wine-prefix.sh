#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX [STANDIN_DLL]
# Creates a 64-bit Wine prefix at PREFIX with Wine's virtual desktop, and registers the stand-in
# firewall service (STANDIN_DLL, an in-process COM server) for the firewall's class identifiers.
# A prepared template beside the prefix is copied when it exists: seconds, where a new prefix
# takes a quarter of a minute.
# DISPLAY must name a running X server.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$(realpath -m "$1")
dll=${2:-}
template="$(dirname "$prefix")/template"
mkdir -p "$(dirname "$prefix")"
# Raised whenever the template's recipe below changes, so that kept templates are made again.
recipe=2

make_template() {
    rm -rf "$template"
    WINEPREFIX="$template" wineboot -i >"$template.log" 2>&1 || true
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$template.log" 2>&1
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        >>"$template.log" 2>&1
    # Plain, unsmoothed text as on a fresh Windows XP; without the setting Wine follows fontconfig,
    # which smooths on some machines and not on others, and pixel checks of text would differ.
    WINEPREFIX="$template" wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /d 0 /f >>"$template.log" 2>&1
    WINEPREFIX="$template" wineserver -w
    # A prefix update would register Wine's own firewall stubs again over ours.
    echo disable >"$template/.update-timestamp"
    echo "$recipe" >"$template/.palisor-recipe"
}

[ "$(cat "$template/.palisor-recipe" 2>/dev/null)" = "$recipe" ] || make_template

export WINEPREFIX="$prefix"
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
rm -rf "$prefix"
cp -a "$template" "$prefix"
palisor_copy_wine_fonts "$prefix"
if [ -n "$dll" ]; then
    winpath="Z:$(realpath "$dll" | sed 's|/|\\|g')"
    wine regsvr32 /s "$winpath" >"$prefix.regsvr32.log" 2>&1 || {
        echo "registering the stand-in firewall failed; see $prefix.regsvr32.log" >&2
        exit 1
    }
fi
wineserver -w
