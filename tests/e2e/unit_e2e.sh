#!/usr/bin/env bash
# The whole program on the multi-line unit emulator, on a private desktop with a
# tray (trayer) and a notification service (dunst): first as an Ethernet unit
# (CALLERID_DEVICE=unit-udp:PORT, datagrams on 127.0.0.1), then on a
# pseudo-terminal (unit:PATH). Each time calls on the four lines reach the call
# list with their line in "Hat no." (a start and its end counted once, an end
# alone once, a withheld number in words), the balloons count them, and the log
# shows the lines' rings and hook changes. The serial unit is then pulled out
# (the window resets) and plugged back in (the next call is "Çağrı: 1" again).
# The third argument is atspi-tables, which reads the window as a screen reader does.
set -euo pipefail
app=$1
unit_sim=$2
reader=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export E2E_DIR=$here
"$here/../../tools/with-desktop.sh" bash -s "$app" "$unit_sim" "$reader" "$work" <<'SCRIPT'
set -euo pipefail
app=$1 unit_sim=$2 reader=$3 work=$4
pids=()
trap 'exec 3>&- 2>/dev/null || true; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"

fail() {
    echo "FAIL: $*"
    echo "--- program output:"; cat "$work/app.log" 2>/dev/null || true
    echo "--- unit:"; tail -40 "$work/unit.log" 2>/dev/null || true
    echo "--- table:"; cat "$work/table.txt" 2>/dev/null || true
    echo "--- log:"; "$reader" --text Mesajlar "Caller ID Test" 2>/dev/null || true
    echo "--- bus:"; tail -40 "$work/bus.log"
    exit 1
}
log_shows() { "$reader" --text Mesajlar "Caller ID Test" 2>/dev/null | grep -qF "$1"; }
# A balloon with TITLE and TEXT reached the notification service after line FROM of the bus log.
balloon_after() {
    tail -n +"$(( $1 + 1 ))" "$work/bus.log" | grep -A6 'member=Notify' | tr '\n' ' ' \
        | grep -q "string \"$2\" *string \"$3\""
}
title_after() { tail -n +"$(( $1 + 1 ))" "$work/bus.log" | grep -q "string \"$2\""; }
unit() { echo "$*" >&3; }
bus_lines() { wc -l <"$work/bus.log"; }

start_unit() {  # start_unit OPTIONS…: the emulator, commands through fd 3
    rm -f "$work/unit.in"
    mkfifo "$work/unit.in"
    "$unit_sim" "$@" <"$work/unit.in" >"$work/unit.log" 2>&1 &
    unit_pid=$!
    pids+=($unit_pid)
    exec 3>"$work/unit.in"
}
stop_unit() { unit quit; exec 3>&-; wait "$unit_pid" 2>/dev/null || true; }
start_app() {  # start_app SPEC
    CALLERID_DEVICE=$1 "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    pids+=($app_pid)
}
stop_app() { kill "$app_pid"; wait "$app_pid" 2>/dev/null || true; }

# Calls on four lines from the unit whose serial number is SERIAL; the list
# must then hold them in order, with their lines, and the log the lines' events.
four_lines() {
    local serial=$1 from
    from=$(bus_lines)
    unit ring 1
    wait_for 30 log_shows "Hat 1: çalıyor" || fail "the ring on line 1 is not in the log"
    unit start 1 02125550101 AYSE YILMAZ
    wait_for 30 balloon_after "$from" "Çağrı: 1" "0212-555-0101" || fail "no balloon for line 1"
    unit start 2 02165550102
    wait_for 30 balloon_after "$from" "Çağrı: 2" "0216-555-0102" || fail "no balloon for line 2"
    unit end 1
    unit end 2
    unit endonly 3 03125550103 ALI VELI
    wait_for 30 balloon_after "$from" "Çağrı: 3" "0312-555-0103" || fail "no balloon for the end-only call on line 3"
    unit call 4 P
    wait_for 30 balloon_after "$from" "Çağrı: 4" "Gizli numara" || fail "no balloon for the withheld number on line 4"
    sleep 0.5
    title_after "$from" "Çağrı: 5" && fail "a start and its end were counted twice"

    local expected numbers=(0212-555-0101 0216-555-0102 0312-555-0103 "Gizli numara")
    expected=$(printf 'row 3\t4\tGizli numara\t')
    for _ in $(seq 100); do
        "$reader" "Caller ID Test" >"$work/table.txt" 2>&1 || true
        grep -qF "$expected" "$work/table.txt" && break
        sleep 0.2
    done
    grep -qx "table Çağrı listesi 4x5" "$work/table.txt" || fail "the list does not hold four calls"
    for row in 0 1 2 3; do
        line=$(grep "^row $row	" "$work/table.txt") || fail "no row $row"
        IFS=$'\t' read -r _ hat number _ shown seq <<<"$line"
        [ "$hat" = $(( row + 1 )) ] || fail "row $row: Hat no. '$hat'"
        [ "$number" = "${numbers[$row]}" ] || fail "row $row: number '$number'"
        [ "$shown" = "$serial" ] || fail "row $row: serial '$shown'"
        [ "$seq" = $(( row + 1 )) ] || fail "row $row: sequence number '$seq'"
    done

    unit offhook 2
    wait_for 30 log_shows "Hat 2: açıldı" || fail "off hook on line 2 is not in the log"
    unit flash 2
    wait_for 30 log_shows "Hat 2: flaş" || fail "the hook flash on line 2 is not in the log"
    unit onhook 2
    wait_for 30 log_shows "Hat 2: kapandı" || fail "on hook on line 2 is not in the log"
    unit out 3 02125550199
    wait_for 30 log_shows "Hat 3: giden arama 0212-555-0199" || fail "the outgoing call is not in the log"
    sleep 0.3
    title_after "$from" "Çağrı: 5" && fail "an outgoing call or a line event was listed as a call"
    return 0
}

"$reader" --enable || fail "accessibility could not be turned on"

# An Ethernet unit: its datagrams on a UDP port nothing else uses.
port=
for candidate in $(shuf -i 20000-60000 -n 50); do
    hex=$(printf '%04X' "$candidate")
    if ! grep -qi ":$hex " /proc/net/udp /proc/net/udp6 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no free UDP port"
start_unit --udp "127.0.0.1:$port" --serial 778899 --unit 3
wait_for 30 grep -q '^sending to' "$work/unit.log" || fail "the emulator did not start"
start_app "unit-udp:$port"
wait_for 30 window_shows "Bağlantı bekleniyor" || fail "the window does not wait for the unit"
four_lines 778899
window_shows "Cihaz bağlı" || fail "the window does not show the unit connected"
window_shows "Cihaz modeli: CID birimi (Ethernet)" || fail "no model line for the Ethernet unit"
window_shows "Seri no: 778899" || fail "no serial number line for the Ethernet unit"
kill -0 "$app_pid" 2>/dev/null || fail "the program died"
stop_app
stop_unit
echo "unit-udp: ok"

# A unit on a serial port.
start_unit --link "$work/unit"
wait_for 30 grep -q '^plugged:' "$work/unit.log" || fail "the emulator did not start"
start_app "unit:$work/unit"
wait_for 30 grep -q '^< V' "$work/unit.log" || fail "the program did not ask the unit's version"
grep -q '^< @' "$work/unit.log" || fail "the program did not look for the unit with @"
wait_for 30 window_shows "Cihaz bağlı" || fail "the window does not show the unit connected"
window_shows "Cihaz modeli: CID birimi V4.2" || fail "no model line from the unit's version"
window_shows "Seri no: $work/unit" || fail "no serial number line for the serial unit"
four_lines "$work/unit"

unit unplug
wait_for 30 window_shows "Bağlantı bekleniyor" || fail "the window did not see the unit go"
from=$(bus_lines)
unit plug
wait_for 30 window_shows "Cihaz bağlı" || fail "the window does not show the unit back"
[ "$(grep -c '^< @' "$work/unit.log")" -ge 2 ] || fail "the unit was not looked for again"
unit start 1 05445550199
wait_for 30 balloon_after "$from" "Çağrı: 1" "0544-555-0199" \
    || fail "the count did not restart at 1 after the unit was pulled out"
kill -0 "$app_pid" 2>/dev/null || fail "the program died"
echo "unit end-to-end: ok"
SCRIPT
