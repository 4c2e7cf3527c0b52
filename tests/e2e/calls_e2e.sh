#!/usr/bin/env bash
# The whole program on a private desktop with a tray (trayer) and a notification
# service (dunst): seven calls from the simulated device reach the tray's balloon
# as "Çağrı: 7" with the seventh number; pulling the device out resets the count,
# so the next call is "Çağrı: 1" again.
set -euo pipefail
app=$1
sim=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
export CALLERID_DEVICE=sim

export E2E_DIR=$here
"$here/../../tools/with-desktop.sh" bash -s "$app" "$sim" "$work" <<'SCRIPT'
set -euo pipefail
app=$1 sim=$2 work=$3
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"
"$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
fail() { echo "FAIL: $*"; echo "--- program output:"; cat "$work/app.log"; echo "--- bus:"; tail -40 "$work/bus.log"; exit 1; }
wait_balloon() {
    for _ in $(seq 300); do balloon_seen "$1" "$2" && return 0; sleep 0.1; done
    return 1
}

# The window's status poll reads the model twice a second; these wait for it to
# have read the device N more times (30 s at most on a busy machine).
model_reads() { "$sim" status | sed -n 's/^model reads: //p'; }
wait_polls() {
    local target=$(( $(model_reads) + $1 ))
    for _ in $(seq 300); do [ "$(model_reads)" -ge "$target" ] && return 0; sleep 0.1; done
    return 1
}

for _ in $(seq 100); do "$sim" status >/dev/null 2>&1 && break; sleep 0.1; done
"$sim" attach RT4052 "SN-0042" || fail "attach refused"
wait_polls 2 || fail "the window does not poll the device"
numbers=(02125550101 02165550102 03125550103 05325550104 05335550105 02325550106 08505550107)
for i in "${!numbers[@]}"; do
    "$sim" call $(( i % 4 + 1 )) "${numbers[$i]}" || fail "call $((i + 1)) refused"
    sleep 0.15
done
wait_balloon "Çağrı: 7" "08505550107" || fail "no balloon 'Çağrı: 7' with the seventh number"
wait_balloon "Çağrı: 1" "02125550101" || fail "no balloon for the first call"
grep -A12 'string "Çağrı: 7"' "$work/bus.log" | grep -q 'int32 10000' || fail "the balloon's timeout is not 10 s"

"$sim" detach
wait_polls 2 || fail "the window does not poll the device"   # it sees the device gone and resets
"$sim" attach RT4052 "SN-0042"
wait_polls 2 || fail "the window does not poll the device"
"$sim" call 2 05445550199
wait_balloon "Çağrı: 1" "05445550199" || fail "the count did not restart at 1 after the device was pulled out"
kill -0 $app_pid 2>/dev/null || fail "the program died"
echo "calls end-to-end: ok"
SCRIPT
