#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Wine's service processes inherit the program's
# standard streams, so the output goes to a file first and is shown when the program has ended;
# nothing waits on a pipe that a service holds open.
source "$(dirname "$0")/wine-env.sh"
log=$(mktemp /tmp/palisor-wine-run.XXXXXX)
for attempt in 1 2; do
    timeout --kill-after=10 "${PALISOR_WINE_TIMEOUT:-540}" wine "$@" >"$log" 2>&1 </dev/null
    rc=$?
    # A program that met the prefix's wineserver just as it was going away never ran: its only
    # output is Wine's client error. It is started once more on a server of its own.
    if [ $rc -ne 0 ] && [ "$attempt" -eq 1 ] && head -1 "$log" | grep -q '^wine client error:' &&
        ! grep -qv '^wine client error:\|^$' "$log"; then
        echo "(wine lost its server before the program started; starting it again)"
        cat "$log"
        wineserver -w >/dev/null 2>&1 || true
        continue
    fi
    break
done
cat "$log"
rm -f "$log"
exit $rc
