#!/usr/bin/env bash
# A flood of calls to the whole program on a private desktop with a tray
# (trayer) and a notification service (dunst): after 100,000 calls the
# service holds at most one notification of the program, the program's
# resident memory is within 2 MiB of its level after the first 1,000 calls,
# and its standard error has fewer than 10 lines. Prints the time per call.
# Usage: flood_e2e.sh PROGRAM CALLERID-SIM CALL-FLOOD [COMPARE-MEMORY]
# (COMPARE-MEMORY 0 under the address sanitizer, whose quarantine holds
# freed memory back).
set -euo pipefail
app=$1
sim=$2
flood=$3
compare_memory=${4:-1}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
export CALLERID_DEVICE=sim

"$here/../../tools/with-desktop.sh" bash -s "$app" "$sim" "$flood" "$work" "$compare_memory" <<'SCRIPT'
set -euo pipefail
app=$1 sim=$2 flood=$3 work=$4 compare_memory=$5
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
dunst >/dev/null 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --expand true >/dev/null 2>&1 &
pids+=($!)
"$app" >/dev/null 2>"$work/stderr.log" &
app_pid=$!
pids+=($app_pid)
fail() { echo "FAIL: $*"; echo "--- standard error:"; head -20 "$work/stderr.log"; exit 1; }

resident_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }
# The program has done what the calls brought (paints, the last balloon's
# answer) once its resident memory holds still for a second.
settled_kib() {
    local before now
    before=$(resident_kib)
    for _ in $(seq 60); do
        sleep 1
        now=$(resident_kib)
        [ "$now" = "$before" ] && { echo "$now"; return 0; }
        before=$now
    done
    echo "$now"
}
# Notifications dunst shows or has queued.
held() {
    local shown waiting
    shown=$(timeout 10 dunstctl count displayed 2>/dev/null) || shown=999999
    waiting=$(timeout 10 dunstctl count waiting 2>/dev/null) || waiting=999999
    echo $((shown + waiting))
}

for _ in $(seq 300); do "$sim" status >/dev/null 2>&1 && break; sleep 0.1; done
"$sim" attach RT4052 SN-0042 >/dev/null || fail "attach refused"
"$flood" 1 1000 || fail "the first 1,000 calls did not go through"
after_first=$(settled_kib)
"$flood" 1001 100000 || fail "the flood did not go through"
after_all=$(settled_kib)
kill -0 "$app_pid" 2>/dev/null || fail "the program died"
echo "resident memory: $after_first KiB after 1,000 calls, $after_all KiB after 100,000"

notifications=999999
for _ in $(seq 120); do
    notifications=$(held)
    [ "$notifications" -le 1 ] && break
    sleep 0.5
done
echo "notifications held by the service: $notifications"
[ "$notifications" -le 1 ] || fail "the service holds $notifications notifications"
if [ "$compare_memory" = 1 ]; then
    [ $((after_all - after_first)) -le 2048 ] \
        || fail "resident memory grew by $((after_all - after_first)) KiB over 99,000 calls"
fi
lines=$(wc -l <"$work/stderr.log")
echo "standard error: $lines lines"
[ "$lines" -lt 10 ] || fail "standard error has $lines lines"
echo "flood end-to-end: ok"
SCRIPT
