#!/usr/bin/env bash
# Starts the program on a private virtual desktop with the quiet simulated
# device, drives the device with callerid-sim and checks what the program did.
set -euo pipefail
app=$1
sim=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
export CALLERID_DEVICE=sim

"$here/../../tools/with-desktop.sh" bash -s "$app" "$sim" "$work" <<'SCRIPT'
set -euo pipefail
app=$1 sim=$2 work=$3
"$app" >"$work/app.log" 2>&1 & pid=$!
fail() { echo "FAIL: $*"; echo "--- program output:"; cat "$work/app.log"; kill $pid 2>/dev/null; exit 1; }

for _ in $(seq 100); do
    "$sim" status >/dev/null 2>&1 && break
    kill -0 $pid 2>/dev/null || fail "the program exited early"
    sleep 0.1
done
# The window's status poll reads the model twice a second; these wait for it to
# have read the device N more times (30 s at most on a busy machine).
model_reads() { "$sim" status | sed -n 's/^model reads: //p'; }
wait_polls() {
    local target=$(( $(model_reads) + $1 ))
    for _ in $(seq 300); do [ "$(model_reads)" -ge "$target" ] && return 0; sleep 0.1; done
    return 1
}
status=$("$sim" status) || fail "no controller socket"
# The desktop shows the window's own caption, nothing added.
window=$(timeout 10 xdotool search --sync --onlyvisible --name 'Cihaz Test' | head -n1) \
    || fail "no main window on the desktop"
[ "$(xdotool getwindowname "$window")" = "Cihaz Test" ] \
    || fail "the main window is captioned \"$(xdotool getwindowname "$window")\""
grep -qx "start calls: 1" <<<"$status" || fail "Start was not called once: $status"
grep -qx "form visible: no" <<<"$status" || fail "FormVisible was not set false: $status"

"$sim" attach RT4052 "SN 0042" || fail "attach refused"
"$sim" signal 12 5 30 40 || fail "signal refused"
"$sim" signal x 1 2 3 || fail "a non-numeric level must still be sent"
wait_polls 2 || fail "the window does not poll the device"
"$sim" detach || fail "detach refused"
wait_polls 1 || fail "the window stopped polling after the device went"
status=$("$sim" status)
grep -qx "attached: no" <<<"$status" || fail "device still attached: $status"

# Malformed controller input gets an error and the program lives on.
if "$sim" call one 0212 2>/dev/null; then fail "a malformed call was accepted"; fi
if "$sim" fail reboot on 2>/dev/null; then fail "an unknown method was accepted"; fi
kill -0 $pid 2>/dev/null || fail "the program died"

kill -TERM $pid
wait $pid 2>/dev/null || true
echo "end-to-end: ok"
SCRIPT
