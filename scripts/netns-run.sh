#!/usr/bin/env bash
# Usage: netns-run.sh COMMAND [ARGS...]
# Runs COMMAND in a private network namespace of its own, whose only interface is the loopback
# interface, brought up: whatever it sends stays inside. Needs root (unshare --net). Exits 77 when
# the namespace cannot be made.
set -eu
if [ "${PALISOR_IN_NETNS:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare --net true 2>/dev/null; then
        echo "netns-run.sh: a private network namespace needs root" >&2
        exit 77
    fi
    exec env PALISOR_IN_NETNS=1 unshare --net -- "$0" "$@"
fi
ip link set lo up
exec "$@"
