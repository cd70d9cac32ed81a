#!/usr/bin/env bash
# Usage: run-palisor.sh PALISOR_EXE
# Starts Palisor under Wine against the stand-in firewall service, in a Wine prefix that is kept
# between runs (build/run/prefix) together with the stand-in's policy file (build/run/
# firewall-policy.txt, seeded on first use with a few example exceptions, some of them disabled).
# What the program writes to standard output goes to build/run/palisor-output.txt.
# PALISOR_DPI sets the screen's dots per inch (96 when unset; e.g. 120, 144 or 192); above 96 the
# Wine desktop, and the virtual X server when there is no display, grow with it from 1024x768, so
# that the window, which grows with the DPI, stays whole on the screen.
#
# With DISPLAY set, the program opens in Wine's desktop window on that display and the script returns
# when the program ends; its capture sees the host's TCP traffic. Without one, it runs in a private
# network namespace whose only address is 127.0.0.1 (as root; scripts/netns-run.sh), on a virtual X
# server, makes a few TCP connections over loopback, saves a screenshot of the screen with the
# traffic page showing them to build/run/palisor.png, ends the program through its "Exit" button and
# says where the picture is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "$1")
bin=$(dirname "$exe")
standin=$bin/palisor_standin_firewall.dll
state=$root/build/run
mkdir -p "$state"
source "$root/scripts/wine-env.sh"
export WINEPREFIX=$state/prefix

headless=0
if [ -z "${DISPLAY:-}" ] && [ "${PALISOR_IN_NETNS:-}" != 1 ]; then
    # The whole Wine session, wineserver included, starts inside the namespace.
    if "$root/scripts/netns-run.sh" true 2>/dev/null; then
        exec "$root/scripts/netns-run.sh" "$0" "$@"
    fi
    echo "no private network namespace (it needs root): the capture sees this host's own traffic"
fi
# The screen's dots per inch: PALISOR_DPI, or 96; and the screen that holds the window at that DPI.
dpi=${PALISOR_DPI:-96}
case "$dpi" in
'' | *[!0-9]*) echo "PALISOR_DPI must be a number, not '$dpi'" >&2; exit 2 ;;
esac
screen=$(palisor_screen_size "$dpi")
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    palisor_start_xvfb "$screen"
else
    trap 'palisor_stop_wine' EXIT
fi

winpath() { echo "Z:$(realpath -m "$1" | sed 's|/|\\|g')"; }

# The prefix is made once; the stand-in is registered again whenever it was rebuilt.
if [ ! -f "$state/prefix.ready" ]; then
    echo "preparing the Wine prefix $WINEPREFIX (once)"
    "$root/scripts/wine-prefix.sh" "$WINEPREFIX" "$standin" >"$state/prefix.log" 2>&1 || {
        tail -20 "$state/prefix.log"
        exit 1
    }
    touch "$state/prefix.ready"
elif [ "$standin" -nt "$state/prefix.ready" ]; then
    wine regsvr32 /s "$(winpath "$standin")" >"$state/regsvr32.log" 2>&1
    wineserver -w
    touch "$state/prefix.ready"
fi

# Wine's own fonts (Tahoma for dialogs, Marlett for caption buttons), also in prefixes kept from
# before they were copied.
palisor_copy_wine_fonts "$WINEPREFIX"

# The prefix keeps the last DPI and desktop set.
if [ "$(cat "$state/prefix.dpi" 2>/dev/null || echo 96 1024x768)" != "$dpi $screen" ]; then
    "$root/scripts/wine-dpi.sh" "$dpi" "$screen" || exit 1
    echo "$dpi $screen" >"$state/prefix.dpi"
fi

policy=$state/firewall-policy.txt
if [ ! -f "$policy" ]; then
    cat >"$policy" <<'POLICY'
firewall on
port 80 TCP on Web server
port 53 UDP off Name service
port 3389 TCP off Remote desktop
port 8080 TCP on Test web server
program on C:\Program Files\Mail\mail.exe | Mail
program off C:\Program Files\Chat\chat.exe | Chat
program on C:\windows\notepad.exe | Notepad
POLICY
fi
export PALISOR_FIREWALL_POLICY
PALISOR_FIREWALL_POLICY=$(winpath "$policy")
output=$state/palisor-output.txt

echo "firewall policy: $policy"
echo "screen:          $dpi dots per inch, Wine desktop $screen"
echo "program output:  $output"
if [ "$headless" -eq 0 ]; then
    echo "starting Palisor on $DISPLAY"
    wine "$(winpath "$exe")" >"$output" 2>&1 </dev/null
    exit 0
fi

showcase=$bin/palisor_showcase.exe
if [ ! -f "$showcase" ]; then
    echo "no display, and $showcase is not built (configure with PALISOR_TESTS=ON)" >&2
    exit 1
fi
echo "no display: starting Palisor on a virtual X server ($DISPLAY)"
rc=0
timeout --kill-after=10 300 wine "$showcase" "$(winpath "$exe")" "$(winpath "$state/palisor.bmp")" \
    "$(winpath "$output")" >"$state/showcase.log" 2>&1 </dev/null || rc=$?
if [ -f "$state/palisor.bmp" ]; then
    convert "$state/palisor.bmp" "$state/palisor.png" && rm -f "$state/palisor.bmp"
    echo "screenshot: $state/palisor.png"
fi
if [ "$rc" -ne 0 ]; then
    echo "Palisor did not run as expected (status $rc):" >&2
    cat "$state/showcase.log" >&2
    exit 1
fi
echo "Palisor ended through its Exit button with status 0"
