# Sourced by the scripts that run Windows programs under Wine.
# Sets the Wine environment and, when asked, starts a virtual X server.

PALISOR_ROOT=${PALISOR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs when a prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
# Plain, unsmoothed text on every machine (see fonts.conf).
export FONTCONFIG_FILE="$PALISOR_ROOT/scripts/fonts.conf"

# palisor_screen_size DPI: the screen, as WIDTHxHEIGHT, that holds at DPI dots per inch what
# 1024x768 holds at 96: 1024x768 up to 96 DPI, above that both sides grown by DPI/96, rounded up.
palisor_screen_size() {
    local dpi=${1:-96}
    if [ "$dpi" -le 96 ]; then
        echo 1024x768
    else
        echo "$(((1024 * dpi + 95) / 96))x$(((768 * dpi + 95) / 96))"
    fi
}

# palisor_start_xvfb [SIZE]: starts Xvfb with a screen of SIZE (WIDTHxHEIGHT, 1024x768 when not
# given) on the first free display number and exports DISPLAY. The server is killed when the calling
# shell exits.
palisor_start_xvfb() {
    local size=${1:-1024x768}
    local n=${PALISOR_XVFB_FIRST:-91}
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    PALISOR_XVFB_PID=$!
    export DISPLAY=:$n
    local i
    for i in $(seq 1 100); do
        [ -e /tmp/.X11-unix/X$n ] && break
        sleep 0.1
    done
    trap 'palisor_stop_wine' EXIT
}

# palisor_copy_wine_fonts PREFIX: puts Wine's own TrueType fonts into the prefix's Fonts folder.
# This Wine does not load them from its data folder, so without copies the dialog font (MS Shell Dlg,
# which Wine maps to Tahoma) falls back to whatever fontconfig offers, dialogs grow by a sixth and
# caption buttons (Marlett) show plain letters. Fonts already in place are kept.
palisor_copy_wine_fonts() {
    local target="$1/drive_c/windows/Fonts" dir font
    mkdir -p "$target"
    for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
        [ -d "$dir" ] || continue
        for font in "$dir"/*.ttf; do
            [ -f "$font" ] && [ ! -f "$target/$(basename "$font")" ] && cp "$font" "$target/"
        done
        return 0
    done
    return 0 # no Wine fonts on this machine: the prefix keeps what it has
}

palisor_stop_wine() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "${PALISOR_XVFB_PID:-}" ]; then
        kill "$PALISOR_XVFB_PID" 2>/dev/null || true
        wait "$PALISOR_XVFB_PID" 2>/dev/null || true
        PALISOR_XVFB_PID=""
    fi
}
