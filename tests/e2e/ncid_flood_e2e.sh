#!/usr/bin/env bash
# A flood from an NCID server to the whole program on a private desktop with
# a tray (trayer) and a notification service (dunst): CALLS "CID:" lines, then
# MESSAGES "MSG:" lines, as fast as the program takes them. Every call must be
# counted (the last balloon is "Çağrı: CALLS+1", after one more call that
# follows everything); resident memory must end within 2 MiB of its level
# after the first 1,000 calls; and the window's event loop, as the program
# itself measures it (CALLERID_LOOP_LOG, not counting time in which the
# machine gave it no processor), must never have been held up for more than
# MAX-STALL ms (100).
# Usage: ncid_flood_e2e.sh PROGRAM NCID-SERVER-SIM CALLS MESSAGES [COMPARE-MEMORY [MAX-STALL]]
# (COMPARE-MEMORY 0 under the address sanitizer, whose quarantine holds
# freed memory back; there every step also takes several times as long, so
# MAX-STALL is larger).
set -euo pipefail
app=$1
server=$2
calls=$3
messages=$4
compare_memory=${5:-1}
max_stall=${6:-100}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export E2E_DIR=$here
"$here/../../tools/with-desktop.sh" bash -s "$app" "$server" "$calls" "$messages" "$work" \
    "$compare_memory" "$max_stall" <<'SCRIPT'
set -euo pipefail
app=$1 server=$2 calls=$3 messages=$4 work=$5 compare_memory=$6 max_stall=$7
pids=()
trap 'exec 3>&- 2>/dev/null || true; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"

mkfifo "$work/control"
"$server" --port 0 <"$work/control" >"$work/server.log" 2>&1 &
pids+=($!)
exec 3>"$work/control"
tell() { echo "$*" >&3; }
fail() {
    echo "FAIL: $*"
    echo "--- program output:"; head -20 "$work/app.log" 2>/dev/null || true
    echo "--- server:"; tail -10 "$work/server.log"
    echo "--- event loop:"; sort -k3 -n "$work/loop.log" 2>/dev/null | tail -5 || true
    exit 1
}
# The last balloon sent to the notification service has the title TITLE.
last_balloon_is() {
    grep -A6 'member=Notify' "$work/bus.log" | grep -o 'string "Çağrı: [0-9]*"' | tail -n1 \
        | grep -qxF "string \"$1\""
}
resident_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }
# Resident memory once it has held still for a second.
settled_kib() {
    local before now
    before=$(resident_kib)
    for _ in $(seq 60); do
        sleep 1
        now=$(resident_kib)
        [ "$now" = "$before" ] && break
        before=$now
    done
    echo "$now"
}

wait_for 30 grep -q '^port ' "$work/server.log" || fail "the server did not start"
port=$(sed -n 's/^port //p' "$work/server.log" | head -n1)
CALLERID_DEVICE=ncid:127.0.0.1:$port CALLERID_LOOP_LOG=$work/loop.log "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
wait_for 30 grep -q 'client said: HELLO: CMD: no_log' "$work/server.log" \
    || fail "the program did not come to the server"

tell flood 1000 1
wait_for 120 last_balloon_is "Çağrı: 1000" || fail "the first 1,000 calls were not all counted"
after_first=$(settled_kib)
start=$(date +%s.%N)
tell flood $((calls - 1000)) 2
tell messages "$messages"
# One more call after everything: its count says that every call before it was counted.
tell call 3 05320000001
last=$((calls + 1))
wait_for 1800 last_balloon_is "Çağrı: $last" || fail "not every call was counted"
end=$(date +%s.%N)
kill -0 "$app_pid" 2>/dev/null || fail "the program died"
after_all=$(settled_kib)
# The program's own part of each second's worst, and the whole lateness with
# the time it waited for a processor that other programs held.
worst=$(awk '$2 == "worst" {print $3}' "$work/loop.log" | sort -n | tail -n1)
worst_with_wait=$(awk '$2 == "worst" {print substr($5, 2)}' "$work/loop.log" | sort -n | tail -n1)
echo "$calls calls and $messages messages in $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') s"
echo "resident memory: $after_first KiB after 1,000 calls, $after_all KiB at the end"
echo "event loop held up at most $worst ms ($worst_with_wait ms with the wait for a processor)"
[ -n "$worst" ] || fail "the program wrote no event-loop figures"
[ "$worst" -le "$max_stall" ] || fail "the event loop was held up for $worst ms (at most $max_stall)"
if [ "$compare_memory" = 1 ]; then
    [ $((after_all - after_first)) -le 2048 ] \
        || fail "resident memory grew by $((after_all - after_first)) KiB"
fi
echo "NCID flood end-to-end: ok"
SCRIPT
