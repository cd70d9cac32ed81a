#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Wine's service processes inherit the program's
# standard streams, so the output goes to a file first and is shown when the program has ended;
# nothing waits on a pipe that a service holds open.
source "$(dirname "$0")/wine-env.sh"
log=$(mktemp /tmp/palisor-wine-run.XXXXXX)
timeout --kill-after=10 "${PALISOR_WINE_TIMEOUT:-540}" wine "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
