#!/usr/bin/env bash
# The program's two ends on a private virtual desktop: "Çıkış" from its popup
# menu must end it with status 0, and an X server that goes away must end it
# with a status of its own, not a signal (a crash while shutting down).
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
export CALLERID_DEVICE=sim

"$here/../../tools/with-desktop.sh" bash -s "$app" "$work" <<'SCRIPT'
set -uo pipefail
app=$1 work=$2
pid=
fail() {
    echo "FAIL: $*"; echo "--- program output:"; cat "$work/app.log"
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    exit 1
}
start() {
    "$app" >"$work/app.log" 2>&1 & pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name 'Cihaz Test' | head -n1) \
        || fail "no main window on the desktop"
}
# Waits up to 30 s for the program to end and sets $status to its exit status.
finish() {
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "$1: the program did not end"
    wait "$pid"; status=$?
    pid=
}

# A clean exit: right-click the connection state, then the menu's last item.
start
xdotool mousemove --window "$window" 100 320 click 3
for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
done
[ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -ge 2 ] \
    || fail "the popup menu did not open"
xdotool key Up Return
finish "Çıkış"
[ "$status" -eq 0 ] || fail "\"Çıkış\" ended the program with status $status"

# The X server goes away under a running program.
start
kill "$DESKTOP_XVFB_PID"
finish "X server gone"
[ "$status" -lt 128 ] || fail "the program died of signal $((status - 128)) when its X server went away"
echo "exit statuses: Çıkış 0, X server gone $status"
SCRIPT
