#!/usr/bin/env bash
# The call list as a screen reader reads it: accessibility is turned on for a
# private desktop session, the program runs with the quiet simulated device,
# seven calls are sent with callerid-sim, and the list is read back over the
# accessibility bus (AT-SPI): its six rows hold calls 2 to 7 under the Turkish
# column captions.
set -euo pipefail
app=$1
sim=$2
reader=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
export CALLERID_DEVICE=sim

"$here/../../tools/with-desktop.sh" bash -s "$app" "$sim" "$reader" "$work" <<'SCRIPT'
set -euo pipefail
app=$1 sim=$2 reader=$3 work=$4
"$reader" --enable
"$app" >"$work/app.log" 2>&1 &
app_pid=$!
trap 'kill $app_pid 2>/dev/null; wait $app_pid 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*"; echo "--- read:"; cat "$work/table.txt" 2>/dev/null || true; echo "--- program output:"; cat "$work/app.log"; exit 1; }

for _ in $(seq 100); do "$sim" status >/dev/null 2>&1 && break; sleep 0.1; done
"$sim" attach RT4052 SN-0042 || fail "attach refused"
numbers=(02125550101 02165550102 03125550103 05325550104 05335550105 02325550106 08505550107)
for i in "${!numbers[@]}"; do
    "$sim" call $(( i % 4 + 1 )) "${numbers[$i]}" || fail "call $((i + 1)) refused"
done

# The seventh call, on line 3, in the last row.
expected=$(printf 'row 5\t3\t%s\t' "${numbers[6]}")
for _ in $(seq 100); do
    "$reader" "Caller ID Test" >"$work/table.txt" 2>&1 || true
    grep -qF "$expected" "$work/table.txt" && break
    sleep 0.2
done
grep -qx "table Çağrı listesi 6x5" "$work/table.txt" || fail "no six-row call list"
grep -qx "$(printf 'header\tHat no.\tArayan numara\tSaat\tCihaz seri no.\tÇağrı sıra no')" \
    "$work/table.txt" || fail "the column captions differ"
for row in 0 1 2 3 4 5; do
    call=$(( row + 2 ))
    line=$(grep "^row $row	" "$work/table.txt") || fail "no row $row"
    IFS=$'\t' read -r _ hat number time serial seq <<<"$line"
    [ "$hat" = $(( (call - 1) % 4 + 1 )) ] || fail "row $row: line '$hat'"
    [ "$number" = "${numbers[$((call - 1))]}" ] || fail "row $row: number '$number'"
    [[ "$time" =~ ^[0-9]{1,2}[:.][0-9]{2}[:.][0-9]{2} ]] || fail "row $row: time '$time'"
    [ "$serial" = SN-0042 ] || fail "row $row: serial '$serial'"
    [ "$seq" = "$call" ] || fail "row $row: sequence number '$seq'"
done
echo "call list read over AT-SPI: ok"
SCRIPT
